// The built-in control centre and data manager driven through the touch handling, as on
// the device: taps, slide-off and sliders change the stored settings, and the screen goes
// dark after the chosen idle time and wakes on touch.
#include "input/gesture.hpp"

#include "fakes.hpp"
#include "reader_scripts.hpp"
#include "controlcentre/pulldeck.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace ts::services {
namespace {

// Screen rows of the open panel: timeout buttons at y 252-303, the close bar at 392-427, the
// two slider tracks at 84-123 and 168-207 from x = 24 to 351; buttons are 84 px apart.
constexpr int kTimeoutRow = 270, kCloseRow = 400, kBrightnessRow = 100, kColourRow = 185;
int button_x(int column) { return 24 + column * 84 + 30; }

class BuiltinPanel : public ::testing::Test {
protected:
    BuiltinPanel() {
        deck.open_settings();
        for (int i = 0; i < 5; ++i) deck.update_settings_animation();  // fully open
    }
    void point(int x, int y) { input::handle_touch_point(state, components, [](int) {}, x, y); }
    void release() { input::handle_touch_release(state, components); }
    std::string stored() const {
        std::ifstream in(settings);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    test::TempDir dir;
    std::string settings = dir.path() + "/settings.conf";
    double now = 100.0;  // seconds
    test::FakeConfig knobs;
    panel::PanelKit panel{knobs};
    data::FeedHub feed{[this] { return now; }};
    controlcentre::PullDeck deck{knobs, feed, panel, settings};
    test::CallLog calls;
    test::FakePanelUtilities permission{calls};
    test::RecordingPages pages{calls};
    Components components{knobs, permission, feed, deck, pages, {}, {}, {}, {}};
    core::AppState state;
};

TEST_F(BuiltinPanel, AnimationsAcceptIdentifierAndTextForm) {
    const std::pair<std::string, std::string> pairs[] = {
        {"timeout_60", "[timeout, 60]"}, {"rgb_mode_off", "[rgb_mode, off]"}, {"close", "[close]"}};
    for (const auto& [id, text] : pairs) {
        deck.start_button_animation(id);
        EXPECT_TRUE(deck.button_pressed(text)) << id;
        deck.release_button_animation(text);
        EXPECT_FALSE(deck.button_pressed(id)) << id;
        deck.start_button_animation(text);
        EXPECT_TRUE(deck.button_pressed(id)) << text;
        deck.release_button_animation(id);
        EXPECT_FALSE(deck.button_pressed(text)) << text;
    }
}

TEST_F(BuiltinPanel, TapOnTimeoutSetsTheIdleTimeAndStoresIt) {
    point(button_x(1), kTimeoutRow);
    EXPECT_TRUE(deck.button_pressed("timeout_60"));
    release();
    EXPECT_FALSE(deck.button_pressed("timeout_60"));
    EXPECT_EQ(feed.auto_off_seconds(), 60);
    EXPECT_NE(stored().find("timeout=60\n"), std::string::npos) << stored();
}

TEST_F(BuiltinPanel, CloseBarClosesThePanel) {
    point(100, kCloseRow);
    release();
    EXPECT_FALSE(deck.is_settings_open());
}

TEST_F(BuiltinPanel, BrightnessDragIsStoredOnceTheFingerLifts) {
    point(24, kBrightnessRow);
    point(188, kBrightnessRow);
    EXPECT_EQ(deck.brightness(), 50);
    EXPECT_EQ(stored(), "");  // not at every point of the drag
    release();
    EXPECT_NE(stored().find("brightness=50\n"), std::string::npos) << stored();
}

TEST_F(BuiltinPanel, ColourSlideMakesTheLightStaticAndIsKeptAcrossStarts) {
    point(24, kColourRow);
    point(188, kColourRow);
    release();
    EXPECT_EQ(deck.rgb_mode(), "static");
    EXPECT_EQ(panel.rgb_mode(), "static");

    data::FeedHub feed2;
    controlcentre::PullDeck next_start{knobs, feed2, panel, settings};
    next_start.load_config();
    EXPECT_EQ(next_start.hue(), deck.hue());
    EXPECT_EQ(next_start.rgb_mode(), "static");
}

TEST_F(BuiltinPanel, ScreenGoesDarkAfterIdleTimeAndWakesOnTouch) {
    point(button_x(0), kTimeoutRow);  // 30 s
    release();
    deck.close_settings();
    for (int i = 0; i < 5; ++i) deck.update_settings_animation();

    now += 29.5;
    feed.check_auto_off();
    EXPECT_TRUE(feed.get_screen_status());
    now += 0.5;
    feed.check_auto_off();
    EXPECT_FALSE(feed.get_screen_status());

    state._current_page = 2;
    point(50, 500);
    EXPECT_TRUE(feed.get_screen_status());
    EXPECT_EQ(state._current_page, 0);
    release();  // the lift counts as use: the idle time starts again
    now += 29.0;
    feed.check_auto_off();
    EXPECT_TRUE(feed.get_screen_status());
}

}  // namespace
}  // namespace ts::services
