// The background picture: asked from the panel utilities every so often and converted to
// the screen's format once, then laid under every frame with the rounded corners over it.
#include "frame.hpp"
#include "layers.hpp"

#include <cstring>

namespace ts::render {
namespace {

core::Surface base_colour_background(int w, int h) {
    core::Surface s = core::make_opaque_surface(w, h);
    if (SDL_FillRect(s.get(), nullptr, core::map_rgb(s.get(), core::BASE_COLOR)) != 0) {
        throw core::SdlError("SDL_FillRect");
    }
    return s;
}

// The background's blit onto the screen is a plain copy of its bytes.
bool copies_as_bytes(SDL_Surface* bg, const SDL_Surface* screen) {
    if (bg->format->format != screen->format->format || bg->w != screen->w || bg->h != screen->h) return false;
    if (SDL_MUSTLOCK(bg) || SDL_MUSTLOCK(screen) || !full_clip(screen)) return false;
    SDL_BlendMode mode;
    Uint8 alpha, r, g, b;
    SDL_GetSurfaceBlendMode(bg, &mode);
    SDL_GetSurfaceAlphaMod(bg, &alpha);
    SDL_GetSurfaceColorMod(bg, &r, &g, &b);
    const bool blends = mode != SDL_BLENDMODE_NONE && (bg->format->Amask != 0 || alpha != 255);
    return !blends && r == 255 && g == 255 && b == 255;
}

}  // namespace

bool full_clip(const SDL_Surface* s) {
    return s->clip_rect.x == 0 && s->clip_rect.y == 0 && s->clip_rect.w == s->w && s->clip_rect.h == s->h;
}

void copy_pixels(SDL_Surface* from, SDL_Surface* to) {
    const std::size_t row_bytes = static_cast<std::size_t>(from->w) * from->format->BytesPerPixel;
    const auto* src = static_cast<const Uint8*>(from->pixels);
    auto* dst = static_cast<Uint8*>(to->pixels);
    if (from->pitch == to->pitch) {
        std::memcpy(dst, src, static_cast<std::size_t>(from->pitch) * from->h);
        return;
    }
    for (int y = 0; y < from->h; ++y) std::memcpy(dst + y * to->pitch, src + y * from->pitch, row_bytes);
}

void blit_or_throw(SDL_Surface* src, SDL_Surface* dst, int x, int y) {
    SDL_Rect at{x, y, 0, 0};  // SDL clips this copy in place
    if (SDL_BlitSurface(src, nullptr, dst, &at) != 0) throw core::SdlError("SDL_BlitSurface");
}

void check_background(core::AppState& state, services::Components& c, SDL_Surface* screen) {
    if (state._frame_cache) {
        state._frame_cache->composed_from = nullptr;
        state._frame_cache->rest_page = nullptr;
    }
    try {
        state._background_surface = c.permission.create_dynamic_background();
        if (state._background_surface) {
            core::Surface converted(SDL_ConvertSurface(state._background_surface.get(), screen->format, 0));
            if (!converted) throw core::SdlError("SDL_ConvertSurface");
            state._background_surface = std::move(converted);
        }
    } catch (...) {
        // No picture today: the panel's own colour, silently. A failure here is not caught.
        state._background_surface = base_colour_background(c.config.SCREEN_WIDTH(), c.config.SCREEN_HEIGHT());
    }
}

namespace plain {

void background(core::AppState& state, services::Components& c, SDL_Surface* screen) {
    if (!state._background_surface) {
        if (SDL_FillRect(screen, nullptr, core::map_rgb(screen, core::BASE_COLOR)) != 0) {
            throw core::SdlError("SDL_FillRect");
        }
        return;
    }
    blit_or_throw(state._background_surface.get(), screen, 0, 0);
    const core::CornerMasks& masks = _get_corner_masks(state);
    for (const MaskPlace& m : mask_places(masks, c.config.SCREEN_WIDTH(), c.config.SCREEN_HEIGHT())) {
        blit_or_throw(m.mask, screen, m.x, m.y);
    }
}

}  // namespace plain

namespace fast {

// The masks are laid on a copy of the background once per picture (or screen size), so a
// frame's background is one copy of bytes.
bool background(core::AppState& state, services::Components& c, SDL_Surface* screen) {
    SDL_Surface* bg = state._background_surface.get();
    if (bg == nullptr) return false;
    const core::CornerMasks& masks = _get_corner_masks(state);
    const int w = c.config.SCREEN_WIDTH();
    const int h = c.config.SCREEN_HEIGHT();
    if (!copies_as_bytes(bg, screen)) return false;

    FrameCache& cache = frame_cache(state);
    if (cache.composed_from != bg || cache.composed_for_w != w || cache.composed_for_h != h) {
        SDL_Surface* old = cache.composed_background.get();
        if (old == nullptr || old->w != bg->w || old->h != bg->h || old->format->format != bg->format->format) {
            cache.composed_background.reset(
                SDL_CreateRGBSurfaceWithFormat(0, bg->w, bg->h, bg->format->BitsPerPixel, bg->format->format));
            if (!cache.composed_background) throw core::SdlError("SDL_CreateRGBSurfaceWithFormat");
        }
        cache.composed_from = nullptr;  // until the masks are on
        copy_pixels(bg, cache.composed_background.get());
        for (const MaskPlace& m : mask_places(masks, w, h)) {
            blit_or_throw(m.mask, cache.composed_background.get(), m.x, m.y);
        }
        cache.composed_from = bg;
        cache.composed_for_w = w;
        cache.composed_for_h = h;
    }
    copy_pixels(cache.composed_background.get(), screen);
    return true;
}

}  // namespace fast

}  // namespace ts::render
