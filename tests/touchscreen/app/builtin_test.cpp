// The built-in wiring: when the idle time darkens the screen the control centre is gone at
// once, so a tap where one of its buttons was only wakes the screen and changes no setting.
#include "app/builtin.hpp"
#include "input/gesture.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace ts::app {
namespace {

TEST(BuiltinWiring, ScreenOffClosesTheCentreAtOnceAndTheWakingTapPressesNothing) {
    const auto dir = std::filesystem::temp_directory_path() / ("ts-builtin-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string settings = (dir / "settings.conf").string();
    setenv("TOUCHSCREEN_SETTINGS", settings.c_str(), 1);
    {
        Builtin b;
        core::AppState state;
        const auto point = [&](int x, int y) { input::handle_touch_point(state, b.components, [](int) {}, x, y); };
        const auto release = [&] { input::handle_touch_release(state, b.components); };
        b.feedhub.set_auto_off_seconds(30);
        b.pulldeck.open_settings();
        for (int i = 0; i < 5; ++i) b.pulldeck.update_settings_animation();
        const int never_x = 24 + 3 * 84 + 30, timeout_y = 270;
        ASSERT_TRUE(b.pulldeck.get_button_at(never_x, timeout_y)) << "the never button is there while open";

        b.feedhub.turn_off();
        EXPECT_FALSE(b.pulldeck.is_settings_open());
        EXPECT_EQ(b.pulldeck.get_settings_progress(), 0.0);  // no closing slide either

        point(never_x, timeout_y);
        release();
        EXPECT_TRUE(b.feedhub.get_screen_status());
        EXPECT_EQ(state._current_page, 0);
        EXPECT_EQ(b.feedhub.auto_off_seconds(), 30);
        EXPECT_FALSE(std::filesystem::exists(settings)) << "nothing was pressed, so nothing was stored";
    }
    unsetenv("TOUCHSCREEN_SETTINGS");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace ts::app
