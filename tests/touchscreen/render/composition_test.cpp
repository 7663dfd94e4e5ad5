// Frame composition: the page at rest, the ten slide frames in both directions, when pages
// are rendered, and that the slide leaves the cached pages as they were.
#include "render_fixture.hpp"

#include <cstring>
#include <sstream>

namespace ts::test {
namespace {

const Rgb kBack{40, 40, 40};   // background picture
const Rgb kPrev{250, 0, 0};    // previous page, opaque everywhere...
const Rgb kStripe{0, 250, 0};  // ...but for source rows 900-909
const Rgb kCurr{0, 0, 250};    // current page, opaque everywhere
constexpr int kPrevPage = 1, kCurrPage = 2;

// The model blends without rounding. SDL's blitters round every blend down, by less than 3
// per channel, and so does the fast path, which follows them: the screen may fall short of
// the model by up to 3 per translucent layer.
using Colour = std::array<double, 3>;
struct Expected {
    Colour colour;
    int translucent_layers;
};

Colour over(const Colour& d, const Rgb& s, int alpha) {
    Colour out{};
    for (int i = 0; i < 3; ++i) out[i] = (s[i] * alpha + d[i] * (255 - alpha)) / 255.0;
    return out;
}

Rgb prev_content(int source_row) { return source_row >= 900 && source_row < 910 ? kStripe : kPrev; }

// One slide frame's layers on 376 x 960, worked out by hand from the easing.
struct SlideCase {
    int s, k;
    int scaled_w, scaled_h, prev_x, prev_y, prev_alpha;
    int ghost_x[2], ghost_alpha[2];
    int curr_x;

    Expected expected(int x, int y) const {
        Expected e{{double(kBack[0]), double(kBack[1]), double(kBack[2])}, 0};
        auto lay = [&e](const Rgb& colour, int alpha) {
            e.colour = over(e.colour, colour, alpha);
            e.translucent_layers += alpha > 0 && alpha < 255;
        };
        if (x >= prev_x && x < prev_x + scaled_w && y >= prev_y && y < prev_y + scaled_h) {
            lay(prev_content((y - prev_y) * 960 / scaled_h), prev_alpha);
        }
        for (int i = 0; i < 2; ++i) {
            if (x >= ghost_x[i] && x < ghost_x[i] + 376) lay(prev_content(y), ghost_alpha[i]);
        }
        if (x >= curr_x && x < curr_x + 376) e = {{double(kCurr[0]), double(kCurr[1]), double(kCurr[2])}, 0};
        return e;
    }
};

const SlideCase kSlides[] = {
    {+1, 0, 376, 960, 0, 0, 255, {0, 0}, {30, 20}, -376},
    {+1, 1, 355, 907, 111, 26, 206, {103, 106}, {21, 14}, -274},
    {+1, 5, 310, 792, 362, 84, 98, {337, 346}, {3, 2}, -47},
    {+1, 9, 300, 768, 413, 96, 76, {384, 394}, {0, 0}, 0},
    {-1, 0, 376, 960, 0, 0, 255, {0, 0}, {30, 20}, 376},
    {-1, 1, 355, 907, -91, 26, 206, {-103, -106}, {21, 14}, 274},
    {-1, 5, 310, 792, -296, 84, 98, {-337, -346}, {3, 2}, 47},
    {-1, 9, 300, 768, -337, 96, 76, {-384, -394}, {0, 0}, 0},
};

bool in_corner(int x, int y) { return (x < 40 || x >= 336) && (y < 40 || y >= 920); }

class Composition : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        use_background({40, 40, 40});
        SDL_Surface* prev = cache_page(kPrevPage, {250, 0, 0});
        const SDL_Rect stripe{0, 900, 376, 10};
        SDL_FillRect(prev, &stripe, SDL_MapRGBA(prev->format, 0, 250, 0, 255));
        cache_page(kCurrPage, {0, 0, 250});
        state._previous_page = kPrevPage;
        state._current_page = kCurrPage;
    }

    // Every pixel outside the corner masks against the model; a description of the misses.
    std::string mismatches(const SlideCase& c) {
        std::ostringstream out;
        int misses = 0;
        for (int y = 0; y < 960; ++y) {
            for (int x = 0; x < 376; ++x) {
                if (in_corner(x, y)) continue;
                const Expected e = c.expected(x, y);
                const Colour& want = e.colour;
                const Rgb got = rgb_at(screen, x, y);
                bool close = true;
                for (int i = 0; i < 3; ++i) {
                    close = close && got[i] >= want[i] - 3 * e.translucent_layers - 1 && got[i] <= want[i] + 1;
                }
                if (!close && misses++ < 5) {
                    out << " (" << x << ", " << y << ") got " << got[0] << "," << got[1] << "," << got[2] << " want "
                        << want[0] << "," << want[1] << "," << want[2] << ";";
                }
            }
        }
        if (misses > 0) out << " " << misses << " pixels differ";
        return out.str();
    }
};

TEST_F(Composition, SlideFramesMatchTheTableInBothDirections) {
    for (const SlideCase& c : kSlides) {
        state._page_transitioning = false;
        render::_start_page_transition(state, c.s);
        state._page_transition_progress = c.k;
        draw();
        EXPECT_EQ(mismatches(c), "") << "s = " << c.s << ", k = " << c.k;
    }
}

TEST_F(Composition, DirectionZeroSlidesLikeALeftwardSwipe) {
    render::_start_page_transition(state, 0);
    state._page_transition_progress = 1;
    draw();
    EXPECT_EQ(mismatches(kSlides[5]), "");  // s = -1, k = 1: the new page enters from the right
}

