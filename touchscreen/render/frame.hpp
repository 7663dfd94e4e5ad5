// Drawing the page area of each frame: the page surfaces and their cache, the background
// with rounded corners, the current page or the slide between two pages, and the page
// indicator. Main thread only; the refresh thread only sets the dirty flags read here.
#pragma once

#include "../core/app_state.hpp"
#include "../services/components.hpp"

#include <cstdint>

namespace ts::render {

// Draws page_idx (0-3) into its cached full-screen surface, made on first use and reused,
// cleared to transparent first; then clears the page's dirty flag. A provider's error
// passes through with the flag still set. Returns the cached surface.
SDL_Surface* _render_page_to_surface(core::AppState& state, services::Components& c, int page_idx);

// When page_idx's cached surface holds what rendering the page now would draw (its provider
// says so), clears the page's dirty flag as a render would, draws nothing and returns true.
bool keep_unchanged_page(core::AppState& state, services::Components& c, int page_idx);

// Asks for a new background picture and converts it to the screen's format; any failure
// leaves a plain base-colour background instead.
void check_background(core::AppState& state, services::Components& c, SDL_Surface* screen);

// The four 40 x 40 rounded-corner masks, built on first use.
const core::CornerMasks& _get_corner_masks(core::AppState& state);

// Starts a 10-frame slide from _previous_page to _current_page; ignored while one runs.
void _start_page_transition(core::AppState& state, int direction);

// Background, masks and the page (rendering it when dirty) or one slide frame.
void _draw_page_with_transition(core::AppState& state, services::Components& c, SDL_Surface* screen);

// The current page at rest, drawn again in rows [y0, y1) of screen only: the background,
// masks and page there, as _draw_page_with_transition would draw them. For a screen that
// shows the page at rest as last composed, when the page changed in these rows only since.
// False, having drawn nothing, where rows cannot be drawn on their own; the caller then
// draws the whole frame.
bool redraw_resting_rows(core::AppState& state, services::Components& c, SDL_Surface* screen, int y0, int y1);

// How many times page_idx was rendered; it changes with every render.
std::uint64_t render_count(const core::AppState& state, int page_idx);

// Four dots centred on y = 15; the current page's dot in "accent".
void _draw_page_indicator(const core::AppState& state, services::Config& config, SDL_Surface* screen);

// How the layers reach the screen. `fast` blends only what the pages drew, with our own
// loops, on 32-bit xRGB screens and falls back to `plain` elsewhere; `plain` is SDL blits
// of freshly made surfaces, step by step as the picture is defined. Both draw the same
// picture, up to 1 per channel of rounding.
enum class Compositor { fast, plain };
void draw_page_with_transition(core::AppState& state, services::Components& c, SDL_Surface* screen,
                               Compositor compositor);
// The same, darkened by black at `dim` (0-255) as pixels::darken_row darkens, where that costs
// no pass of its own (the fast way at rest); true when the picture was darkened (always for 0).
bool draw_page_with_transition(core::AppState& state, services::Components& c, SDL_Surface* screen,
                               Compositor compositor, std::uint32_t dim);

// The indicator in its colours darkened by black at `dim` (0-255), as pixels::darken_row
// would darken the dots: for a screen composed darkened already.
void draw_page_indicator(const core::AppState& state, services::Config& config, SDL_Surface* screen,
                         std::uint32_t dim);

// Page area, indicator and control centre, in that order, as one frame shows them. Where the
// control centre darkens everything under it, the page at rest is composed darkened in the
// same pass as its copy instead of being darkened again afterwards; the picture is the same.
void draw_frame_layers(core::AppState& state, services::Components& c, SDL_Surface* screen);

}  // namespace ts::render
