// Drawing the page area of each frame: background with rounded corners, the current page
// or the slide between two pages, and the page indicator. Main thread only.
#pragma once

#include "../core/app_state.hpp"
#include "../services/components.hpp"

namespace ts::render {

// Asks for a new background picture and converts it to the screen's format; any failure
// leaves a plain base-colour background instead.
void check_background(core::AppState& state, services::Components& c, SDL_Surface* screen);

// Starts a 10-frame slide from _previous_page to _current_page; ignored while one runs.
void _start_page_transition(core::AppState& state, int direction);

// Background, masks and the page (rendering it when dirty) or one slide frame.
void _draw_page_with_transition(core::AppState& state, services::Components& c, SDL_Surface* screen);

// Four dots centred on y = 15; the current page's dot in "accent".
void _draw_page_indicator(const core::AppState& state, services::Config& config, SDL_Surface* screen);

}  // namespace ts::render
