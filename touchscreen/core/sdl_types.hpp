// Ownership and value types for SDL objects shared by every part of the dashboard.
// Each SDL object has exactly one owner; raw pointers passed around are borrowed.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace ts::core {

struct SurfaceDeleter {
    void operator()(SDL_Surface* s) const noexcept { SDL_FreeSurface(s); }
};
using Surface = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

struct WindowDeleter {
    void operator()(SDL_Window* w) const noexcept { SDL_DestroyWindow(w); }
};
using Window = std::unique_ptr<SDL_Window, WindowDeleter>;

// An RGB triple, 0-255 per channel.
struct Color {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Color&, const Color&) = default;
};

// Raised for every SDL call that fails; carries SDL_GetError() read right after the call.
class SdlError : public std::runtime_error {
public:
    explicit SdlError(const std::string& what) : std::runtime_error(what + ": " + SDL_GetError()) {}
};

// A 32-bit surface with per-pixel alpha (the page and mask format); throws SdlError on failure.
inline Surface make_alpha_surface(int w, int h) {
    Surface s(SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888));
    if (!s) throw SdlError("SDL_CreateRGBSurfaceWithFormat");
    SDL_SetSurfaceBlendMode(s.get(), SDL_BLENDMODE_BLEND);
    return s;
}

// A 32-bit opaque surface (no per-pixel alpha); throws SdlError on failure.
inline Surface make_opaque_surface(int w, int h) {
    Surface s(SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_RGB888));
    if (!s) throw SdlError("SDL_CreateRGBSurfaceWithFormat");
    return s;
}

inline Uint32 map_rgb(const SDL_Surface* s, Color c) { return SDL_MapRGB(s->format, c.r, c.g, c.b); }

}  // namespace ts::core
