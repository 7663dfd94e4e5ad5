// The background picture and the rounded corners laid over it.
#include "render_fixture.hpp"

#include "log_capture.hpp"

#include <stdexcept>

namespace ts::test {
namespace {

const Rgb kBase{12, 14, 18};
const Rgb kPicture{100, 150, 200};

using Background = RenderTest;

TEST_F(Background, CornerMasksAreRoundedBaseColourMirroredFourWays) {
    const core::CornerMasks& m = render::_get_corner_masks(state);
    EXPECT_EQ(m.radius, 40);
    struct Probe {
        SDL_Surface* mask;
        const char* name;
        int x, y;
        bool opaque;
    } probes[] = {
        {m.tl.get(), "tl", 0, 0, true},   {m.tl.get(), "tl", 39, 39, false},
        {m.br.get(), "br", 39, 39, true}, {m.br.get(), "br", 0, 0, false},
        {m.tr.get(), "tr", 39, 0, true},  {m.tr.get(), "tr", 0, 39, false},
        {m.bl.get(), "bl", 0, 39, true},  {m.bl.get(), "bl", 39, 0, false},
    };
    for (const Probe& p : probes) {
        ASSERT_EQ(p.mask->w, 40);
        ASSERT_EQ(p.mask->h, 40);
        const SDL_Color c = pixel_at(p.mask, p.x, p.y);
        const std::array<int, 4> got{c.r, c.g, c.b, c.a};
        const std::array<int, 4> want = p.opaque ? std::array<int, 4>{12, 14, 18, 255} : std::array<int, 4>{0, 0, 0, 0};
        EXPECT_EQ(got, want) << p.name << " (" << p.x << ", " << p.y << ")";
    }
    EXPECT_EQ(&render::_get_corner_masks(state), &m) << "built once";
    EXPECT_EQ(render::_get_corner_masks(state).tl.get(), m.tl.get());
}

TEST_F(Background, PictureFromTheComponentWithMasksInTheFourCorners) {
    // The component hands over a picture with alpha; it is converted to the screen's format.
    f.permission.make_background = [] { return solid_alpha_surface(376, 960, {100, 150, 200}); };
    render::check_background(state, f.components, screen);
    ASSERT_TRUE(state._background_surface);
    EXPECT_EQ(state._background_surface->format->format, screen->format->format);
    draw();

    struct Probe {
        int x, y;
        Rgb want;
    } probes[] = {
        {0, 0, kBase},     {39, 39, kPicture},  {40, 0, kPicture},   // "tl" at (0, 0)
        {375, 0, kBase},   {336, 39, kPicture}, {335, 0, kPicture},  // "tr" at (336, 0)
        {0, 959, kBase},   {39, 920, kPicture}, {0, 919, kPicture},  // "bl" at (0, 920)
        {375, 959, kBase}, {336, 920, kPicture}, {375, 919, kPicture},  // "br" at (336, 920)
        {188, 480, kPicture},
    };
    for (const Probe& p : probes) EXPECT_EQ(rgb_at(screen, p.x, p.y), p.want) << "(" << p.x << ", " << p.y << ")";
    EXPECT_EQ(f.log.calls(), std::vector<std::string>{"create_dynamic_background"});
}

TEST_F(Background, FailingComponentLeavesAPlainBaseColourPictureSilently) {
    LogCapture logs;
    f.permission.make_background = []() -> core::Surface { throw std::runtime_error("no picture"); };
    render::check_background(state, f.components, screen);
    SDL_Surface* bg = state._background_surface.get();
    ASSERT_NE(bg, nullptr);
    EXPECT_EQ(bg->w, 376);
    EXPECT_EQ(bg->h, 960);
    EXPECT_EQ(bg->format->Amask, 0u) << "no per-pixel alpha";
    EXPECT_EQ(rgb_at(bg, 200, 500), kBase);
    draw();
    EXPECT_TRUE(state._corner_mask_cache.has_value()) << "masks are drawn over the fallback";
    EXPECT_EQ(rgb_at(screen, 200, 500), kBase);
    EXPECT_TRUE(logs.lines().empty());
}

TEST_F(Background, AbsentPictureMeansBaseFillAndNoMasks) {
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 255, 255, 255));
    render::check_background(state, f.components, screen);  // make_background gives nothing
    EXPECT_FALSE(state._background_surface);
    draw();
    for (const auto& [x, y] : {std::pair{0, 0}, {39, 39}, {200, 500}, {375, 959}}) {
        EXPECT_EQ(rgb_at(screen, x, y), kBase) << "(" << x << ", " << y << ")";
    }
    EXPECT_FALSE(state._corner_mask_cache.has_value());
}

}  // namespace
}  // namespace ts::test
