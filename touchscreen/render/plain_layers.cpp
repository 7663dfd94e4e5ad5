// Page layers through SDL blits, each opacity on a fresh copy so the cached page surfaces
// stay untouched. Any screen format; slow on SDL's generic alpha-modulated path.
#include "layers.hpp"
#include "pixels.hpp"

namespace ts::render::plain {
namespace {

void set_opacity(SDL_Surface* s, int opacity) {
    if (SDL_SetSurfaceBlendMode(s, SDL_BLENDMODE_BLEND) != 0 || SDL_SetSurfaceAlphaMod(s, static_cast<Uint8>(opacity))) {
        throw core::SdlError("SDL_SetSurfaceAlphaMod");
    }
}

}  // namespace

void page(SDL_Surface* screen, SDL_Surface* page, int x, int y, int opacity) {
    if (opacity == 255) {
        blit_or_throw(page, screen, x, y);
        return;
    }
    core::Surface copy(SDL_DuplicateSurface(page));
    if (!copy) throw core::SdlError("SDL_DuplicateSurface");
    set_opacity(copy.get(), opacity);
    blit_or_throw(copy.get(), screen, x, y);
}

void scaled_page(SDL_Surface* screen, SDL_Surface* page, int w, int h, int x, int y, int opacity) {
    if (w <= 0 || h <= 0) return;
    core::Surface scaled = core::make_alpha_surface(w, h);
    pixels::scale_nearest(view_of(page), view_of(scaled.get()));
    set_opacity(scaled.get(), opacity);
    blit_or_throw(scaled.get(), screen, x, y);
}

}  // namespace ts::render::plain
