// The values people set in the configuration file, one struct per section, with the defaults
// the dashboard runs on when a key is absent. Plain data: no SDL, no I/O.
#pragma once

#include <map>
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
    // seconds between fetches; the value Knobs::weather_update_interval takes on a load
    double interval = 600;
    bool operator==(const WeatherSettings&) const = default;
};

struct ClockSettings {
    std::string format = "24h";  // or "12h" with AM/PM
    bool seconds = true;
    bool operator==(const ClockSettings&) const = default;
};

struct DiskSettings {
    std::vector<std::string> show;  // mount points; empty shows every real filesystem
    std::vector<std::string> hide;  // mount points
    bool operator==(const DiskSettings&) const = default;
};

struct NetworkSettings {
    std::string interface = "auto";  // or an interface name
    bool operator==(const NetworkSettings&) const = default;
};

struct DisplaySettings {
    std::string backend = "auto";  // "auto", "sdl", "kms" or "fbdev"
    std::string device = "/dev/fb0";
    int rotation = 0;  // degrees: 0, 90, 180 or 270
    std::string card = "auto";  // KMS: "auto" (the first /dev/dri/card* that can) or a card's path
    bool operator==(const DisplaySettings&) const = default;
};

struct InputSettings {
    bool mouse = false;  // mouse presses stand in for touches
    int rotation = 0;    // degrees: 0, 90, 180 or 270
    bool operator==(const InputSettings&) const = default;
};

struct PanelSettings {
    std::string backlight = "auto";  // "auto", "none" or a backlight folder
    int min_brightness = 5;          // percent of the device's range
    bool operator==(const PanelSettings&) const = default;
};

struct LightSettings {
    std::string led = "auto";  // "auto", "none", a multicolour LED folder or three LED folders
    std::vector<std::string> led_paths;  // the three plain LED folders when given as a list (led is "" then)
    bool operator==(const LightSettings&) const = default;
};

// Seconds between redraws of each component's data; Knobs copies them into its intervals.
struct RefreshSettings {
    double cpu = 1, memory = 2, disk = 5, network = 1, process = 3, time = 1;
    double background = 300;  // seconds between checks for a new background picture
    bool operator==(const RefreshSettings&) const = default;
};

struct Rgb {
    unsigned char r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// Every colour name the dashboard draws with; the file may change each, never add one.
inline std::map<std::string, Rgb> default_colors() {
    return {
        {"accent", {0, 170, 255}}, {"text", {232, 234, 237}}, {"text_gray", {110, 118, 130}},
        {"card", {28, 32, 40}},    {"track", {48, 54, 66}},   {"good", {64, 200, 120}},
        {"warn", {245, 180, 60}},  {"bad", {235, 80, 80}},
    };
}

struct ThemeSettings {
    std::map<std::string, Rgb> colors = default_colors();
    bool operator==(const ThemeSettings&) const = default;
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
    RefreshSettings refresh;
    ThemeSettings theme;
    bool operator==(const Settings&) const = default;
};

}  // namespace ts::config
