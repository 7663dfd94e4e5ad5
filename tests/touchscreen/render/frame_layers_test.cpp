// A frame with the control centre over it: composed darkened as the page is copied, the
// picture must be the one darkened after composing, to the bit, in every frame of the
// control centre's slide, and wherever the darkening cannot be folded into the copy.
#include "render_fixture.hpp"
#include "sample_page.hpp"

#include "controlcentre/pulldeck.hpp"
#include "render/pixels.hpp"

#include <cstring>
#include <string>
#include <vector>

namespace ts::render {
namespace {

using test::RenderTest;

class FrameLayers : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        use_background({40, 90, 160});
        for (int idx = 0; idx < core::PAGE_COUNT; ++idx) {
            state._cached_pages[idx] = core::make_alpha_surface(376, 960);
            test::draw_sample_page(state._cached_pages[idx].get(), 7 + static_cast<unsigned>(idx));
            state._page_dirty[static_cast<std::size_t>(idx)].clear();
        }
        state._previous_page = 1;
        state._current_page = 2;
    }
    // A screen-sized surface; with `gap`, each row is followed by that many unused pixels.
    core::Surface surface(Uint32 format, int gap = 0) {
        core::Surface s;
        if (gap == 0) {
            s.reset(SDL_CreateRGBSurfaceWithFormat(0, 376, 960, 32, format));
        } else {
            buffers.emplace_back(static_cast<std::size_t>((376 + gap) * 960), 0u);
            s.reset(SDL_CreateRGBSurfaceWithFormatFrom(buffers.back().data(), 376, 960, 32, (376 + gap) * 4, format));
        }
        EXPECT_TRUE(s) << SDL_GetError();
        return s;
    }
    std::vector<std::vector<std::uint32_t>> buffers;
    // The layers one by one, the control centre darkening the screen itself.
    void draw_apart(SDL_Surface* to) {
        _draw_page_with_transition(state, with_deck, to);
        _draw_page_indicator(state, f.config, to);
        deck.draw_settings_panel(to);
    }
    static bool same(SDL_Surface* a, SDL_Surface* b) {
        return std::memcmp(a->pixels, b->pixels, static_cast<std::size_t>(a->pitch) * a->h) == 0;
    }

    config::Knobs knobs;
    data::FeedHub feed;
    panel::PanelKit panel{knobs};
    controlcentre::PullDeck deck{knobs, feed, panel, "/proc/no-such-dir/settings.conf"};
    services::Components with_deck{f.config, f.permission, f.data_mgr, deck, f.pages, {}, {}, {}, {}};
};

TEST_F(FrameLayers, SamePictureAsDarkeningAfterwardsInEveryStepOfTheSlide) {
    const Uint32 screen_format = screen->format->format;
    struct Case {
        const char* name;
        Uint32 format;
        int slide_frame;     // -1: the page at rest
        bool folded;         // whether the darkening can ride on the copy
        int gap = 0;         // unused pixels after each row of the screen
    } cases[] = {
        {"at rest", screen_format, -1, true},
        {"at rest, rows with gaps", screen_format, -1, true, 8},
        {"first slide frame", screen_format, 0, false},
        {"slide frame 4", screen_format, 4, false},
        {"at rest, BGR screen", SDL_PIXELFORMAT_BGR888, -1, false},
    };
    for (const Case& c : cases) {
        deck.close_at_once();
        deck.open_settings();
        // probe: whether the darkening is folded in, drawn apart so that `together` sees one
        // frame per step (SDL's blits carry an xBGR screen's unused byte over from before).
        core::Surface apart = surface(c.format, c.gap), together = surface(c.format, c.gap),
                      probe = surface(c.format, c.gap);
        // Opening steps 1-5, then closing 4, 3, 2, 1 and closed.
        for (int frame = 0; frame < 10; ++frame) {
            if (frame == 5) deck.close_settings();
            deck.update_settings_animation();
            const std::string at = std::string(c.name) + ", frame " + std::to_string(frame);
            const auto place = [&] {
                state._page_transitioning = c.slide_frame >= 0;
                state._page_transition_direction = -1;
                state._page_transition_progress = std::max(c.slide_frame, 0);
            };
            place();
            draw_apart(apart.get());
            place();
            const std::uint32_t dim = deck.backdrop_dim();
            EXPECT_EQ(dim, frame < 5 ? 24u * static_cast<unsigned>(frame + 1) : 24u * static_cast<unsigned>(9 - frame)) << at;
            const bool folded =
                draw_page_with_transition(state, with_deck, probe.get(), Compositor::fast, dim) && dim > 0;
            EXPECT_EQ(folded, c.folded && dim > 0) << at;
            place();
            draw_frame_layers(state, with_deck, together.get());
            EXPECT_TRUE(same(apart.get(), together.get())) << at;
        }
        EXPECT_EQ(deck.get_settings_progress(), 0.0) << c.name;
    }
    state._page_transitioning = false;
}

// The dots in darkened colours are the dots darkened afterwards.
TEST_F(FrameLayers, IndicatorInDarkenedColours) {
    core::Surface apart = surface(screen->format->format), together = surface(screen->format->format);
    for (const std::uint32_t dim : {0u, 1u, 24u, 120u, 254u, 255u}) {
        for (SDL_Surface* s : {apart.get(), together.get()}) SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 200, 150, 100));
        for (int y = 0; y < 960; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(together->pixels) + y * together->pitch);
            pixels::darken_row(row, 376, dim);
        }
        _draw_page_indicator(state, f.config, apart.get());
        for (int y = 0; y < 960; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(apart->pixels) + y * apart->pitch);
            pixels::darken_row(row, 376, dim);
        }
        draw_page_indicator(state, f.config, together.get(), dim);
        EXPECT_TRUE(same(apart.get(), together.get())) << "dim " << dim;
    }
}

}  // namespace
}  // namespace ts::render
