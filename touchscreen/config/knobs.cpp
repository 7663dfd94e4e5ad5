#include "knobs.hpp"

namespace ts::config {

namespace {
std::map<std::string, Color> to_colors(const std::map<std::string, Rgb>& table) {
    std::map<std::string, Color> out;
    for (const auto& [name, c] : table) out[name] = Color{c.r, c.g, c.b};
    return out;
}
}  // namespace

Knobs::Knobs() : colors(to_colors(default_colors())) {}

void Knobs::apply(const Settings& s) {
    cpu_update_interval = s.refresh.cpu;
    memory_update_interval = s.refresh.memory;
    disk_update_interval = s.refresh.disk;
    network_update_interval = s.refresh.network;
    process_update_interval = s.refresh.process;
    time_update_interval = s.refresh.time;
    bg_change_interval = s.refresh.background;
    weather_update_interval = s.weather.interval;
    colors = to_colors(s.theme.colors);
    fb_dev = s.display.device;
    set_settings(s);
}

}  // namespace ts::config
