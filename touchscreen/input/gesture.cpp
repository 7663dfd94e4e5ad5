#include "gesture.hpp"

#include "control_centre_bridge.hpp"

#include "../core/log.hpp"

#include <cstdlib>
#include <string>

namespace ts::input {
namespace {

namespace log = core::log;
using core::PAGE_COUNT;

constexpr int kSwipeCooldown = 5;   // frames during which page-level points are ignored
constexpr int kOpenRipple = 120;    // pixels

void reset_tracking(core::AppState& s) {
    s._touch_in_progress = false;
    s._touch_start_x = 0;
    s._touch_start_y = 0;
    s._swipe_history.clear();
    s._swipe_direction_locked.reset();
}

void end_gesture(core::AppState& s) {
    reset_tracking(s);
    s._swipe_cooldown = kSwipeCooldown;
}

void wake_to_first_page(core::AppState& s, services::Components& c) {
    c.data_mgr.wake_screen();
    s._previous_page = s._current_page;
    s._current_page = 0;
    for (core::DirtyFlag& flag : s._page_dirty) flag.set();
    log::info("亮屏后重置到时钟天气页面");
}

// Log pages one-based, as the user counts them.
void log_page_change(const char* prefix, const core::AppState& s) {
    log::info(prefix + std::to_string(s._previous_page + 1) + "页切换到第" + std::to_string(s._current_page + 1) +
              "页");
}

}  // namespace

void handle_touch_point(core::AppState& s, services::Components& c, const TransitionStarter& start_transition,
                        int x, int y) {
    if (log::enabled(log::Level::DEBUG)) log::debug("触摸事件: x=" + std::to_string(x) + ", y=" + std::to_string(y));

    // The waking touch is not swallowed: it goes on below like any other.
    if (!c.data_mgr.get_screen_status()) wake_to_first_page(s, c);

    if (c.pulldeck.is_settings_open() || c.pulldeck.get_settings_progress() > 0) {
        _handle_settings_touch(s, c, x, y);
        return;
    }
    if (s._swipe_cooldown > 0 || s._page_transitioning) return;

    if (!s._touch_in_progress) {
        s._touch_in_progress = true;
        s._touch_start_x = x;
        s._touch_start_y = y;
        s._swipe_history.clear();
        s._swipe_direction_locked.reset();
        if (log::enabled(log::Level::DEBUG)) {
            log::debug("记录触摸起点: (" + std::to_string(x) + ", " + std::to_string(y) + ")");
        }
        return;
    }

    const int dx = x - s._touch_start_x;
    const int dy = y - s._touch_start_y;
    const int abs_dx = std::abs(dx);
    const int abs_dy = std::abs(dy);
    if (log::enabled(log::Level::DEBUG)) log::debug("计算滑动: dx=" + std::to_string(dx) + ", dy=" + std::to_string(dy));

    s._swipe_history.emplace_back(dx, dy);
    if (s._swipe_history.size() > core::AppState::_swipe_history_max) s._swipe_history.pop_front();

    // Locked once per touch, on the first point past 25 px on either axis; a tie is vertical.
    if (!s._swipe_direction_locked &&
        (abs_dx > core::AppState::_swipe_lock_threshold || abs_dy > core::AppState::_swipe_lock_threshold)) {
        s._swipe_direction_locked = abs_dx > abs_dy ? "horizontal" : "vertical";
        log::debug("方向锁定: " + *s._swipe_direction_locked);
    }

    if (s._swipe_direction_locked == "vertical" && abs_dy > core::AppState::_swipe_threshold_y) {
        if (dy > 0) {
            c.pulldeck.open_settings();
            c.pulldeck.add_ripple(x, y, kOpenRipple);
            log::info("下滑打开控制中心");
        }
        end_gesture(s);
    } else if (s._swipe_direction_locked == "horizontal" && abs_dx > core::AppState::_swipe_threshold_x) {
        s._previous_page = s._current_page;
        if (dx > 0) {  // finger moved right: the previous page slides in from the left
            s._current_page = (s._current_page - 1 + PAGE_COUNT) % PAGE_COUNT;
            start_transition(1);
            log_page_change("向右滑，从第", s);
        } else {
            s._current_page = (s._current_page + 1) % PAGE_COUNT;
            start_transition(-1);
            log_page_change("向左滑，从第", s);
        }
        end_gesture(s);
    }
}

void handle_touch_release(core::AppState& s, services::Components& c) {
    log::debug("触摸结束");
    if (s._touch_in_progress) reset_tracking(s);  // the cooldown runs on
    c.pulldeck.reset_rgb_animation();
    _handle_settings_release(s, c);
    s._button_press_area.reset();
    s._button_press_pos.reset();
}

}  // namespace ts::input
