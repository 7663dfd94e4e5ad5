// The fast compositor against the plain one (SDL blits of fresh surfaces, step by step):
// the same picture, up to 1 per channel, for the page at rest and every slide frame.
#include "render_fixture.hpp"

#include "sample_page.hpp"

#include "render/frame_cache.hpp"
#include "render/layers.hpp"

#include <functional>
#include <sstream>

namespace ts::test {
namespace {

// A background picture with a different colour on every row, so a shifted row shows.
core::Surface gradient_background() {
    core::Surface s = core::make_alpha_surface(376, 960);
    for (int y = 0; y < 960; ++y) {
        const SDL_Rect row{0, y, 376, 1};
        SDL_FillRect(s.get(), &row, SDL_MapRGBA(s->format, y % 256, 255 - y % 256, (y * 7) % 256, 255));
    }
    return s;
}

// Largest difference of any channel between two screens, with where it is.
std::string worst_difference(SDL_Surface* screen_a, SDL_Surface* screen_b, int& worst) {
    // Read both as 32-bit xRGB whatever their own format.
    core::Surface a(SDL_ConvertSurfaceFormat(screen_a, SDL_PIXELFORMAT_RGB888, 0));
    core::Surface b(SDL_ConvertSurfaceFormat(screen_b, SDL_PIXELFORMAT_RGB888, 0));
    if (!a || !b) return SDL_GetError();
    worst = 0;
    std::ostringstream at;
    for (int y = 0; y < a->h; ++y) {
        for (int x = 0; x < a->w; ++x) {
            const Rgb p = rgb_at(a.get(), x, y), q = rgb_at(b.get(), x, y);
            for (int i = 0; i < 3; ++i) {
                if (std::abs(p[i] - q[i]) > worst) {
                    worst = std::abs(p[i] - q[i]);
                    at.str("");
                    at << "(" << x << ", " << y << ") channel " << i << ": " << p[i] << " vs " << q[i];
                }
            }
        }
    }
    return at.str();
}

class FastPath : public RenderTest {
protected:
    void prepare(Uint32 format) {
        plain_screen.reset(SDL_CreateRGBSurfaceWithFormat(0, 376, 960, SDL_BITSPERPIXEL(format), format));
        fast_screen.reset(SDL_CreateRGBSurfaceWithFormat(0, 376, 960, SDL_BITSPERPIXEL(format), format));
        ASSERT_TRUE(plain_screen && fast_screen) << SDL_GetError();
        f.permission.make_background = gradient_background;
        render::check_background(state, f.components, fast_screen.get());
        for (int idx = 0; idx < 4; ++idx) {
            state._cached_pages[idx] = core::make_alpha_surface(376, 960);
            draw_sample_page(state._cached_pages[idx].get(), 11 + idx);
        }
        // Glass over page 2: a translucent panel on top of its text.
        SDL_Surface* p2 = state._cached_pages[2].get();
        const SDL_Rect glass{30, 300, 250, 200};
        SDL_FillRect(p2, &glass, SDL_MapRGBA(p2->format, 28, 32, 40, 200));
    }

    // Draws the frame set up in `state` both ways, from the same transition state.
    void draw_both() {
        const bool transitioning = state._page_transitioning;
        const double progress = state._page_transition_progress;
        render::draw_page_with_transition(state, f.components, plain_screen.get(), render::Compositor::plain);
        state._page_transitioning = transitioning;
        state._page_transition_progress = progress;
        render::draw_page_with_transition(state, f.components, fast_screen.get(), render::Compositor::fast);
    }