TEST_F(Composition, TenSlideFramesThenThePageAtRest) {
    render::_start_page_transition(state, +1);
    for (int frame = 1; frame <= 10; ++frame) {
        ASSERT_TRUE(state._page_transitioning) << "before frame " << frame;
        draw();
        EXPECT_EQ(state._page_transition_progress, frame == 10 ? 0 : frame);
    }
    EXPECT_FALSE(state._page_transitioning);
    // Only the current page at (0, 0) now: a previous page left of it would show through.
    cache_page(kCurrPage, {0, 0, 250});
    SDL_Surface* curr = state._cached_pages.at(kCurrPage).get();
    const SDL_Rect hole{0, 0, 100, 960};
    SDL_FillRect(curr, &hole, SDL_MapRGBA(curr->format, 0, 0, 0, 0));
    draw();
    EXPECT_EQ(rgb_at(screen, 50, 500), kBack);
    EXPECT_EQ(rgb_at(screen, 100, 500), kCurr);
    EXPECT_FALSE(state._page_transitioning);
    EXPECT_EQ(state._page_transition_progress, 0);
}

TEST_F(Composition, StartingDuringASlideChangesNothing) {
    render::_start_page_transition(state, +1);
    draw();
    draw();
    render::_start_page_transition(state, -1);
    EXPECT_EQ(state._page_transition_direction, +1);
    EXPECT_EQ(state._page_transition_progress, 2);
    EXPECT_TRUE(state._page_transitioning);
}

TEST_F(Composition, SlideLeavesTheCachedPagesUntouched) {
    auto snapshot = [](SDL_Surface* s) {
        const auto* p = static_cast<const Uint8*>(s->pixels);
        return std::vector<Uint8>(p, p + static_cast<std::size_t>(s->pitch) * s->h);
    };
    SDL_Surface* prev = state._cached_pages.at(kPrevPage).get();
    SDL_Surface* curr = state._cached_pages.at(kCurrPage).get();
    // Translucent content too: an opacity set on the cached surface itself would show here.
    const SDL_Rect glass{50, 50, 100, 100};
    SDL_FillRect(prev, &glass, SDL_MapRGBA(prev->format, 9, 9, 9, 100));
    const auto prev_before = snapshot(prev), curr_before = snapshot(curr);
    for (const int direction : {+1, -1}) {
        render::_start_page_transition(state, direction);
        for (int frame = 0; frame < 10; ++frame) draw();
    }
    EXPECT_EQ(state._cached_pages.at(kPrevPage).get(), prev);
    EXPECT_EQ(state._cached_pages.at(kCurrPage).get(), curr);
    EXPECT_TRUE(snapshot(prev) == prev_before);
    EXPECT_TRUE(snapshot(curr) == curr_before);
    Uint8 alpha = 0;
    SDL_GetSurfaceAlphaMod(prev, &alpha);
    EXPECT_EQ(alpha, 255);
}

class WhenPagesRender : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        f.config.cpu_height = 200;
        f.config.mem_height = 300;
        state._previous_page = 1;
        state._current_page = 2;
    }
    const std::vector<std::string> kPage1{"get_cpu_height", "get_mem_height", "draw_cpu (12, 12, 352, 200)",
                                          "draw_memory (12, 224, 352, 300)"};
    const std::vector<std::string> kPage2{"draw_disk (12, 12, 352, 936)"};
};

TEST_F(WhenPagesRender, AtRestOnlyADirtyCurrentPageIsRendered) {
    draw();  // not dirty, never rendered: background only
    EXPECT_TRUE(f.log.calls().empty());
    state._page_dirty[2].set();
    draw();
    EXPECT_EQ(f.log.calls(), kPage2);
    EXPECT_EQ(rgb_at(screen, 100, 100), (Rgb{0, 0, 200}));
    f.log.clear();
    draw();
    EXPECT_TRUE(f.log.calls().empty()) << "a clean page is shown from the cache";
    EXPECT_EQ(rgb_at(screen, 100, 100), (Rgb{0, 0, 200}));
}

TEST_F(WhenPagesRender, ASlideRendersANeverRenderedOrDirtyPagePreviousFirst) {
    struct Case {
        bool prev_cached, prev_dirty, curr_cached, curr_dirty;
        bool renders_prev, renders_curr;
    } cases[] = {
        {false, false, true, false, true, false},  // never rendered, though its flag is clear
        {true, true, true, false, true, false},
        {true, false, true, true, false, true},
        {false, false, false, false, true, true},
        {true, false, true, false, false, false},
    };
    for (const Case& c : cases) {
        state._cached_pages.clear();
        if (c.prev_cached) cache_page(1, {250, 0, 0});
        if (c.curr_cached) cache_page(2, {0, 0, 250});
        if (c.prev_dirty) state._page_dirty[1].set();
        if (c.curr_dirty) state._page_dirty[2].set();
        state._page_transitioning = false;
        render::_start_page_transition(state, +1);
        f.log.clear();
        draw();
        std::vector<std::string> want;
        if (c.renders_prev) want.insert(want.end(), kPage1.begin(), kPage1.end());
        if (c.renders_curr) want.insert(want.end(), kPage2.begin(), kPage2.end());
        EXPECT_EQ(f.log.calls(), want) << c.prev_cached << c.prev_dirty << c.curr_cached << c.curr_dirty;
        EXPECT_FALSE(state._page_dirty[1].is_set());
        EXPECT_FALSE(state._page_dirty[2].is_set());
    }
}

}  // namespace
}  // namespace ts::test
