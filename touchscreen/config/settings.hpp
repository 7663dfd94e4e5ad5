// The values people set in the configuration file, one struct per section, with the defaults
// the dashboard runs on when a key is absent. Plain data: no SDL, no I/O.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ts::config {

struct WeatherSettings {
    std::optional<double> latitude;   // degrees; no weather without both
    std::optional<double> longitude;  // degrees
    std::string place;                // the name shown on the card
    std::string units = "metric";     // "metric" (°C, km/h) or "imperial" (°F, mph)
    std::string url = "https://api.open-meteo.com/v1/forecast";
};

struct ClockSettings {
    std::string format = "24h";  // or "12h" with AM/PM
    bool seconds = true;
};

struct DiskSettings {
    std::vector<std::string> show;  // mount points; empty shows every real filesystem
    std::vector<std::string> hide;  // mount points
};

struct NetworkSettings {
    std::string interface = "auto";  // or an interface name
};

struct DisplaySettings {
    std::string backend = "auto";  // "auto", "sdl", "kms" or "fbdev"
    std::string device = "/dev/fb0";
    int rotation = 0;  // degrees: 0, 90, 180 or 270
};

struct InputSettings {
    bool mouse = false;  // mouse presses stand in for touches
    int rotation = 0;    // degrees: 0, 90, 180 or 270
};

struct PanelSettings {
    std::string backlight = "auto";  // "auto", "none" or a backlight folder
    int min_brightness = 5;          // percent of the device's range
};

struct LightSettings {
    std::string led = "auto";  // "auto", "none", a multicolour LED folder or three LED folders
    std::vector<std::string> led_paths;  // the three plain LED folders when given as a list
};

struct Settings {
    WeatherSettings weather;
    ClockSettings clock;
    DiskSettings disks;
    NetworkSettings network;
    DisplaySettings display;
    InputSettings input;
    PanelSettings panel;
    LightSettings light;
};

}  // namespace ts::config
