// The layers of a frame, drawn two ways. `plain` follows the picture's definition with SDL
// blits of freshly made surfaces; `fast` gives the same picture from the frame cache with
// our own loops, and declines (returning false, having drawn nothing) whatever it does not
// handle, which then goes the plain way. Main thread only.
#pragma once

#include "frame_cache.hpp"

#include "../core/app_state.hpp"
#include "../services/components.hpp"

#include <span>

namespace ts::render {

// Where the four masks go: "tl", "tr", "bl", "br", for a screen of w x h and radius r.
struct MaskPlace {
    SDL_Surface* mask;
    int x, y;
};
std::array<MaskPlace, 4> mask_places(const core::CornerMasks& masks, int w, int h);

// The pixels of a 32-bit surface.
inline pixels::View view_of(SDL_Surface* s) {
    return {static_cast<std::uint32_t*>(s->pixels), s->w, s->h, s->pitch / 4};
}

namespace plain {

// The background picture at (0, 0) and the four masks over it, or the base colour.
void background(core::AppState& state, services::Components& c, SDL_Surface* screen);
// A page surface at (x, y) with overall opacity 0-255 (255: the surface itself, else a copy).
void page(SDL_Surface* screen, SDL_Surface* page, int x, int y, int opacity);
// A new copy of the page scaled to exactly w x h without smoothing, at (x, y) with opacity.
void scaled_page(SDL_Surface* screen, SDL_Surface* page, int w, int h, int x, int y, int opacity);

}  // namespace plain

namespace fast {

// True when our loops can draw onto this screen.
bool handles(const SDL_Surface* screen);
bool background(core::AppState& state, services::Components& c, SDL_Surface* screen);
// Background, masks and page idx at (0, 0) at full opacity, from the resting picture kept
// in the frame cache, which is composed again when the page, the background or the
// configured size changed. With `dim` (1-255) the picture lands darkened by black at that
// alpha, as pixels::darken_row darkens, in the same pass.
bool resting(core::AppState& state, services::Components& c, SDL_Surface* screen, int page_idx, SDL_Surface* page,
             std::uint32_t dim = 0);
// The same when the kept resting picture already shows the page as it is now; false, having
// drawn nothing, when it does not.
bool kept_resting(core::AppState& state, services::Components& c, SDL_Surface* screen, int page_idx,
                  SDL_Surface* page);
// Rows [y0, y1) of the resting picture composed again from the page as it is now, and
// copied onto the screen; false, having drawn nothing, unless the kept resting picture
// shows this page over the current background for this screen.
bool resting_rows(core::AppState& state, services::Components& c, SDL_Surface* screen, SDL_Surface* page, int y0,
                  int y1);
bool page(FrameCache& cache, SDL_Surface* screen, int page_idx, SDL_Surface* page, int x, int y, int opacity);
// The page at (x, y) once per opacity, in order, in one pass over the screen.
bool page_layers(FrameCache& cache, SDL_Surface* screen, int page_idx, SDL_Surface* page, int x, int y,
                 std::span<const std::uint32_t> opacities);
bool scaled_page(FrameCache& cache, SDL_Surface* screen, int page_idx, SDL_Surface* page, int w, int h, int x,
                 int y, int opacity);
// page() at (x_a, y) with opacity_a, then at (x_b, y) with opacity_b, in one pass; declines
// copies far apart or opacities of 0 or 255.
bool page_pair(FrameCache& cache, SDL_Surface* screen, int page_idx, SDL_Surface* page, int x_a, int x_b, int y,
               int opacity_a, int opacity_b);

}  // namespace fast

void blit_or_throw(SDL_Surface* src, SDL_Surface* dst, int x, int y);

// Copies the pixels of one surface onto another of the same format and size.
void copy_pixels(SDL_Surface* from, SDL_Surface* to);

bool full_clip(const SDL_Surface* s);

}  // namespace ts::render
