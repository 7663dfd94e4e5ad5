#include "light_animator.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace ts::hardware {

namespace {

constexpr double kLedGamma = 2.2;

const std::array<std::uint8_t, 256>& gamma_table() {
    static const std::array<std::uint8_t, 256> table = [] {
        std::array<std::uint8_t, 256> t{};
        for (int i = 0; i < 256; ++i) t[i] = static_cast<std::uint8_t>(std::lround(255.0 * std::pow(i / 255.0, kLedGamma)));
        return t;
    }();
    return table;
}

std::uint8_t to_byte(double v) { return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

Rgb hue_at(double degrees) {
    const double h = std::fmod(degrees, 360.0) / 60.0;
    const double x = 1.0 - std::abs(std::fmod(h, 2.0) - 1.0);
    switch (static_cast<int>(h)) {
        case 0: return {255, to_byte(x), 0};
        case 1: return {to_byte(x), 255, 0};
        case 2: return {0, 255, to_byte(x)};
        case 3: return {0, to_byte(x), 255};
        case 4: return {to_byte(x), 0, 255};
        default: return {255, 0, to_byte(x)};
    }
}

Rgb corrected(Rgb c) { return {gamma(c.r), gamma(c.g), gamma(c.b)}; }

}  // namespace

std::uint8_t gamma(std::uint8_t level) { return gamma_table()[level]; }

LightMode light_mode_from(const std::string& text) {
    if (text == "static") return LightMode::Static;
    if (text == "breath") return LightMode::Breath;
    if (text == "rainbow") return LightMode::Rainbow;
    return LightMode::Off;
}

std::optional<Rgb> colour_from(const std::string& text) {
    if (text.size() == 7 && text[0] == '#') {
        char* end = nullptr;
        const unsigned long v = std::strtoul(text.c_str() + 1, &end, 16);
        if (*end != '\0') return std::nullopt;
        return Rgb{std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
    }
    struct Named {
        const char* name;
        Rgb rgb;
    };
    static constexpr Named kNamed[] = {{"red", {255, 0, 0}},     {"green", {0, 255, 0}},  {"blue", {0, 0, 255}},
                                       {"white", {255, 255, 255}}, {"yellow", {255, 255, 0}}, {"cyan", {0, 255, 255}},
                                       {"magenta", {255, 0, 255}}};
    for (const Named& n : kNamed) {
        if (text == n.name) return n.rgb;
    }
    return std::nullopt;
}

bool animates(LightMode mode) { return mode == LightMode::Breath || mode == LightMode::Rainbow; }

Rgb light_at(LightMode mode, Rgb colour, double seconds) {
    const double t = std::max(0.0, seconds);
    switch (mode) {
        case LightMode::Static: return corrected(colour);
        case LightMode::Breath: {
            // Starts dark, full at half the period: (1 - cos) / 2 eases at both ends.
            const double k = (1.0 - std::cos(2.0 * std::numbers::pi * t / kBreathPeriod)) / 2.0;
            const auto scale = [k](std::uint8_t v) { return static_cast<std::uint8_t>(std::lround(v * k)); };
            return corrected({scale(colour.r), scale(colour.g), scale(colour.b)});
        }
        case LightMode::Rainbow: return corrected(hue_at(360.0 * std::fmod(t, kRainbowPeriod) / kRainbowPeriod));
        case LightMode::Off: break;
    }
    return {};
}

}  // namespace ts::hardware
