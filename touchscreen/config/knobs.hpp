// The built-in configuration: panel geometry, colours, refresh intervals, fonts and the
// cache of rendered text. Values are plain members so a test or the file loader can set them.
// Threads: the intervals are atomics, since the refresh thread reads them while a reload on
// the main thread writes them; colours, fb_dev and the rest are main thread only.
#pragma once

#include "settings.hpp"

#include "../paint/paint.hpp"
#include "../services/config.hpp"

#include <atomic>
#include <memory>
#include <mutex>

namespace ts::config {

using core::Color;

class Knobs : public services::Config {
public:
    Knobs();

    std::string fb_dev = "/dev/fb0";
    int screen_width = 376;
    int screen_height = 960;
    std::map<std::string, Color> colors;
    std::atomic<double> cpu_update_interval = 1.0;  // seconds, like the others
    std::atomic<double> memory_update_interval = 2.0;
    std::atomic<double> disk_update_interval = 5.0;
    std::atomic<double> network_update_interval = 1.0;
    std::atomic<double> process_update_interval = 3.0;
    std::atomic<double> time_update_interval = 1.0;
    std::atomic<double> weather_update_interval = 600.0;
    std::atomic<double> bg_change_interval = 300.0;
    int cpu_height = 650, mem_height = 274;   // pixels; page 2 fits 12 + 650 + 12 + 274
    int net_height = 300, proc_height = 600;  // pixels; page 3 fits 12 + 300 + 12 + 600
    std::string font_regular = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    std::string font_bold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

    std::string FB_DEV() const override { return fb_dev; }
    int SCREEN_WIDTH() const override { return screen_width; }
    int SCREEN_HEIGHT() const override { return screen_height; }
    const std::map<std::string, Color>& COLORS() const override { return colors; }
    double CPU_UPDATE_INTERVAL() const override { return cpu_update_interval; }
    double MEMORY_UPDATE_INTERVAL() const override { return memory_update_interval; }
    double DISK_UPDATE_INTERVAL() const override { return disk_update_interval; }
    double NETWORK_UPDATE_INTERVAL() const override { return network_update_interval; }
    double PROCESS_UPDATE_INTERVAL() const override { return process_update_interval; }
    double TIME_UPDATE_INTERVAL() const override { return time_update_interval; }
    double WEATHER_UPDATE_INTERVAL() const override { return weather_update_interval; }
    double BG_CHANGE_INTERVAL() const override { return bg_change_interval; }

    void init_fonts() override { text.load(font_regular, font_bold); }
    void clear_surface_cache() override { text.clear_cache(); }
    int get_cpu_height() override { return cpu_height; }
    int get_mem_height() override { return mem_height; }
    int get_net_height() override { return net_height; }
    int get_proc_height() override { return proc_height; }

    // Fonts and rendered text shared by the built-in pages and control centre.
    paint::TextPainter text;

    Color color(const std::string& name) const { return colors.at(name); }

    // The file's sections as one immutable snapshot; any thread. A reload swaps in a new one,
    // so a reader keeps a consistent set for as long as it holds the pointer.
    std::shared_ptr<const Settings> settings() const {
        std::lock_guard lock(settings_lock_);
        return settings_;
    }
    // Takes a loaded file: the intervals, colours and framebuffer device, then the snapshot.
    // Main thread only. The device only matters before the display opens.
    void apply(const Settings& s);

    void set_settings(Settings s) {
        auto next = std::make_shared<const Settings>(std::move(s));
        std::lock_guard lock(settings_lock_);
        settings_ = std::move(next);
    }

private:
    mutable std::mutex settings_lock_;
    std::shared_ptr<const Settings> settings_ = std::make_shared<const Settings>();
};

}  // namespace ts::config
