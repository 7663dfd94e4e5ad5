// The RGB light: one multicolour LED (multi_index, multi_intensity) or three plain LEDs for
// red, green and blue, under /sys/class/leds. Opening takes the LEDs away from their kernel
// triggers; the files stay open. Used by the hardware worker thread only.
#pragma once

#include "light_animator.hpp"
#include "sysfs.hpp"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace ts::hardware {

class Led {
public:
    // A folder with multi_index and multi_intensity. error names the file that failed.
    static std::optional<Led> open_multicolour(const std::string& dir, std::string& error);
    // Three plain LED folders, in the order red, green, blue.
    static std::optional<Led> open_triple(const std::array<std::string, 3>& dirs, std::string& error);

    // Drives the colour (0-255 per channel, scaled to each device's range). Writes only what
    // differs from the last values written; returns the number of files written.
    int show(Rgb colour);

    const std::string& name() const { return name_; }

private:
    struct Channel {
        int colour = -1;  // 0 red, 1 green, 2 blue, -1 a channel we keep dark
        int max = 255;
    };
    std::string name_;
    bool multicolour_ = false;
    std::vector<Channel> channels_;   // multicolour: in multi_index order; triple: r, g, b
    std::vector<SysfsFile> files_;    // multicolour: multi_intensity; triple: three brightness files
    std::vector<int> written_;        // last value per channel, -1 before the first
};

// Device discovery and configured paths, all under root (see sysfs_root()). Each returns
// nothing for "none"; for anything that cannot be used, error explains it, naming the path.
std::optional<std::string> find_backlight(const std::string& root, const std::string& setting, std::string& error);
std::optional<Led> find_led(const std::string& root, const std::string& setting,
                            const std::vector<std::string>& paths, std::string& error);

}  // namespace ts::hardware
