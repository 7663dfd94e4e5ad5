// The built-in panel utilities: a background picture that follows the time of day and the
// runtime directory.
#include "fakes.hpp"
#include "panel/panelkit.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <tuple>
#include <unistd.h>

namespace ts::panel {
namespace {

class PanelKitTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError(); }
    void TearDown() override { SDL_Quit(); }
    config::Knobs knobs;
};

TEST_F(PanelKitTest, BackgroundIsAFullScreenPictureThatFollowsTheDay) {
    knobs.screen_width = 200;
    knobs.screen_height = 300;
    PanelKit panel(knobs);
    panel.hour_now = [] { return 12; };
    core::Surface noon = panel.create_dynamic_background();
    ASSERT_TRUE(noon);
    EXPECT_EQ(noon->w, 200);
    EXPECT_EQ(noon->h, 300);
    panel.hour_now = [] { return 2; };
    core::Surface night = panel.create_dynamic_background();
    const SDL_Color a = test::pixel_at(noon.get(), 10, 0), b = test::pixel_at(night.get(), 10, 0);
    EXPECT_NE(std::make_tuple(a.r, a.g, a.b), std::make_tuple(b.r, b.g, b.b));
    // Top to bottom the picture darkens toward the panel's base colour.
    const SDL_Color bottom = test::pixel_at(noon.get(), 10, 299);
    EXPECT_LT(bottom.b, a.b);
}

TEST_F(PanelKitTest, RuntimeDirectoryIsCreatedUnderXdgRuntimeDir) {
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

// Without a backlight the brightness setting darkens the finished picture instead, along the
// backlight's curve; at 100 % the picture is left exactly as drawn.
TEST_F(PanelKitTest, WithoutABacklightBrightnessDimsThePicture) {
    PanelKit panel(knobs);
    struct Case {
        int percent;
        int expected_red;  // of a 200, 100, 40 pixel; green and blue follow the same factor
    } cases[] = {{100, 200}, {50, 200 * hardware::level_for_percent(50, 256, 5) / 256},
                 {5, 200 * hardware::level_for_percent(5, 256, 5) / 256}};
    for (const Case& c : cases) {
        core::Surface surfaces[] = {core::make_opaque_surface(8, 4), core::make_alpha_surface(8, 4)};
        for (const core::Surface& s : surfaces) {
            SDL_FillRect(s.get(), nullptr, SDL_MapRGBA(s->format, 200, 100, 40, 255));
            panel.set_brightness(c.percent);
            panel.finish_frame(s.get());
            const SDL_Color p = test::pixel_at(s.get(), 7, 3);
            EXPECT_EQ(p.r, c.expected_red) << c.percent;
            EXPECT_NEAR(p.g, c.expected_red / 2, 1) << c.percent;
            EXPECT_NEAR(p.b, c.expected_red / 5, 1) << c.percent;
            EXPECT_EQ(p.a, 255) << c.percent;
            EXPECT_GT(p.r, 0) << "the lowest setting still shows the picture";
        }
    }
}

// A frame that changed in a few rows is dimmed there alone: rows and columns outside the
// clip keep what they hold (already dimmed once).
TEST_F(PanelKitTest, DimmingStaysInsideTheClip) {
    PanelKit panel(knobs);
    panel.set_brightness(50);
    const int dimmed = 200 * hardware::level_for_percent(50, 256, 5) / 256;
    struct Case {
        int x, y;
        int expected_red;
    } cases[] = {{2, 3, dimmed}, {9, 6, dimmed}, {2, 2, 200}, {2, 7, 200}, {1, 4, 200}, {10, 4, 200}};
    core::Surface s = core::make_opaque_surface(12, 10);
    SDL_FillRect(s.get(), nullptr, SDL_MapRGB(s->format, 200, 100, 40));
    const SDL_Rect clip{2, 3, 8, 4};
    SDL_SetClipRect(s.get(), &clip);
    panel.finish_frame(s.get());
    for (const Case& c : cases) EXPECT_EQ(test::pixel_at(s.get(), c.x, c.y).r, c.expected_red) << c.x << ", " << c.y;
}

// Every pixel of a row is dimmed the same way, the ones handled four at a time and the
// ones left over at the row's end alike, with the alpha byte untouched.
TEST_F(PanelKitTest, DimmingCoversEveryPixelOfOddWidthRows) {
    PanelKit panel(knobs);
    panel.set_brightness(40);
    const int k = hardware::level_for_percent(40, 256, 5);
    for (const int w : {1, 3, 4, 7, 9}) {
        core::Surface s = core::make_alpha_surface(w, 3);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < w; ++x) {
                const SDL_Rect r{x, y, 1, 1};
                SDL_FillRect(s.get(), &r, SDL_MapRGBA(s->format, 255 - x, 30 * y + x, 7 * x, 128 + x));
            }
        }
        panel.finish_frame(s.get());
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < w; ++x) {
                const SDL_Color p = test::pixel_at(s.get(), x, y);
                EXPECT_EQ(p.r, (255 - x) * k / 256) << w << ": " << x << "," << y;
                EXPECT_EQ(p.g, (30 * y + x) * k / 256) << w << ": " << x << "," << y;
                EXPECT_EQ(p.b, 7 * x * k / 256) << w << ": " << x << "," << y;
                EXPECT_EQ(p.a, 128 + x) << w << ": " << x << "," << y;
            }
        }
    }
}

// Hardware stays untouched unless the program asks for it: a test's PanelKit never scans
// the machine's /sys.
TEST_F(PanelKitTest, HardwareIsOpenedOnlyWhenAskedFor) {
    PanelKit panel(knobs);
    panel.start_hardware(*knobs.settings());
    EXPECT_EQ(panel.devices(), nullptr);
}

}  // namespace
}  // namespace ts::panel
