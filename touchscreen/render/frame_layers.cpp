// The layers of one frame in the frame loop's order. While the control centre darkens the
// screen, the resting page is composed darkened as it is copied, which spares the control
// centre a darkening pass of its own over the whole screen in every frame of its slide.
#include "frame.hpp"

namespace ts::render {

void draw_frame_layers(core::AppState& state, services::Components& c, SDL_Surface* screen) {
    const std::uint32_t dim = c.pulldeck.backdrop_dim();
    const bool dimmed = draw_page_with_transition(state, c, screen, Compositor::fast, dim) && dim > 0;
    draw_page_indicator(state, c.config, screen, dimmed ? dim : 0);
    if (dimmed) {
        c.pulldeck.draw_settings_panel_on_dimmed(screen);
    } else {
        c.pulldeck.draw_settings_panel(screen);
    }
}

}  // namespace ts::render
