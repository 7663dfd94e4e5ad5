// The pull-down control centre: its panel, controls, animations and stored settings.
// The dashboard only routes touches to it and asks it to draw; it keeps its own state.
#pragma once

#include "../core/area.hpp"

#include <SDL.h>

#include <cstdint>
#include <optional>
#include <string>

namespace ts::services {

class ControlCentre {
public:
    virtual ~ControlCentre() = default;
    // All operations: main thread only.
    virtual void load_config() = 0;
    virtual bool is_settings_open() = 0;
    virtual double get_settings_progress() = 0;  // > 0 while partly shown
    virtual std::optional<core::AreaDescriptor> get_button_at(int x, int y) = 0;
    virtual void handle_button_press(const core::AreaDescriptor& area_info) = 0;
    virtual void open_settings() = 0;
    virtual void close_settings() = 0;
    virtual void add_ripple(int x, int y, int size) = 0;             // size in pixels
    virtual void add_slide_ripple(int x, int y, int direction) = 0;  // +1 or -1
    virtual void handle_color_slider(int x) = 0;
    virtual void set_slide_start(int x) = 0;
    // Accept a button identifier ("timeout_30") or a descriptor's text form ("[timeout, 30]").
    virtual void start_button_animation(const std::string& btn_id) = 0;
    virtual void release_button_animation(const std::string& btn_id) = 0;
    virtual void reset_rgb_animation() = 0;
    virtual void update_settings_animation() = 0;  // one frame
    virtual void draw_settings_panel(SDL_Surface* screen) = 0;
    // The black that draw_settings_panel lays over the whole screen now, as an alpha 0-255.
    virtual std::uint32_t backdrop_dim() { return 0; }
    // draw_settings_panel for a screen its caller has already darkened by backdrop_dim().
    virtual void draw_settings_panel_on_dimmed(SDL_Surface* screen) { draw_settings_panel(screen); }
    // True when draw_settings_panel would draw exactly what its last call drew (nothing
    // animates, nothing changed), so that a frame with nothing else new need not be composed.
    virtual bool drawing_unchanged() { return false; }
};

}  // namespace ts::services
