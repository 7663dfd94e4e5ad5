#include "frame.hpp"

namespace ts::render {

void check_background(core::AppState&, services::Components&, SDL_Surface*) {}

void _start_page_transition(core::AppState& state, int direction) {
    if (state._page_transitioning) return;
    state._page_transition_direction = direction;
    state._page_transition_progress = 0;
    state._page_transitioning = true;
}

void _draw_page_with_transition(core::AppState&, services::Components&, SDL_Surface* screen) {
    SDL_FillRect(screen, nullptr, services::map_rgb(screen, core::BASE_COLOR));
}

void _draw_page_indicator(const core::AppState&, services::Config&, SDL_Surface*) {}

}  // namespace ts::render
