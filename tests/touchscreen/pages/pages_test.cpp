// The built-in page providers draw visibly inside the rectangle they are given and nowhere
// else, with fonts that must open.
#include "page_test.hpp"
#include "pages/loader.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace ts::pages {
namespace {

using Pages = test::PageTest;

TEST_F(Pages, PagesDrawVisiblyInsideTheirRectangleOnly) {
    knobs.init_fonts();
    BuiltinPageLoader loader(knobs);
    auto clock_page = loader.load_skyclock();
    auto load = loader.load_loadgauge();
    auto storage = loader.load_storegauge();
    auto network = loader.load_linkgauge();
    const std::vector<std::pair<SDL_Rect, std::function<void(SDL_Surface*, SDL_Rect)>>> draws{
        {{0, 30, 376, 930}, [&](SDL_Surface* s, SDL_Rect r) { clock_page->draw_weather_page(s, r); }},
        {{12, 12, 352, 420}, [&](SDL_Surface* s, SDL_Rect r) { load->draw_cpu(s, r); }},
        {{12, 444, 352, 300}, [&](SDL_Surface* s, SDL_Rect r) { load->draw_memory(s, r); }},
        {{12, 12, 352, 936}, [&](SDL_Surface* s, SDL_Rect r) { storage->draw_disk(s, r); }},
        {{12, 12, 352, 300}, [&](SDL_Surface* s, SDL_Rect r) { network->draw_network(s, r); }},
        {{12, 324, 352, 600}, [&](SDL_Surface* s, SDL_Rect r) { network->draw_processes(s, nullptr, r); }},
    };
    for (const auto& [rect, draw] : draws) {
        core::Surface page = core::make_alpha_surface(376, 960);
        SDL_FillRect(page.get(), nullptr, 0);
        draw(page.get(), rect);
        const auto [inside, outside] = test::drawn_inside_outside(page.get(), rect);
        EXPECT_GT(inside, rect.w * rect.h / 20) << test::rect_text(rect);
        EXPECT_EQ(outside, 0) << test::rect_text(rect);
    }
    EXPECT_GT(knobs.text.cached(), 0u);
    knobs.clear_surface_cache();
    EXPECT_EQ(knobs.text.cached(), 0u);
}

TEST_F(Pages, FontsThatCannotBeOpenedAreAnError) {
    knobs.font_regular = "/nonexistent/font.ttf";
    EXPECT_THROW(knobs.init_fonts(), std::runtime_error);
}

}  // namespace
}  // namespace ts::pages
