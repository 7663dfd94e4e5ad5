// Drawing routines of the built-in components: clipping, rounded corners, and the shortcut
// blend for the page format against the general one.
#include "fakes.hpp"
#include "paint/paint.hpp"

#include <gtest/gtest.h>

#include <tuple>

namespace ts::paint {
namespace {

TEST(Paint, RoundedBoxLeavesItsCornersUntouchedAndBlendsItsBody) {
    Surface s = core::make_alpha_surface(40, 40);
    SDL_FillRect(s.get(), nullptr, 0);
    rounded_box(s.get(), {0, 0, 40, 40}, 10, {255, 0, 0}, 128);
    EXPECT_EQ(test::pixel_at(s.get(), 0, 0).a, 0);
    EXPECT_EQ(test::pixel_at(s.get(), 39, 39).a, 0);
    const SDL_Color mid = test::pixel_at(s.get(), 20, 20);
    EXPECT_EQ(mid.a, 128);
    EXPECT_EQ(mid.r, 255);
    fill(s.get(), {-5, -5, 100, 100}, {0, 0, 255});  // clipped, opaque
    EXPECT_EQ(test::pixel_at(s.get(), 0, 0).b, 255);
    EXPECT_EQ(test::pixel_at(s.get(), 0, 0).a, 255);
}

TEST(Paint, PageFormatBlendAgreesWithTheGeneralOne) {
    // The ARGB8888 shortcut against the same blend on a format without the shortcut.
    Surface fast = core::make_alpha_surface(64, 4);
    Surface general(SDL_CreateRGBSurfaceWithFormat(0, 64, 4, 32, SDL_PIXELFORMAT_ABGR8888));
    ASSERT_TRUE(general);
    // Runs of equal pixels after a cleared start, then every pixel different.
    for (int x = 3; x < 64; ++x) {
        const SDL_Rect px{x, 0, 1, 4};
        const int step = x < 32 ? x / 3 * 3 : x;
        const auto a = static_cast<Uint8>(step * 4), r = static_cast<Uint8>(255 - step * 3);
        SDL_FillRect(fast.get(), &px, SDL_MapRGBA(fast->format, r, 40, 200, a));
        SDL_FillRect(general.get(), &px, SDL_MapRGBA(general->format, r, 40, 200, a));
    }
    for (Uint8 alpha : {Uint8{0}, Uint8{1}, Uint8{77}, Uint8{200}, Uint8{255}}) {
        fill(fast.get(), {0, 0, 64, 4}, {10, 220, 90}, alpha);
        fill(general.get(), {0, 0, 64, 4}, {10, 220, 90}, alpha);
        for (int x = 0; x < 64; ++x) {
            const SDL_Color a = test::pixel_at(fast.get(), x, 2), b = test::pixel_at(general.get(), x, 2);
            EXPECT_EQ(std::make_tuple(a.r, a.g, a.b, a.a), std::make_tuple(b.r, b.g, b.b, b.a)) << "x " << x;
        }
    }
}

}  // namespace
}  // namespace ts::paint
