// The light's modes at chosen times, and the LED drivers: channel order from multi_index in
// one write, scaling to each LED's range, triggers released, and no write without a change.
#include "fake_sysfs.hpp"
#include "hardware/led.hpp"
#include "hardware/light_animator.hpp"

#include <gtest/gtest.h>

namespace ts::hardware {
namespace {

using test::FakeSysfs;

std::string str(Rgb c) { return std::to_string(c.r) + " " + std::to_string(c.g) + " " + std::to_string(c.b); }

TEST(LightModes, ValuesAtChosenTimes) {
    const Rgb orange{255, 128, 0};
    const std::uint8_t half = gamma(128);
    struct Case {
        LightMode mode;
        double seconds;
        Rgb expected;
    } cases[] = {
        {LightMode::Static, 0.0, {255, half, 0}},  // the colour, gamma-corrected
        {LightMode::Static, 7.3, {255, half, 0}},
        {LightMode::Off, 1.0, {0, 0, 0}},
        {LightMode::Breath, 0.0, {0, 0, 0}},  // starts dark
        {LightMode::Breath, kBreathPeriod / 2, {255, half, 0}},  // full at half the period
        {LightMode::Breath, kBreathPeriod, {0, 0, 0}},  // dark again
        {LightMode::Breath, kBreathPeriod / 3, {gamma(191), gamma(96), 0}},  // three quarters up
        {LightMode::Rainbow, 0.0, {255, 0, 0}},
        {LightMode::Rainbow, kRainbowPeriod / 3, {0, 255, 0}},
        {LightMode::Rainbow, kRainbowPeriod * 2 / 3, {0, 0, 255}},
        {LightMode::Rainbow, kRainbowPeriod, {255, 0, 0}},  // one turn
        {LightMode::Rainbow, kRainbowPeriod / 6, {255, 255, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(str(light_at(c.mode, orange, c.seconds)), str(c.expected))
            << static_cast<int>(c.mode) << " at " << c.seconds;
    }
}

TEST(LightModes, GammaKeepsTheEndsAndDarkensTheMiddle) {
    EXPECT_EQ(gamma(0), 0);
    EXPECT_EQ(gamma(255), 255);
    EXPECT_LT(gamma(128), 64);
    for (int i = 1; i < 256; ++i) EXPECT_GE(gamma(i), gamma(i - 1)) << i;
}

TEST(LightModes, ModeAndColourText) {
    EXPECT_EQ(light_mode_from("breath"), LightMode::Breath);
    EXPECT_EQ(light_mode_from("rainbow"), LightMode::Rainbow);
    EXPECT_EQ(light_mode_from("static"), LightMode::Static);
    EXPECT_EQ(light_mode_from("disco"), LightMode::Off);
    EXPECT_EQ(colour_from("#00ff80"), (Rgb{0, 255, 128}));
    EXPECT_EQ(colour_from("green"), (Rgb{0, 255, 0}));
    EXPECT_FALSE(colour_from("#00ff8"));
    EXPECT_FALSE(colour_from("#00ffzz"));
    EXPECT_FALSE(colour_from("teal"));
}

TEST(Led, MulticolourWritesEveryChannelInIndexOrderInOneWrite) {
    FakeSysfs sys;
    const std::string dir = sys.add_multicolour("rgb", "green red blue", "100");
    std::string error;
    auto led = Led::open_multicolour(dir, error);
    ASSERT_TRUE(led) << error;
    EXPECT_EQ(FakeSysfs::get(dir + "/trigger"), "none");
    EXPECT_EQ(FakeSysfs::get(dir + "/brightness"), "100");  // the intensities carry the colour
    struct Step {
        Rgb colour;
        const char* intensity;
        int writes;
    } steps[] = {
        {{255, 0, 0}, "0 100 0", 1},      // red is the second channel; 255 is the LED's 100
        {{255, 0, 0}, "-", 0},     // unchanged: nothing written
        {{0, 128, 255}, "50 0 100", 1},
        {{0, 0, 0}, "0 0 0", 1},
    };
    for (const Step& s : steps) {
        FakeSysfs::put(dir + "/multi_intensity", "-");
        EXPECT_EQ(led->show(s.colour), s.writes) << s.intensity;
        EXPECT_EQ(FakeSysfs::get(dir + "/multi_intensity"), s.intensity);
    }
}

TEST(Led, TripleWritesOnlyTheChannelsThatChanged) {
    FakeSysfs sys;
    const std::array<std::string, 3> dirs{sys.add_led("x:red"), sys.add_led("x:green", "1"), sys.add_led("x:blue", "31")};
    std::string error;
    auto led = Led::open_triple(dirs, error);
    ASSERT_TRUE(led) << error;
    for (const std::string& d : dirs) EXPECT_EQ(FakeSysfs::get(d + "/trigger"), "none") << d;
    struct Step {
        Rgb colour;
        const char* expected[3];  // "-" where the file must not be written
        int writes;
    } steps[] = {
        {{10, 255, 255}, {"10", "1", "31"}, 3},
        {{20, 255, 255}, {"20", "-", "-"}, 1},
        {{20, 100, 255}, {"-", "0", "-"}, 1},  // 100 of 255 rounds to 0 of an on/off LED
        {{20, 0, 128}, {"-", "-", "16"}, 1},
    };
    for (const Step& s : steps) {
        for (const std::string& d : dirs) FakeSysfs::put(d + "/brightness", "-");
        EXPECT_EQ(led->show(s.colour), s.writes);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(FakeSysfs::get(dirs[i] + "/brightness"), s.expected[i]) << i;
    }
}

}  // namespace
}  // namespace ts::hardware
