// Shared set-up of the render tests: SDL video on the dummy driver, a 376 x 960 screen of
// the display's own format, faked components and pages of one plain colour.
#pragma once

#include "fakes.hpp"

#include "render/frame.hpp"

#include <gtest/gtest.h>

#include <array>

namespace ts::test {

using Rgb = std::array<int, 3>;

// How far SDL's blit of a layer at full opacity may land from blend_row's, per channel. SDL picks
// its per-pixel-alpha blitter by processor: the x86 SIMD one rounds as blend_row does; the
// portable one, which ARM gets, rounds differently and lands up to 2 apart.
#if defined(__x86_64__) || defined(__i386__)
inline constexpr int kSdlBlendTolerance = 1;
#else
inline constexpr int kSdlBlendTolerance = 2;
#endif

inline Rgb rgb_at(SDL_Surface* s, int x, int y) {
    const SDL_Color c = pixel_at(s, x, y);
    return {c.r, c.g, c.b};
}

inline bool near(const Rgb& a, const Rgb& b, int tolerance = 1) {
    for (int i = 0; i < 3; ++i) {
        if (std::abs(a[i] - b[i]) > tolerance) return false;
    }
    return true;
}

// A surface of one opaque colour (or transparent where alpha is 0), in the page format.
inline core::Surface solid_alpha_surface(int w, int h, core::Color c, Uint8 alpha = 255) {
    core::Surface s = core::make_alpha_surface(w, h);
    SDL_FillRect(s.get(), nullptr, SDL_MapRGBA(s->format, c.r, c.g, c.b, alpha));
    return s;
}

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        window.reset(SDL_CreateWindow("render test", 0, 0, 376, 960, 0));
        ASSERT_TRUE(window) << SDL_GetError();
        screen = SDL_GetWindowSurface(window.get());
        ASSERT_NE(screen, nullptr) << SDL_GetError();
        f.bind_pages();
        f.log.clear();
    }
    void TearDown() override {
        state._cached_pages.clear();
        state._background_surface.reset();
        state._corner_mask_cache.reset();
        window.reset();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    // A background picture of one colour, as the panel utilities would hand it over.
    void use_background(core::Color c) {
        f.permission.make_background = [c] {
            core::Surface s = core::make_opaque_surface(376, 960);
            SDL_FillRect(s.get(), nullptr, SDL_MapRGB(s->format, c.r, c.g, c.b));
            return s;
        };
        render::check_background(state, f.components, screen);
    }
    // Page idx as already rendered: a clean cached surface of one opaque colour.
    SDL_Surface* cache_page(int idx, core::Color c) {
        state._cached_pages[idx] = solid_alpha_surface(376, 960, c);
        state._page_dirty[static_cast<std::size_t>(idx)].clear();
        return state._cached_pages[idx].get();
    }
    void draw() { render::_draw_page_with_transition(state, f.components, screen); }

    FakeComponents f;
    core::AppState state;
    core::Window window;
    SDL_Surface* screen = nullptr;
};

}  // namespace ts::test
