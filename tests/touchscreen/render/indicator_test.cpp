// The page indicator: four dots centred in the top strip, the current page's in "accent".
#include "render_fixture.hpp"

namespace ts::test {
namespace {

TEST(Indicator, DotsCentredOnAnyWidthWithTheCurrentPageHighlighted) {
    FakeConfig config;
    const Rgb accent{0, 170, 255}, gray{110, 118, 130}, blank{1, 2, 3};
    struct Case {
        int width, current;
        std::array<int, 4> centres;  // x of each dot on y = 15
    } cases[] = {
        {376, 0, {155, 177, 199, 221}},
        {376, 2, {155, 177, 199, 221}},
        {400, 3, {167, 189, 211, 233}},  // start_x 163
        {375, 1, {154, 176, 198, 220}},  // start_x 150: the odd pixel goes to the right
    };
    for (const Case& c : cases) {
        config.screen_width = c.width;
        core::AppState state;
        state._current_page = c.current;
        core::Surface screen = core::make_opaque_surface(c.width, 40);
        SDL_FillRect(screen.get(), nullptr, SDL_MapRGB(screen->format, 1, 2, 3));
        render::_draw_page_indicator(state, config, screen.get());
        for (int i = 0; i < 4; ++i) {
            const int cx = c.centres[static_cast<std::size_t>(i)];
            const Rgb want = i == c.current ? accent : gray;
            // A radius-4 dot: its centre row reaches 4 px either side and no further.
            EXPECT_EQ(rgb_at(screen.get(), cx, 15), want) << c.width << " dot " << i;
            EXPECT_EQ(rgb_at(screen.get(), cx - 4, 15), want) << c.width << " dot " << i;
            EXPECT_EQ(rgb_at(screen.get(), cx + 4, 15), want) << c.width << " dot " << i;
            EXPECT_EQ(rgb_at(screen.get(), cx - 5, 15), blank) << c.width << " dot " << i;
            EXPECT_EQ(rgb_at(screen.get(), cx + 5, 15), blank) << c.width << " dot " << i;
            EXPECT_EQ(rgb_at(screen.get(), cx, 10), blank) << c.width << " dot " << i;
        }
    }
}

}  // namespace
}  // namespace ts::test