    core::Surface plain_screen, fast_screen;
};

TEST_F(FastPath, SamePictureAtRestAndInEverySlideFrame) {
    struct Screen {
        const char* name;
        Uint32 format;
        bool fast;             // whether our loops take this screen at all
        bool fast_background;  // a picture converted to ARGB keeps its alpha, so SDL blends it
    } screens[] = {
        {"xRGB8888", SDL_PIXELFORMAT_RGB888, true, true},
        {"ARGB8888", SDL_PIXELFORMAT_ARGB8888, true, false},
        {"RGB565", SDL_PIXELFORMAT_RGB565, false, false},
    };
    for (const Screen& s : screens) {
        prepare(s.format);
        state._previous_page = 1;
        state._current_page = 2;
        int worst = 0;
        state._page_transitioning = false;
        draw_both();
        std::string where = worst_difference(plain_screen.get(), fast_screen.get(), worst);
        EXPECT_LE(worst, kSdlBlendTolerance) << s.name << " at rest, " << where;
        if (s.fast) {
            ASSERT_TRUE(state._frame_cache);
            EXPECT_FALSE(state._frame_cache->page_runs[2].stale) << "the page went the fast way";
            EXPECT_EQ(state._frame_cache->composed_from == state._background_surface.get(), s.fast_background);
            EXPECT_EQ(state._frame_cache->rest_page, state._cached_pages.at(2).get()) << "a resting picture was kept";
        }
        for (const int direction : {+1, -1}) {
            render::_start_page_transition(state, direction);
            for (int k = 0; k < 10; ++k) {
                draw_both();
                where = worst_difference(plain_screen.get(), fast_screen.get(), worst);
                EXPECT_LE(worst, kSdlBlendTolerance) << s.name << " direction " << direction << " k = " << k << ", " << where;
            }
        }
        if (s.fast) {
            EXPECT_FALSE(state._frame_cache->page_runs[1].stale) << "the slide went the fast way";
        }
    }
}

TEST_F(FastPath, NewRenderNewBackgroundOrNewSizeIsPickedUp) {
    prepare(SDL_PIXELFORMAT_RGB888);
    state._current_page = 2;
    draw_both();
    draw_both();  // now from the kept resting picture
    int worst = 0;
    // A configured width smaller than the screen moves the right-hand masks.
    f.config.screen_width = 300;
    draw_both();
    std::string where = worst_difference(plain_screen.get(), fast_screen.get(), worst);
    EXPECT_LE(worst, kSdlBlendTolerance) << where;
    EXPECT_EQ(rgb_at(fast_screen.get(), 299, 0), (Rgb{12, 14, 18}));
    f.config.screen_width = 376;
    // The provider draws something else, and the background changes: nothing stale may show.
    state._page_dirty[2].set();
    f.pages.page_colors[2] = {10, 220, 30};
    f.permission.make_background = [] { return solid_alpha_surface(376, 960, {90, 60, 30}); };
    render::check_background(state, f.components, fast_screen.get());
    draw_both();
    where = worst_difference(plain_screen.get(), fast_screen.get(), worst);
    EXPECT_LE(worst, kSdlBlendTolerance) << where;
    EXPECT_EQ(rgb_at(fast_screen.get(), 6, 600), (Rgb{90, 60, 30}));    // background, outside the disk rectangle
    EXPECT_EQ(rgb_at(fast_screen.get(), 100, 600), (Rgb{10, 220, 30}));  // the new render

    // Rendered again during a slide: the page at rest afterwards is the new picture.
    state._previous_page = 1;
    state._page_dirty[2].set();
    f.pages.page_colors[2] = {200, 20, 120};
    render::_start_page_transition(state, +1);
    for (int k = 0; k < 10; ++k) draw_both();
    draw_both();
    EXPECT_EQ(rgb_at(fast_screen.get(), 100, 600), (Rgb{200, 20, 120}));
}

// The first slide frame starts from the picture kept at rest while it still shows the old
// page as it is, and only then: not after a render of that page, nor after a new background.
TEST_F(FastPath, FirstSlideFrameStartsFromTheKeptPictureOnlyWhileItIsCurrent) {
    prepare(SDL_PIXELFORMAT_RGB888);
    const auto at_rest_then_first_frame = [&](const std::function<void()>& between) {
        state._page_transitioning = false;
        state._page_transition_progress = 0;
        state._current_page = 1;
        draw_both();
        between();
        state._previous_page = 1;
        state._current_page = 2;
        render::_start_page_transition(state, -1);
        draw_both();
    };
    const auto expect_same_pictures = [&](const char* when) {
        int worst = 0;
        const std::string where = worst_difference(plain_screen.get(), fast_screen.get(), worst);
        EXPECT_LE(worst, kSdlBlendTolerance) << when << ", " << where;
    };
    // A mark in the kept picture where the page is clear shows that the frame came from it.
    const SDL_Rect mark{5, 5, 1, 1};
    at_rest_then_first_frame([&] {
        SDL_Surface* rest = state._frame_cache->rest.get();
        SDL_FillRect(rest, &mark, SDL_MapRGB(rest->format, 255, 0, 255));
    });
    EXPECT_EQ(rgb_at(fast_screen.get(), 5, 5), (Rgb{255, 0, 255}));
    SDL_FillRect(plain_screen.get(), &mark, SDL_MapRGB(plain_screen->format, 255, 0, 255));
    expect_same_pictures("from the kept picture");

    at_rest_then_first_frame([&] {
        state._page_dirty[1].set();
        f.pages.page_colors[1] = {10, 220, 30};
    });
    expect_same_pictures("after a render of the old page");
    at_rest_then_first_frame([&] {
        f.permission.make_background = [] { return solid_alpha_surface(376, 960, {90, 60, 30}); };
        render::check_background(state, f.components, fast_screen.get());
    });
    expect_same_pictures("after a new background");
}

// The two ghosts in one pass, over runs as close as runs come (one merge gap apart), at every
// kind of distance between the copies and cut by either screen edge: the same as two blits.
TEST_F(FastPath, GhostPairsBetweenCloseRunsAndAtTheEdges) {
    prepare(SDL_PIXELFORMAT_RGB888);
    SDL_Surface* page = state._cached_pages[1].get();
    SDL_FillRect(page, nullptr, SDL_MapRGBA(page->format, 0, 0, 0, 0));
    for (int y = 0; y < page->h; ++y) {
        for (int x = y % 3 * 8, w = 8 + y % 4 * 8; x < page->w; x += w + 16) {
            const SDL_Rect run{x, y, w, 1};
            SDL_FillRect(page, &run, SDL_MapRGBA(page->format, 255, 255 - y % 256, 255, 255));
        }
    }
    render::FrameCache& cache = render::frame_cache(state);
    for (const int x_a : {-40, -3, 0, 5, 340, 372}) {
        for (const int distance : {-15, -7, -1, 1, 4, 9, 15}) {
            for (SDL_Surface* s : {plain_screen.get(), fast_screen.get()}) SDL_FillRect(s, nullptr, 0);
            render::plain::page(plain_screen.get(), page, x_a, 0, 30);
            render::plain::page(plain_screen.get(), page, x_a + distance, 0, 20);
            ASSERT_TRUE(render::fast::page_pair(cache, fast_screen.get(), 1, page, x_a, x_a + distance, 0, 30, 20));
            int worst = 0;
            const std::string where = worst_difference(plain_screen.get(), fast_screen.get(), worst);
            EXPECT_LE(worst, kSdlBlendTolerance) << "copies at " << x_a << " and " << x_a + distance << ", " << where;
        }
    }
}

}  // namespace
}  // namespace ts::test
