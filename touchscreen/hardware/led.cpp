#include "led.hpp"

#include <filesystem>
#include <sstream>

namespace ts::hardware {

namespace {

namespace fs = std::filesystem;

constexpr const char* kColourNames[3] = {"red", "green", "blue"};

bool exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

// The kernel's trigger would fight our writes (a heartbeat, a disk activity light).
bool release_trigger(const std::string& dir, std::string& error) {
    if (!exists(dir + "/trigger")) return true;
    auto trigger = SysfsFile::open(dir + "/trigger", error);
    if (!trigger) return false;
    if (!trigger->write("none")) {
        error = dir + "/trigger refused \"none\"";
        return false;
    }
    return true;
}

int scaled(std::uint8_t v, int max) { return (v * max + 127) / 255; }

}  // namespace

std::optional<Led> Led::open_multicolour(const std::string& dir, std::string& error) {
    const auto index = read_text(dir + "/multi_index");
    if (!index) {
        error = dir + "/multi_index cannot be read";
        return std::nullopt;
    }
    Led led;
    led.name_ = dir;
    led.multicolour_ = true;
    std::istringstream words(*index);
    std::string word;
    while (words >> word) {
        Channel c;
        for (int i = 0; i < 3; ++i) {
            if (word == kColourNames[i]) c.colour = i;
        }
        led.channels_.push_back(c);
    }
    if (led.channels_.empty()) {
        error = dir + "/multi_index names no colours";
        return std::nullopt;
    }
    const auto max = read_count(dir + "/max_brightness", error);
    if (!max) return std::nullopt;
    for (Channel& c : led.channels_) c.max = static_cast<int>(*max);
    if (!release_trigger(dir, error)) return std::nullopt;
    // The intensities carry the colour; the brightness stays at full scale.
    auto brightness = SysfsFile::open(dir + "/brightness", error);
    if (!brightness) return std::nullopt;
    brightness->write(*max);
    auto intensity = SysfsFile::open(dir + "/multi_intensity", error);
    if (!intensity) return std::nullopt;
    led.files_.push_back(std::move(*intensity));
    led.written_.assign(led.channels_.size(), -1);
    return led;
}

std::optional<Led> Led::open_triple(const std::array<std::string, 3>& dirs, std::string& error) {
    Led led;
    led.name_ = dirs[0] + ", " + dirs[1] + ", " + dirs[2];
    for (int i = 0; i < 3; ++i) {
        const auto max = read_count(dirs[i] + "/max_brightness", error);
        if (!max) return std::nullopt;
        if (!release_trigger(dirs[i], error)) return std::nullopt;
        auto brightness = SysfsFile::open(dirs[i] + "/brightness", error);
        if (!brightness) return std::nullopt;
        led.channels_.push_back({i, static_cast<int>(*max)});
        led.files_.push_back(std::move(*brightness));
    }
    led.written_.assign(3, -1);
    return led;
}

int Led::show(Rgb colour) {
    const std::uint8_t parts[3] = {colour.r, colour.g, colour.b};
    std::vector<int> next(channels_.size());
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        next[i] = channels_[i].colour < 0 ? 0 : scaled(parts[channels_[i].colour], channels_[i].max);
    }
    if (multicolour_) {
        if (next == written_) return 0;
        // One write with every channel, in multi_index order: the kernel takes it as one colour.
        std::string text;
        for (std::size_t i = 0; i < next.size(); ++i) text += (i ? " " : "") + std::to_string(next[i]);
        if (!files_[0].write(text)) return 0;
        written_ = next;
        return 1;
    }
    int writes = 0;
    for (std::size_t i = 0; i < next.size(); ++i) {
        if (next[i] == written_[i] || !files_[i].write(next[i])) continue;
        written_[i] = next[i];
        ++writes;
    }
    return writes;
}

std::optional<std::string> find_backlight(const std::string& root, const std::string& setting, std::string& error) {
    if (setting == "none") return std::nullopt;
    if (setting == "auto") {
        const auto names = class_entries(root, "backlight");
        if (names.empty()) return std::nullopt;  // an HDMI screen: not an error
        return class_dir(root, "backlight") + "/" + names.front();
    }
    return checked_entry(root, "backlight", setting, error);
}

std::optional<Led> find_led(const std::string& root, const std::string& setting,
                            const std::vector<std::string>& paths, std::string& error) {
    if (!paths.empty()) {
        if (paths.size() != 3) {
            error = "light.led lists " + std::to_string(paths.size()) + " folders; it takes red, green and blue";
            return std::nullopt;
        }
        std::array<std::string, 3> dirs;
        for (int i = 0; i < 3; ++i) {
            const auto dir = checked_entry(root, "leds", paths[i], error);
            if (!dir) return std::nullopt;
            dirs[i] = *dir;
        }
        return Led::open_triple(dirs, error);
    }
    if (setting == "none") return std::nullopt;
    if (setting != "auto") {
        const auto dir = checked_entry(root, "leds", setting, error);
        if (!dir) return std::nullopt;
        return Led::open_multicolour(*dir, error);
    }
    // A single-colour board LED (mmc0::, ACT, a keyboard's) is never taken: its trigger is
    // someone else's. Only a multicolour LED or a red, green, blue triple qualifies.
    const std::string dir = class_dir(root, "leds");
    const auto names = class_entries(root, "leds");
    for (const std::string& name : names) {
        if (exists(dir + "/" + name + "/multi_index") && exists(dir + "/" + name + "/multi_intensity")) {
            return Led::open_multicolour(dir + "/" + name, error);
        }
    }
    for (const std::string& name : names) {
        const auto at = name.find("red");
        if (at == std::string::npos) continue;
        std::array<std::string, 3> dirs{dir + "/" + name, "", ""};
        bool complete = true;
        for (int i = 1; i < 3; ++i) {
            const std::string sibling = std::string(name).replace(at, 3, kColourNames[i]);
            complete = complete && exists(dir + "/" + sibling);
            dirs[i] = dir + "/" + sibling;
        }
        if (complete) return Led::open_triple(dirs, error);
    }
    return std::nullopt;
}

}  // namespace ts::hardware
