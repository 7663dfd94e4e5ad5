// Touches routed to the open control centre, checked by the calls it receives in order:
// button taps, slide-off, the closing gesture and the two sliders.
#include "input/control_centre_bridge.hpp"
#include "input/gesture.hpp"

#include "fakes.hpp"
#include "log_capture.hpp"

#include <gtest/gtest.h>

namespace ts::input {
namespace {

using Calls = std::vector<std::string>;

// Panel layout of the fake: two buttons on the left, the two sliders on the right.
//   timeout 30   x 0-99,    y 300-399      brightness  x 100-299, y 0-99
//   close        x 0-99,    y 400-499      colour      x 100-299, y 100-199
class Panel : public ::testing::Test {
protected:
    Panel() {
        fc.pulldeck.open = true;
        fc.pulldeck.areas = {
            {{0, 300, 100, 100}, {"timeout", "30"}},
            {{0, 400, 100, 100}, {"close"}},
            {{100, 0, 200, 100}, {"brightness", "50"}},
            {{100, 100, 200, 100}, {"color_slider"}},
        };
    }
    // Each step's calls, the log cleared before it.
    Calls touch(int x, int y) {
        fc.log.clear();
        handle_touch_point(state, fc.components, [](int) { FAIL() << "no page change from the panel"; }, x, y);
        return fc.log.calls();
    }
    Calls release() {
        fc.log.clear();
        handle_touch_release(state, fc.components);
        return fc.log.calls();
    }

    test::LogCapture logs;
    test::FakeComponents fc;
    core::AppState state;
};

TEST(ButtonIdentifier, KindAloneOrKindAndValue) {
    const std::pair<core::AreaDescriptor, std::string> cases[] = {
        {{"timeout", "30"}, "timeout_30"},
        {{"rgb_mode", "breath"}, "rgb_mode_breath"},
        {{"close"}, "close"},
        {{"wifi", "on"}, "wifi_on"},
    };
    for (const auto& [area, id] : cases) EXPECT_EQ(button_identifier(area), id);
}

TEST_F(Panel, TapOnTimeoutButtonActsOnRelease) {
    EXPECT_EQ(touch(50, 350), (Calls{"get_button_at 50 350", "add_ripple 50 350 100", "start_button_animation timeout_30"}));
    EXPECT_EQ(touch(52, 352), Calls{"get_button_at 52 352"});  // still on it
    EXPECT_EQ(release(), (Calls{"reset_rgb_animation", "handle_button_press [timeout, 30]",
                                "release_button_animation timeout_30"}));
    EXPECT_FALSE(state._button_press_area);
    EXPECT_FALSE(state._button_press_pos);
    EXPECT_FALSE(state._touch_in_progress);
}

TEST_F(Panel, OneElementDescriptorIsNamedByItsKind) {
    EXPECT_EQ(touch(50, 450), (Calls{"get_button_at 50 450", "add_ripple 50 450 100", "start_button_animation close"}));
    EXPECT_EQ(release(), (Calls{"reset_rgb_animation", "handle_button_press [close]", "release_button_animation close"}));
}

TEST_F(Panel, SlidingOffReleasesTheAnimationAndCancelsTheButton) {
    struct Case {
        int x, y;
        const char* onto;
    };
    for (const Case c : {Case{250, 350, "empty space"}, Case{50, 450, "another button"}}) {
        SCOPED_TRACE(c.onto);
        touch(50, 350);
        EXPECT_EQ(touch(c.x, c.y), (Calls{"get_button_at " + std::to_string(c.x) + " " + std::to_string(c.y),
                                          "get_button_at 50 350", "release_button_animation [timeout, 30]"}));
        EXPECT_FALSE(state._button_press_area);
        EXPECT_EQ(state._button_press_pos, (std::pair{50, 350}));
        EXPECT_EQ(touch(50, 350), Calls{"get_button_at 50 350"});  // back on it: too late
        EXPECT_EQ(release(), Calls{"reset_rgb_animation"});
    }
}

TEST_F(Panel, SixtyUpKeepsThePressAndSixtyOneClosesThePanel) {
    touch(50, 380);
    EXPECT_EQ(touch(50, 320), Calls{"get_button_at 50 320"});
    EXPECT_EQ(release(), (Calls{"reset_rgb_animation", "handle_button_press [timeout, 30]",
                                "release_button_animation timeout_30"}));
    touch(50, 380);
    EXPECT_EQ(touch(50, 319), (Calls{"get_button_at 50 319", "close_settings", "add_ripple 50 319 120"}));
    EXPECT_FALSE(state._touch_in_progress);
    EXPECT_EQ(state._touch_start_y, 0);
    EXPECT_FALSE(state._button_press_area);
    EXPECT_FALSE(state._button_press_pos);
    EXPECT_EQ(release(), Calls{"reset_rgb_animation"});
    EXPECT_EQ(logs.messages().back(), "INFO 上滑关闭控制中心");
}

TEST_F(Panel, BrightnessActsAtEveryPointOnTheSlider) {
    EXPECT_EQ(touch(150, 50), (Calls{"get_button_at 150 50", "add_ripple 150 50 100", "handle_button_press [brightness, 50]"}));
    EXPECT_EQ(touch(170, 50), (Calls{"get_button_at 170 50", "handle_button_press [brightness, 50]", "add_slide_ripple 170 50 1"}));
    EXPECT_EQ(touch(150, 60), (Calls{"get_button_at 150 60", "handle_button_press [brightness, 50]", "add_slide_ripple 150 60 -1"}));
    EXPECT_EQ(touch(120, 50), (Calls{"get_button_at 120 50", "handle_button_press [brightness, 50]", "add_slide_ripple 120 50 -1"}));
    // Off the slider and back: it acts again, and nothing is released for a slider.
    EXPECT_EQ(touch(150, 250), Calls{"get_button_at 150 250"});
    EXPECT_EQ(touch(160, 50), (Calls{"get_button_at 160 50", "handle_button_press [brightness, 50]", "add_slide_ripple 160 50 1"}));
    EXPECT_EQ(release(), Calls{"reset_rgb_animation"});
}

TEST_F(Panel, ColourSliderStartsThenFollowsTheFinger) {
    EXPECT_EQ(touch(150, 150), (Calls{"get_button_at 150 150", "add_ripple 150 150 100", "set_slide_start 150"}));
    EXPECT_EQ(touch(180, 150), (Calls{"get_button_at 180 150", "handle_color_slider 180", "add_slide_ripple 180 150 1"}));
    EXPECT_EQ(touch(140, 150), (Calls{"get_button_at 140 150", "handle_color_slider 140", "add_slide_ripple 140 150 -1"}));
    EXPECT_EQ(release(), Calls{"reset_rgb_animation"});
}

TEST_F(Panel, FirstPointOnEmptySpaceStartsTrackingOnly) {
    EXPECT_EQ(touch(250, 350), Calls{"get_button_at 250 350"});
    EXPECT_TRUE(state._touch_in_progress);
    EXPECT_EQ(state._button_press_pos, (std::pair{250, 350}));
    EXPECT_EQ(touch(50, 350), Calls{"get_button_at 50 350"});  // onto a button: nothing to release
    EXPECT_EQ(release(), Calls{"reset_rgb_animation"});
}

}  // namespace
}  // namespace ts::input
