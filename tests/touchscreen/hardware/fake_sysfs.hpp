// A /sys stand-in inside a temporary folder: backlight and LED folders with their attribute
// files, for the drivers and for the real program (through $TOUCHSCREEN_SYSFS_ROOT).
#pragma once

#include "reader_scripts.hpp"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace ts::test {

class FakeSysfs {
public:
    const std::string& root() const { return dir_.path(); }
    std::string backlight(const std::string& name) const { return root() + "/sys/class/backlight/" + name; }
    std::string led(const std::string& name) const { return root() + "/sys/class/leds/" + name; }

    // max_brightness, brightness and, when asked, bl_power.
    std::string add_backlight(const std::string& name, const std::string& max, bool bl_power = true,
                              bool brightness = true) const {
        const std::string d = backlight(name);
        std::filesystem::create_directories(d);
        put(d + "/max_brightness", max + "\n");
        if (brightness) put(d + "/brightness", "7\n");
        if (bl_power) put(d + "/bl_power", "0\n");
        return d;
    }
    // A plain LED whose trigger starts as a kernel one.
    std::string add_led(const std::string& name, const std::string& max = "255") const {
        const std::string d = led(name);
        std::filesystem::create_directories(d);
        put(d + "/max_brightness", max + "\n");
        put(d + "/brightness", "0\n");
        put(d + "/trigger", "[mmc0] none\n");
        return d;
    }
    std::string add_multicolour(const std::string& name, const std::string& index, const std::string& max = "255") const {
        const std::string d = add_led(name, max);
        put(d + "/multi_index", index + "\n");
        put(d + "/multi_intensity", "0 0 0\n");
        return d;
    }

    static void put(const std::string& path, const std::string& text) { std::ofstream(path) << text; }
    static std::string get(const std::string& path) {
        std::ifstream in(path);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    TempDir dir_;
};

}  // namespace ts::test
