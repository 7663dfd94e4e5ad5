// The panel's backlight: a /sys/class/backlight folder driven through brightness and bl_power.
// Some panels keep glowing at brightness 0 and some ignore bl_power, so switching off writes
// both, as far as the device has them. Used by the hardware worker thread only.
#pragma once

#include "sysfs.hpp"

#include <optional>
#include <string>

namespace ts::hardware {

// The slider's percent (5-100; 0 means off) as a device level in 0..max. The curve follows
// the eye (a power of 2.2), and the lowest setting keeps min_percent of the range, at least
// one step, so the panel never goes dark while it is meant to be on. max 1 is on/off only.
int level_for_percent(int percent, int max, int min_percent);

class Backlight {
public:
    // Opens "<dir>/brightness", "<dir>/max_brightness" and "<dir>/bl_power" where present.
    // nullopt, with error naming the file, when the folder cannot drive a panel.
    static std::optional<Backlight> open(const std::string& dir, int min_percent, std::string& error);

    // The whole sequence for one state: off saves nothing (the caller keeps the level) and
    // writes brightness 0, then bl_power 4; on writes bl_power 0, then the level for percent.
    void switch_off();
    void switch_on(int percent);
    // While on: the level for percent. Returns the level written, or -1 when none was needed.
    int set_percent(int percent);

    int max_brightness() const { return max_; }
    const std::string& dir() const { return dir_; }

private:
    std::string dir_;
    int max_ = 0;
    int min_percent_ = 5;
    int written_ = -1;  // the level last written, -1 before the first
    std::optional<SysfsFile> brightness_;  // absent where max_brightness is 0 (switch only)
    std::optional<SysfsFile> bl_power_;
};

}  // namespace ts::hardware
