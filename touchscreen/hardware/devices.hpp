// The panel's backlight and RGB light behind one owner, driven by a worker thread so that no
// file is written on the frame path. The main thread only states what it wants (a level, a
// light mode, screen off, a frame shown); the worker writes it: backlight levels at most 20
// times a second with the last one always landing, the light at most 20 times a second and
// only when a value changes, and nothing to the light while the screen is dark.
#pragma once

#include "backlight.hpp"
#include "led.hpp"
#include "light_animator.hpp"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace ts::hardware {

struct DeviceSettings {
    std::string backlight = "auto";  // "auto", "none" or a /sys/class/backlight entry
    int min_brightness = 5;          // percent of the device's range at the lowest setting
    std::string led = "auto";        // "auto", "none" or a multicolour /sys/class/leds entry
    std::vector<std::string> led_paths;  // red, green and blue LED folders instead
};

class Devices {
public:
    // Opens what the settings name under root. A device that cannot be used is logged once,
    // naming the file, and left out; the rest works without it.
    Devices(const DeviceSettings& settings, const std::string& root);
    ~Devices();
    Devices(const Devices&) = delete;
    Devices& operator=(const Devices&) = delete;

    // Starts the worker thread; without it, step() is driven by hand (tests, measurements).
    void start();

    // Any thread; none of these touches a file.
    void set_brightness(int percent);  // 5-100
    void set_light(LightMode mode, Rgb colour);
    void screen_off();  // the picture is dark: brightness 0, bl_power off, light paused
    void frame_shown(); // a fresh frame is on the panel: backlight on at the stored level

    bool has_backlight() const { return backlight_.has_value(); }
    bool has_led() const { return led_.has_value(); }

    // One pass of the worker at monotonic time now (seconds): writes what is due and returns
    // the seconds until it must run again, or a negative number when only a request can
    // make more work.
    double step(double now);

    static constexpr double kBacklightGap = 0.05;  // seconds between level writes: 20 a second
    // Seconds between light updates: 20 a second. Each wake-up of the thread costs more than
    // the update itself, and 25 a second measured above the light's CPU budget.
    static constexpr double kLightPeriod = 0.05;
    static constexpr int kMaxIdleTicks = 25;       // light periods looked ahead for a change

private:
    enum class Power { Unknown, On, Off };
    struct Wanted {
        int percent = 100;
        bool lit = false;  // false until the first frame is shown, and while the screen is off
        LightMode mode = LightMode::Off;
        Rgb colour;
        bool new_mode = true;
    };
    void request(const std::function<void(Wanted&)>& change);
    void run();

    std::optional<Backlight> backlight_;  // worker thread only, after construction
    std::optional<Led> led_;              // worker thread only, after construction
    Power power_ = Power::Unknown;        // worker only
    int applied_percent_ = -1;            // worker only
    double last_level_write_ = -1e9;      // worker only, seconds
    double mode_start_ = 0;               // worker only, seconds

    std::atomic<bool> told_off_{false};   // screen off named the backlight in the log; any thread
    std::mutex mutex_;  // guards wanted_, changed_, stop_: any thread and the worker
    std::condition_variable wake_;
    Wanted wanted_;
    bool changed_ = false;
    bool stop_ = false;
    std::thread worker_;
};

}  // namespace ts::hardware
