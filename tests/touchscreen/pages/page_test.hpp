// What the page tests share: SDL under the dummy driver around each test, the Knobs the pages
// draw with, and where a drawing put its pixels.
#pragma once

#include "config/knobs.hpp"
#include "fakes.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <utility>

namespace ts::test {

class PageTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError(); }
    void TearDown() override { SDL_Quit(); }
    config::Knobs knobs;
};

// ... with the fonts open.
class FontPageTest : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        if (!HasFatalFailure()) knobs.init_fonts();
    }
};

// Pixels with any opacity inside and outside a rectangle.
inline std::pair<int, int> drawn_inside_outside(SDL_Surface* s, SDL_Rect r) {
    int inside = 0, outside = 0;
    for (int y = 0; y < s->h; ++y) {
        for (int x = 0; x < s->w; ++x) {
            if (pixel_at(s, x, y).a == 0) continue;
            const SDL_Point p{x, y};
            (SDL_PointInRect(&p, &r) ? inside : outside)++;
        }
    }
    return {inside, outside};
}

}  // namespace ts::test
