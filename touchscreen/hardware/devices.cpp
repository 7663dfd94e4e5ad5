#include "devices.hpp"

#include "../core/log.hpp"

#include <algorithm>
#include <chrono>
#include <functional>

namespace ts::hardware {

namespace log = core::log;

Devices::Devices(const DeviceSettings& settings, const std::string& root) {
    std::string error;
    if (const auto dir = find_backlight(root, settings.backlight, error)) {
        backlight_ = Backlight::open(*dir, settings.min_brightness, error);
    }
    if (backlight_) {
        log::info("backlight: " + backlight_->dir() + " (max_brightness " + std::to_string(backlight_->max_brightness()) + ")");
    } else if (!error.empty()) {
        log::warning("backlight left alone: " + error);
    } else {
        log::info("no backlight: brightness dims the picture instead");
    }
    error.clear();
    led_ = find_led(root, settings.led, settings.led_paths, error);
    if (led_) {
        log::info("RGB light: " + led_->name());
    } else if (!error.empty()) {
        log::warning("RGB light left alone: " + error);
    } else {
        log::info("no RGB light: its mode is kept but drives nothing");
    }
}

Devices::~Devices() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void Devices::start() {
    if (!backlight_ && !led_) return;  // nothing to drive: no thread at all
    worker_ = std::thread([this] { run(); });
}

void Devices::request(const std::function<void(Wanted&)>& change) {
    {
        std::lock_guard lock(mutex_);
        change(wanted_);
        changed_ = true;
    }
    wake_.notify_one();
}

void Devices::set_brightness(int percent) {
    request([percent](Wanted& w) { w.percent = std::clamp(percent, 1, 100); });
}

void Devices::set_light(LightMode mode, Rgb colour) {
    request([mode, colour](Wanted& w) {
        w.new_mode = w.new_mode || w.mode != mode;
        w.mode = mode;
        w.colour = colour;
    });
}

void Devices::screen_off() {
    if (backlight_ && !told_off_.exchange(true)) log::info("screen off switches the backlight off too");
    request([](Wanted& w) { w.lit = false; });
}

void Devices::frame_shown() {
    {
        std::lock_guard lock(mutex_);
        if (wanted_.lit) return;  // every frame calls this: no wake-up for the worker
    }
    request([](Wanted& w) { w.lit = true; });
}

double Devices::step(double now) {
    Wanted w;
    {
        std::lock_guard lock(mutex_);
        w = wanted_;
        wanted_.new_mode = false;
    }
    double next = -1;
    const auto due_in = [&next](double seconds) { next = next < 0 ? seconds : std::min(next, seconds); };

    if (backlight_) {
        if (!w.lit && power_ == Power::On) {
            backlight_->switch_off();
            power_ = Power::Off;
        } else if (w.lit && power_ != Power::On) {
            backlight_->switch_on(w.percent);
            power_ = Power::On;
            applied_percent_ = w.percent;
            last_level_write_ = now;
        } else if (w.lit && w.percent != applied_percent_) {
            if (now - last_level_write_ >= kBacklightGap) {
                backlight_->set_percent(w.percent);
                applied_percent_ = w.percent;
                last_level_write_ = now;
            } else {
                due_in(last_level_write_ + kBacklightGap - now);
            }
        }
    }
    if (led_ && w.lit) {
        if (w.new_mode) mode_start_ = now;
        const double t = now - mode_start_;
        const Rgb shown = light_at(w.mode, w.colour, t);
        led_->show(shown);
        if (animates(w.mode)) {
            // Waking costs more than looking ahead: sleep through the ticks that would show
            // the same colour (long stretches near dark, where the gamma curve is flat).
            int ticks = 1;
            while (ticks < kMaxIdleTicks && light_at(w.mode, w.colour, t + ticks * kLightPeriod) == shown) ++ticks;
            due_in(ticks * kLightPeriod);
        }
    }
    return next;
}

void Devices::run() {
    using Seconds = std::chrono::duration<double>;
    const auto now = [] { return Seconds(std::chrono::steady_clock::now().time_since_epoch()).count(); };
    std::unique_lock lock(mutex_);
    while (!stop_) {
        changed_ = false;
        lock.unlock();
        const double wait = step(now());
        lock.lock();
        const auto woken = [this] { return changed_ || stop_; };
        if (wait < 0) {
            wake_.wait(lock, woken);
        } else {
            wake_.wait_for(lock, Seconds(wait), woken);
        }
    }
}

}  // namespace ts::hardware
