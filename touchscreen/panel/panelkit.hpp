// The built-in panel utilities: the runtime directory, a background picture that follows
// the time of day, and the panel's hardware: backlight brightness and power, the RGB light,
// and a dimmed picture where no backlight can be driven.
#pragma once

#include "../config/settings.hpp"
#include "../hardware/devices.hpp"
#include "../services/config.hpp"
#include "../services/panel_utilities.hpp"

#include <functional>
#include <memory>
#include <mutex>

namespace ts::panel {

class PanelKit : public services::PanelUtilities {
public:
    explicit PanelKit(services::Config& config) : config_(config) {}

    void init_permission_dirs() override;
    core::Surface create_dynamic_background() override;
    void set_rgb_mode(const std::string& mode, const std::string& color) override;

    void finish_frame(SDL_Surface* screen) override;
    void frame_presented() override;

    // Opens the backlight and light the settings name (under $TOUCHSCREEN_SYSFS_ROOT when set)
    // and starts their worker, once; does nothing unless drive_hardware is set. Main thread.
    void start_hardware(const config::Settings& settings);
    // The program sets this; tests that build a PanelKit leave the machine's devices alone.
    bool drive_hardware = false;

    // Main thread. percent 5-100: the backlight, or a dimmed picture without one.
    void set_brightness(int percent);
    // The screen went dark: backlight off until a frame is presented again.
    void screen_off();
    int brightness() const { return brightness_; }
    hardware::Devices* devices() { return devices_.get(); }

    std::string rgb_mode() const;
    std::string rgb_color() const;
    const std::string& runtime_dir() const { return runtime_dir_; }

    // Hour of the day (0-23) the background follows; replaceable for tests.
    std::function<int()> hour_now;

private:
    services::Config& config_;
    std::string runtime_dir_;
    mutable std::mutex rgb_mutex_;
    std::string rgb_mode_ = "off";
    std::string rgb_color_ = "green";
    hardware::Rgb light_colour_{0, 255, 0};  // the last colour that could be read
    int brightness_ = 100;                    // percent; main thread
    int min_brightness_ = 5;                  // percent
    std::unique_ptr<hardware::Devices> devices_;
};

}  // namespace ts::panel
