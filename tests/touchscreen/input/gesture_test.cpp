// Gesture handling against recording components: swipes and their thresholds, the pull-down,
// the guards that drop points, screen wake and release.
#include "input/gesture.hpp"

#include "fakes.hpp"
#include "log_capture.hpp"

#include <gtest/gtest.h>

namespace ts::input {
namespace {

struct Point {
    int x, y;
};

class Gestures : public ::testing::Test {
protected:
    void point(Point p) { handle_touch_point(*state, fc.components, start_transition, p.x, p.y); }
    void release() { handle_touch_release(*state, fc.components); }
    // The finger goes down at from and moves through the rest.
    void swipe(Point from, std::initializer_list<Point> moves) {
        point(from);
        for (Point p : moves) point(p);
    }
    std::vector<std::string> info_lines() const {
        std::vector<std::string> out;
        for (const std::string& m : logs.messages()) {
            if (m.rfind("INFO ", 0) == 0) out.push_back(m);
        }
        return out;
    }
    void expect_idle_after_gesture() {
        EXPECT_FALSE(state->_touch_in_progress);
        EXPECT_EQ(state->_touch_start_x, 0);
        EXPECT_EQ(state->_touch_start_y, 0);
        EXPECT_TRUE(state->_swipe_history.empty());
        EXPECT_FALSE(state->_swipe_direction_locked);
    }

