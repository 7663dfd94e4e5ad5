// The built-in page providers draw visibly inside the rectangle they are given and nowhere
// else, with fonts that must open.
#include "page_test.hpp"
#include "pages/loader.hpp"
#include "pages/skyclock.hpp"

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

std::vector<std::uint8_t> pixels_of(SDL_Surface* s) {
    const auto* p = static_cast<const std::uint8_t*>(s->pixels);
    return {p, p + static_cast<std::ptrdiff_t>(s->pitch) * s->h};
}

// The clock page drawn again and again (several times a second) copies its cards, or the
// disk-activity card without its figures, where what they show is unchanged: every render
// gives the very pixels a first drawing of the whole page gives.
TEST_F(Pages, ClockPageCardsDrawnAgainLookTheSame) {
    knobs.init_fonts();
    auto snapshot = [](const char* host, double read_rate) {
        auto snap = std::make_shared<sysdata::Snapshot>();
        snap->hostname = host;
        snap->uptime = 3600;
        snap->disk.read_rate = read_rate;
        return std::shared_ptr<const sysdata::Snapshot>(std::move(snap));
    };
    std::shared_ptr<const sysdata::Snapshot> shown = snapshot("board", 1000);
    int second = 7;
    const auto set_up = [&](SkyClock& page) {
        page.local_time = [&] {
            std::tm t{};
            t.tm_year = 126, t.tm_mon = 11, t.tm_mday = 9, t.tm_hour = 21, t.tm_min = 5, t.tm_sec = second;
            return t;
        };
        page.unix_time = [] { return 1'796'850'000.0; };
    };
    SkyClock page(knobs, [&] { return shown; });
    set_up(page);
    const auto render = [](SkyClock& p) {
        core::Surface s = core::make_alpha_surface(376, 960);
        SDL_FillRect(s.get(), nullptr, 0);
        p.draw_weather_page(s.get(), {0, 30, 376, 930});
        return pixels_of(s.get());
    };
    struct Step {
        const char* name;
        std::function<void()> change;
    } steps[] = {
        {"first drawing", [] {}},
        {"the same snapshot", [] {}},
        {"a second later", [&] { second = 8; }},
        {"the same second again", [] {}},
        {"a new snapshot with the same figures", [&] { shown = snapshot("board", 1000); }},
        {"another host", [&] { shown = snapshot("other", 1000); }},
        {"another rate", [&] { shown = snapshot("other", 5e6); }},
        {"new colours", [&] {
             config::Settings s = *knobs.settings();
             s.theme.colors["card"] = {90, 10, 10};
             s.theme.colors["accent"] = {10, 200, 10};
             knobs.apply(s);
         }},
        {"no snapshot", [&] { shown = nullptr; }},
    };
    for (const Step& step : steps) {
        step.change();
        SkyClock fresh(knobs, [&] { return shown; });
        set_up(fresh);
        TextTrace texts;
        fresh.trace = &texts;  // the activity card drawn whole, in one step
        EXPECT_TRUE(render(page) == render(fresh)) << step.name;
    }
}

TEST_F(Pages, FontsThatCannotBeOpenedAreAnError) {
    knobs.font_regular = "/nonexistent/font.ttf";
    EXPECT_THROW(knobs.init_fonts(), std::runtime_error);
}

}  // namespace
}  // namespace ts::pages
