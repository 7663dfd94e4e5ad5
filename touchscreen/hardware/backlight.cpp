#include "backlight.hpp"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace ts::hardware {

namespace {
constexpr int kPowerOn = 0;    // FB_BLANK_UNBLANK
constexpr int kPowerOff = 4;   // FB_BLANK_POWERDOWN
constexpr double kEyeGamma = 2.2;
constexpr int kSliderLow = 5;  // percent: the slider's lowest setting
}  // namespace

int level_for_percent(int percent, int max, int min_percent) {
    if (percent <= 0 || max <= 0) return 0;
    if (max == 1) return 1;  // 5 % of 1 truncated to 0 would keep the panel dark for good
    const int low = std::clamp(static_cast<int>(std::lround(max * std::clamp(min_percent, 0, 100) / 100.0)), 1, max);
    const double along = (std::clamp(percent, kSliderLow, 100) - kSliderLow) / double(100 - kSliderLow);
    return low + static_cast<int>(std::lround((max - low) * std::pow(along, kEyeGamma)));
}

std::optional<Backlight> Backlight::open(const std::string& dir, int min_percent, std::string& error) {
    Backlight b;
    b.dir_ = dir;
    b.min_percent_ = min_percent;
    const auto max = read_count(dir + "/max_brightness", error);
    if (!max) return std::nullopt;
    b.max_ = static_cast<int>(std::min(*max, 1L << 30));
    if (b.max_ > 0) {
        b.brightness_ = SysfsFile::open(dir + "/brightness", error);
        if (!b.brightness_) return std::nullopt;
    }
    std::error_code ec;
    if (std::filesystem::exists(dir + "/bl_power", ec)) {
        b.bl_power_ = SysfsFile::open(dir + "/bl_power", error);
        if (!b.bl_power_) return std::nullopt;
    } else if (b.max_ == 0) {
        error = dir + "/max_brightness is 0 and there is no bl_power: nothing can switch the panel";
        return std::nullopt;
    }
    return b;
}

void Backlight::switch_off() {
    if (brightness_ && brightness_->write(0L)) written_ = 0;
    if (bl_power_) bl_power_->write(kPowerOff);
}

void Backlight::switch_on(int percent) {
    if (bl_power_) bl_power_->write(kPowerOn);
    written_ = -1;  // the level must land again even when it did not change
    set_percent(percent);
}

int Backlight::set_percent(int percent) {
    if (!brightness_) return -1;
    const int level = level_for_percent(percent, max_, min_percent_);
    if (level == written_) return -1;
    if (!brightness_->write(level)) return -1;
    written_ = level;
    return level;
}

}  // namespace ts::hardware