    test::LogCapture logs;
    test::FakeComponents fc;
    std::unique_ptr<core::AppState> state = std::make_unique<core::AppState>();
    std::vector<int> transitions;
    TransitionStarter start_transition = [this](int direction) { transitions.push_back(direction); };
};

TEST_F(Gestures, ThirdPointLocksAndGoesToThePreviousPage) {
    state->_current_page = 2;
    point({100, 500});
    point({120, 505});
    EXPECT_FALSE(state->_swipe_direction_locked);  // 20 px: not yet
    EXPECT_TRUE(transitions.empty());
    point({141, 505});
    EXPECT_EQ(transitions, std::vector<int>{1});
    EXPECT_EQ(state->_previous_page, 2);
    EXPECT_EQ(state->_current_page, 1);
    EXPECT_EQ(state->_swipe_cooldown, 5);
    expect_idle_after_gesture();
    EXPECT_EQ(info_lines(), std::vector<std::string>{"INFO 向右滑，从第3页切换到第2页"});
}

struct MoveCase {
    int dx, dy;
    const char* lock;            // after the move; nullptr when none
    std::vector<int> transitions;
    bool opens;                  // the control centre
    bool ends_gesture;
};

TEST_F(Gestures, OneMoveFromTheStartPoint) {
    const MoveCase cases[] = {
        {25, 0, nullptr, {}, false, false},
        {26, 0, "horizontal", {}, false, false},
        {-40, 0, "horizontal", {}, false, false},
        {-41, 0, nullptr, {-1}, false, true},
        {40, 10, "horizontal", {}, false, false},
        {45, 0, nullptr, {1}, false, true},  // lock and swipe on the same point
        {30, 30, "vertical", {}, false, false},
        {0, 50, "vertical", {}, false, false},
        {0, 51, nullptr, {}, true, true},
        {0, -51, nullptr, {}, false, true},
        {-10, -26, "vertical", {}, false, false},
    };
    for (const MoveCase& c : cases) {
        SCOPED_TRACE("dx=" + std::to_string(c.dx) + " dy=" + std::to_string(c.dy));
        state = std::make_unique<core::AppState>();
        transitions.clear();
        fc.log.clear();
        swipe({200, 500}, {{200 + c.dx, 500 + c.dy}});
        EXPECT_EQ(state->_swipe_direction_locked, c.lock ? std::optional<std::string>(c.lock) : std::nullopt);
        EXPECT_EQ(transitions, c.transitions);
        EXPECT_EQ(fc.log.contains("open_settings"), c.opens);
        EXPECT_EQ(state->_swipe_cooldown, c.ends_gesture ? 5 : 0);
        EXPECT_EQ(state->_touch_in_progress, !c.ends_gesture);
    }
}

TEST_F(Gestures, FortyPixelsChangeNothingAndFortyOneChangesPage) {
    swipe({200, 500}, {{160, 500}});
    EXPECT_TRUE(transitions.empty());
    point({159, 500});
    EXPECT_EQ(transitions, std::vector<int>{-1});
    EXPECT_EQ(state->_current_page, 1);
}

TEST_F(Gestures, PagesWrapAroundBothWays) {
    state->_current_page = 0;
    swipe({100, 500}, {{150, 500}});
    EXPECT_EQ(state->_current_page, 3);
    state->_swipe_cooldown = 0;
    swipe({300, 500}, {{250, 500}});
    EXPECT_EQ(state->_current_page, 0);
    EXPECT_EQ(transitions, (std::vector<int>{1, -1}));
    EXPECT_EQ(info_lines(), (std::vector<std::string>{"INFO 向右滑，从第1页切换到第4页", "INFO 向左滑，从第4页切换到第1页"}));
}

TEST_F(Gestures, LockedAxisIsKeptForTheWholeTouch) {
    swipe({200, 500}, {{200, 530}, {400, 540}});  // vertical, then far sideways
    EXPECT_TRUE(transitions.empty());
    EXPECT_EQ(state->_swipe_direction_locked, "vertical");

    state = std::make_unique<core::AppState>();
    swipe({200, 500}, {{230, 500}, {235, 800}});  // horizontal, then far down
    EXPECT_FALSE(fc.log.contains("open_settings"));
    EXPECT_EQ(state->_swipe_direction_locked, "horizontal");
}

TEST_F(Gestures, PushUpOnlyEndsAndPullDownOpensWithARipple) {
    swipe({180, 300}, {{180, 249}});
    EXPECT_TRUE(fc.log.calls().empty());
    state->_swipe_cooldown = 0;
    swipe({180, 300}, {{180, 351}});
    EXPECT_EQ(fc.log.calls(), (std::vector<std::string>{"open_settings", "add_ripple 180 351 120"}));
    EXPECT_EQ(info_lines(), std::vector<std::string>{"INFO 下滑打开控制中心"});
    expect_idle_after_gesture();
}

TEST_F(Gestures, PointsDuringCooldownOrTransitionAreDropped) {
    for (const bool in_transition : {false, true}) {
        state = std::make_unique<core::AppState>();
        state->_swipe_cooldown = in_transition ? 0 : 3;
        state->_page_transitioning = in_transition;
        point({100, 500});
        point({300, 500});
        EXPECT_FALSE(state->_touch_in_progress);
        EXPECT_TRUE(transitions.empty());
        // Once the guard is over, the next point is the start, not a dropped one.
        state->_swipe_cooldown = 0;
        state->_page_transitioning = false;
        point({250, 500});
        EXPECT_EQ(state->_touch_start_x, 250);
    }
}

TEST_F(Gestures, TouchOnDarkScreenWakesToFirstPageAndStartsTracking) {
    fc.data_mgr.screen_on = false;
    state->_current_page = 2;
    point({50, 60});
    EXPECT_EQ(fc.log.calls(), std::vector<std::string>{"wake_screen"});
    EXPECT_EQ(state->_previous_page, 2);
    EXPECT_EQ(state->_current_page, 0);
    for (const core::DirtyFlag& flag : state->_page_dirty) EXPECT_TRUE(flag.is_set());
    EXPECT_TRUE(transitions.empty());
    EXPECT_EQ(info_lines(), std::vector<std::string>{"INFO 亮屏后重置到时钟天气页面"});
    EXPECT_TRUE(state->_touch_in_progress);
    EXPECT_EQ(state->_touch_start_x, 50);
    EXPECT_EQ(state->_touch_start_y, 60);
}

TEST_F(Gestures, OpenOrAnimatingControlCentreTakesThePoint) {
    struct Case {
        bool open;
        double progress;
        bool routed;
    };
    for (const Case c : {Case{true, 0.0, true}, Case{false, 0.4, true}, Case{false, 0.0, false}}) {
        state = std::make_unique<core::AppState>();
        state->_swipe_cooldown = 5;  // panel points ignore the cooldown
        fc.log.clear();
        fc.pulldeck.open = c.open;
        fc.pulldeck.progress = c.progress;
        point({10, 20});
        EXPECT_EQ(fc.log.contains("get_button_at 10 20"), c.routed) << c.open << " " << c.progress;
        EXPECT_EQ(state->_touch_in_progress, c.routed);
    }
}

TEST_F(Gestures, ReleaseResetsTrackingAndPressFieldsButNotTheCooldown) {
    for (const bool tracked : {false, true}) {
        fc.log.clear();
        if (tracked) swipe({100, 500}, {{110, 500}, {140, 505}});  // locked, below the threshold
        state->_swipe_cooldown = 3;
        state->_button_press_area = core::AreaDescriptor{"brightness", "40"};
        state->_button_press_pos = std::pair{150, 50};
        release();
        EXPECT_EQ(fc.log.calls(), std::vector<std::string>{"reset_rgb_animation"});
        EXPECT_FALSE(state->_button_press_area);
        EXPECT_FALSE(state->_button_press_pos);
        EXPECT_EQ(state->_swipe_cooldown, 3);
        expect_idle_after_gesture();
    }
}

TEST_F(Gestures, HistoryKeepsTheNewestFourMoves) {
    point({100, 500});
    for (int dx = 1; dx <= 10; ++dx) {
        point({100 + dx, 500 + dx % 3});
        EXPECT_LE(state->_swipe_history.size(), 4u);
    }
    const std::deque<std::pair<int, int>> expected{{7, 1}, {8, 2}, {9, 0}, {10, 1}};
    EXPECT_EQ(state->_swipe_history, expected);
}

}  // namespace
}  // namespace ts::input
