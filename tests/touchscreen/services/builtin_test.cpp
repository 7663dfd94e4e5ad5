// The built-in components the dashboard ships with: fonts and text cache, the background
// picture, and page providers that draw visibly inside their rectangle and nowhere else.
#include "fakes.hpp"
#include "services/builtin.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace ts::services {
namespace {

class Builtins : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError(); }
    void TearDown() override { SDL_Quit(); }
    Knobs knobs;
};

// Counts pixels with any opacity inside and outside a rectangle.
std::pair<int, int> drawn_inside_outside(SDL_Surface* s, SDL_Rect r) {
    int inside = 0, outside = 0;
    for (int y = 0; y < s->h; ++y) {
        for (int x = 0; x < s->w; ++x) {
            if (test::pixel_at(s, x, y).a == 0) continue;
            const SDL_Point p{x, y};
            (SDL_PointInRect(&p, &r) ? inside : outside)++;
        }
    }
    return {inside, outside};
}

TEST_F(Builtins, PagesDrawVisiblyInsideTheirRectangleOnly) {
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
        Surface page = make_alpha_surface(376, 960);
        SDL_FillRect(page.get(), nullptr, 0);
        draw(page.get(), rect);
        const auto [inside, outside] = drawn_inside_outside(page.get(), rect);
        EXPECT_GT(inside, rect.w * rect.h / 20) << test::rect_text(rect);
        EXPECT_EQ(outside, 0) << test::rect_text(rect);
    }
    EXPECT_GT(knobs.text.cached(), 0u);
    knobs.clear_surface_cache();
    EXPECT_EQ(knobs.text.cached(), 0u);
}

TEST_F(Builtins, FontsThatCannotBeOpenedAreAnError) {
    knobs.font_regular = "/nonexistent/font.ttf";
    EXPECT_THROW(knobs.init_fonts(), std::runtime_error);
}

TEST_F(Builtins, BackgroundIsAFullScreenPictureThatFollowsTheDay) {
    knobs.screen_width = 200;
    knobs.screen_height = 300;
    PanelKit panel(knobs);
    panel.hour_now = [] { return 12; };
    Surface noon = panel.create_dynamic_background();
    ASSERT_TRUE(noon);
    EXPECT_EQ(noon->w, 200);
    EXPECT_EQ(noon->h, 300);
    panel.hour_now = [] { return 2; };
    Surface night = panel.create_dynamic_background();
    const SDL_Color a = test::pixel_at(noon.get(), 10, 0), b = test::pixel_at(night.get(), 10, 0);
    EXPECT_NE(std::make_tuple(a.r, a.g, a.b), std::make_tuple(b.r, b.g, b.b));
    // Top to bottom the picture darkens toward the panel's base colour.
    const SDL_Color bottom = test::pixel_at(noon.get(), 10, 299);
    EXPECT_LT(bottom.b, a.b);
}

TEST_F(Builtins, RuntimeDirectoryIsCreatedUnderXdgRuntimeDir) {
    const auto dir = std::filesystem::temp_directory_path() / ("ts-rt-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = old ? old : "";
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    PanelKit panel(knobs);
    panel.init_permission_dirs();
    panel.init_permission_dirs();  // a second start finds it there
    EXPECT_TRUE(std::filesystem::is_directory(dir / "touchscreen"));
    old ? setenv("XDG_RUNTIME_DIR", saved.c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
    std::filesystem::remove_all(dir);
}

TEST(Paint, RoundedBoxLeavesItsCornersUntouchedAndBlendsItsBody) {
    Surface s = make_alpha_surface(40, 40);
    SDL_FillRect(s.get(), nullptr, 0);
    paint::rounded_box(s.get(), {0, 0, 40, 40}, 10, {255, 0, 0}, 128);
    EXPECT_EQ(test::pixel_at(s.get(), 0, 0).a, 0);
    EXPECT_EQ(test::pixel_at(s.get(), 39, 39).a, 0);
    const SDL_Color mid = test::pixel_at(s.get(), 20, 20);
    EXPECT_EQ(mid.a, 128);
    EXPECT_EQ(mid.r, 255);
    paint::fill(s.get(), {-5, -5, 100, 100}, {0, 0, 255});  // clipped, opaque
    EXPECT_EQ(test::pixel_at(s.get(), 0, 0).b, 255);
    EXPECT_EQ(test::pixel_at(s.get(), 0, 0).a, 255);
}

}  // namespace
}  // namespace ts::services

namespace ts::services {
namespace {

TEST(ControlCentreSettings, UnwritableFileKeepsThePanelRunningAndSaysSo) {
    Knobs knobs;
    FeedHub feed;
    PanelKit panel(knobs);
    PullDeck deck(knobs, feed, panel, "/proc/no-such-dir/settings.conf");
    EXPECT_NO_THROW(deck.handle_button_press({"timeout", "60"}));
    EXPECT_EQ(feed.auto_off_seconds(), 60);  // the choice still applies
    EXPECT_NE(deck.save_error(), "");

    const auto path = std::filesystem::temp_directory_path() / ("ts-settings-" + std::to_string(getpid()));
    PullDeck writable(knobs, feed, panel, path.string());
    writable.handle_button_press({"rgb_mode", "breath"});
    EXPECT_EQ(writable.save_error(), "");
    PullDeck restarted(knobs, feed, panel, path.string());
    unsetenv("config_rgb_mode");
    restarted.load_config();
    EXPECT_STREQ(std::getenv("config_rgb_mode"), "breath");
    unsetenv("config_rgb_mode");
    unsetenv("config_rgb_color");
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace ts::services

namespace ts::services {
namespace {

TEST(Paint, PageFormatBlendAgreesWithTheGeneralOne) {
    // The ARGB8888 shortcut against the same blend on a format without the shortcut.
    Surface fast = make_alpha_surface(64, 4);
    Surface general(SDL_CreateRGBSurfaceWithFormat(0, 64, 4, 32, SDL_PIXELFORMAT_ABGR8888));
    ASSERT_TRUE(general);
    for (int x = 0; x < 64; ++x) {
        const SDL_Rect px{x, 0, 1, 4};
        const auto a = static_cast<Uint8>(x * 4), r = static_cast<Uint8>(255 - x * 3);
        SDL_FillRect(fast.get(), &px, SDL_MapRGBA(fast->format, r, 40, 200, a));
        SDL_FillRect(general.get(), &px, SDL_MapRGBA(general->format, r, 40, 200, a));
    }
    for (Uint8 alpha : {Uint8{0}, Uint8{1}, Uint8{77}, Uint8{200}, Uint8{255}}) {
        paint::fill(fast.get(), {0, 0, 64, 4}, {10, 220, 90}, alpha);
        paint::fill(general.get(), {0, 0, 64, 4}, {10, 220, 90}, alpha);
        for (int x = 0; x < 64; ++x) {
            const SDL_Color a = test::pixel_at(fast.get(), x, 2), b = test::pixel_at(general.get(), x, 2);
            EXPECT_EQ(std::make_tuple(a.r, a.g, a.b, a.a), std::make_tuple(b.r, b.g, b.b, b.a)) << "x " << x;
        }
    }
}

}  // namespace
}  // namespace ts::services
