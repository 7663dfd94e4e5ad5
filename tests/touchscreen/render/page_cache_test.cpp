// The page cache: what each page's providers are handed, in which order, and the life of
// the cached surface and the dirty flag around a render.
#include "render_fixture.hpp"

#include <stdexcept>

namespace ts::test {
namespace {

using Calls = std::vector<std::string>;

class PageCache : public RenderTest {
protected:
    SDL_Surface* render(int idx) { return render::_render_page_to_surface(state, f.components, idx); }
};

TEST_F(PageCache, EachPageGetsItsRectanglesWithHeightsAskedFirst) {
    f.config.cpu_height = 200;
    f.config.mem_height = 300;
    f.config.net_height = 250;
    f.config.proc_height = 400;
    const std::array<Calls, 4> expected{{
        {"draw_weather_page (0, 30, 376, 930)"},
        {"get_cpu_height", "get_mem_height", "draw_cpu (12, 12, 352, 200)", "draw_memory (12, 224, 352, 300)"},
        {"draw_disk (12, 12, 352, 936)"},
        {"get_net_height", "get_proc_height", "draw_network (12, 12, 352, 250)",
         "draw_processes None (12, 274, 352, 400)"},
    }};
    for (int idx = 0; idx < 4; ++idx) {
        f.log.clear();
        render(idx);
        EXPECT_EQ(f.log.calls(), expected[static_cast<std::size_t>(idx)]) << "page " << idx;
    }
}

TEST_F(PageCache, OneSurfacePerPageReusedAndClearedEveryTime) {
    SDL_Surface* first = render(2);
    ASSERT_EQ(state._cached_pages.size(), 1u);
    EXPECT_EQ(state._cached_pages.at(2).get(), first);
    EXPECT_EQ(SDL_ISPIXELFORMAT_ALPHA(first->format->format), SDL_TRUE);
    EXPECT_EQ(pixel_at(first, 100, 100).b, 200);  // drawn by the disk provider

    // A mark outside the provider's rectangle, and a provider that now draws elsewhere.
    const SDL_Rect mark{0, 0, 4, 4};
    SDL_FillRect(first, &mark, SDL_MapRGBA(first->format, 255, 255, 255, 255));
    f.pages.page_colors[2] = {0, 90, 0};
    SDL_Surface* second = render(2);

    EXPECT_EQ(second, first);
    EXPECT_EQ(state._cached_pages.size(), 1u);
    EXPECT_EQ(pixel_at(second, 1, 1).a, 0) << "an earlier mark survived the render";
    EXPECT_EQ(pixel_at(second, 100, 100).g, 90);
}

TEST_F(PageCache, DirtyFlagClearedOnlyAfterASuccessfulRender) {
    state._page_dirty[1].set();
    render(1);
    EXPECT_FALSE(state._page_dirty[1].is_set());

    state._page_dirty[1].set();
    f.pages.before_draw = [](int) { throw std::runtime_error("provider failed"); };
    EXPECT_THROW(render(1), std::runtime_error);
    EXPECT_TRUE(state._page_dirty[1].is_set());
    EXPECT_TRUE(state._cached_pages.at(1)) << "the surface stays cached";
}

TEST_F(PageCache, SurfaceKeepsItsSizeWhileRectanglesFollowTheConfiguration) {
    SDL_Surface* s = render(2);
    f.config.screen_width = 400;
    f.config.screen_height = 800;
    f.log.clear();
    EXPECT_EQ(render(2), s);
    EXPECT_EQ(s->w, 376);
    EXPECT_EQ(s->h, 960);
    EXPECT_EQ(f.log.calls(), Calls{"draw_disk (12, 12, 376, 776)"});
}

}  // namespace
}  // namespace ts::test
