// What the RGB light shows at a moment: mode, chosen colour and time in, one colour out.
// Pure and clock-free so the modes can be checked at chosen times.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ts::hardware {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

enum class LightMode { Static, Breath, Rainbow, Off };

// "static", "breath", "rainbow" or "off"; any other text is off.
LightMode light_mode_from(const std::string& text);
// "#rrggbb" or one of red, green, blue, white, yellow, cyan, magenta; nullopt otherwise.
std::optional<Rgb> colour_from(const std::string& text);

// True for the modes that change over time.
bool animates(LightMode mode);

inline constexpr double kBreathPeriod = 3.0;    // seconds for one fade in and out
inline constexpr double kRainbowPeriod = 10.0;  // seconds for one turn of the hue

// The light's drive values at `seconds` after the mode began, gamma-corrected so that a
// linear fade looks linear to the eye.
Rgb light_at(LightMode mode, Rgb colour, double seconds);

// Perceived level (0-255) to drive level (0-255); 0 stays 0 and 255 stays 255.
std::uint8_t gamma(std::uint8_t level);

}  // namespace ts::hardware
