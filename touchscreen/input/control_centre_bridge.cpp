#include "control_centre_bridge.hpp"

#include "../core/log.hpp"

namespace ts::input {
namespace {

using core::AreaDescriptor;
namespace log = core::log;

constexpr int kCloseDistance = 60;    // pixels upward, strictly more closes the panel
constexpr int kPressRipple = 100;     // pixels
constexpr int kCloseRipple = 120;     // pixels

// An empty descriptor names no control, like an absent one.
bool has_kind(const std::optional<AreaDescriptor>& area) { return area && !area->empty(); }

bool is_kind(const std::optional<AreaDescriptor>& area, const char* kind) {
    return has_kind(area) && (*area)[0] == kind;
}

bool is_slider(const std::optional<AreaDescriptor>& area) {
    return is_kind(area, "brightness") || is_kind(area, "color_slider");
}

int slide_direction(int dx) { return dx > 0 ? 1 : -1; }

void end_panel_touch(core::AppState& s) {
    s._touch_in_progress = false;
    s._touch_start_x = 0;
    s._touch_start_y = 0;
    s._button_press_area.reset();
    s._button_press_pos.reset();
}

}  // namespace

std::string button_identifier(const AreaDescriptor& area) {
    // "timeout" and "rgb_mode" always carry their value, so one rule serves every kind.
    if (area.size() < 2) return area.empty() ? std::string() : area[0];
    return area[0] + "_" + area[1];
}

void _handle_settings_button_press(services::Components& c, const AreaDescriptor& area_info) {
    c.pulldeck.handle_button_press(area_info);
}

void _handle_settings_touch(core::AppState& s, services::Components& c, int x, int y) {
    const std::optional<AreaDescriptor> current_area = c.pulldeck.get_button_at(x, y);
    if (log::enabled(log::Level::DEBUG)) {
        log::debug("设置面板触摸: x=" + std::to_string(x) + ", y=" + std::to_string(y) +
                   ", current_area=" + core::area_text(current_area) +
                   ", _button_press_area=" + core::area_text(s._button_press_area));
    }

    if (!s._touch_in_progress) {
        s._touch_in_progress = true;
        s._touch_start_x = x;
        s._touch_start_y = y;
        s._button_press_area = current_area;
        s._button_press_pos = std::pair{x, y};
        if (!has_kind(current_area)) return;
        c.pulldeck.add_ripple(x, y, kPressRipple);
        if (!is_slider(current_area)) c.pulldeck.start_button_animation(button_identifier(*current_area));
        if (is_kind(current_area, "brightness")) {
            _handle_settings_button_press(c, *current_area);
        } else if (is_kind(current_area, "color_slider")) {
            c.pulldeck.set_slide_start(x);
        }
        return;
    }

    // The start point stays fixed for the whole touch.
    const int dx = x - s._touch_start_x;
    const int dy = y - s._touch_start_y;
    if (dy < -kCloseDistance) {
        c.pulldeck.close_settings();
        c.pulldeck.add_ripple(x, y, kCloseRipple);
        log::info("上滑关闭控制中心");
        end_panel_touch(s);
    } else if (is_kind(current_area, "brightness")) {
        _handle_settings_button_press(c, *current_area);
        c.pulldeck.add_slide_ripple(x, y, slide_direction(dx));
    } else if (is_kind(current_area, "color_slider")) {
        c.pulldeck.handle_color_slider(x);
        c.pulldeck.add_slide_ripple(x, y, slide_direction(dx));
    } else if (current_area != s._button_press_area) {
        // Slid off the pressed button: let its press animation go, and it will not act.
        if (has_kind(s._button_press_area) && !is_slider(s._button_press_area) && s._button_press_pos) {
            const auto [px, py] = *s._button_press_pos;
            const std::optional<AreaDescriptor> pressed = c.pulldeck.get_button_at(px, py);
            if (has_kind(pressed)) c.pulldeck.release_button_animation(core::area_text(pressed));
        }
        s._button_press_area.reset();
    }
}

void _handle_settings_release(core::AppState& s, services::Components& c) {
    if (log::enabled(log::Level::DEBUG)) {
        log::debug("触摸结束: _button_press_area=" + core::area_text(s._button_press_area));
    }
    if (!has_kind(s._button_press_area) || is_slider(s._button_press_area)) return;
    log::debug("调用 handle_button_press: " + core::area_text(s._button_press_area));
    _handle_settings_button_press(c, *s._button_press_area);
    if (s._button_press_pos) c.pulldeck.release_button_animation(button_identifier(*s._button_press_area));
}

}  // namespace ts::input
