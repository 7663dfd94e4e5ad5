// Finding and opening the devices: the backlight's curve and switching sequence on devices
// with 255, 1 and 0 steps, the light's discovery that never takes a board LED, and every
// bad path or value refused with the file named and nothing written.
#include "fake_sysfs.hpp"
#include "hardware/backlight.hpp"
#include "hardware/led.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace ts::hardware {
namespace {

using test::FakeSysfs;

TEST(BacklightCurve, MapsTheSliderOntoTheDeviceRange) {
    struct Case {
        int percent, max, min_percent, level;
    } cases[] = {
        {0, 255, 5, 0},      // off is the only way to 0
        {5, 255, 5, 13},     // lowest setting: 5 % of the range
        {100, 255, 5, 255},  // top of the range
        {5, 255, 0, 1},      // a minimum of 0 still keeps one step lit
        {5, 1, 5, 1},        // on/off device: any setting is on
        {60, 1, 5, 1},
        {0, 1, 5, 0},
        {50, 0, 5, 0},       // switch-only device: no level at all
        {3, 255, 5, 13},     // below the slider's range: its lowest setting
        {150, 100, 5, 100},  // above it: full
        {5, 10, 20, 2},      // a higher minimum
    };
    for (const Case& c : cases) {
        EXPECT_EQ(level_for_percent(c.percent, c.max, c.min_percent), c.level)
            << c.percent << "% of " << c.max << ", min " << c.min_percent;
    }
}

TEST(BacklightCurve, RisesSlowlyAtTheBottomAndNeverFalls) {
    int previous = 0;
    for (int p = 5; p <= 100; ++p) {
        const int level = level_for_percent(p, 255, 5);
        EXPECT_GE(level, previous) << p;
        previous = level;
    }
    // Perceptual: the middle of the slider is well below the middle of the range.
    EXPECT_LT(level_for_percent(50, 255, 5), 255 / 3);
}

struct Written {
    std::string brightness, bl_power;
};

TEST(Backlight, SwitchesOffAndOnThroughWhatTheDeviceHas) {
    FakeSysfs sys;
    const std::string l50 = std::to_string(level_for_percent(50, 255, 5));
    struct Case {
        const char* name;
        const char* max;
        bool bl_power;
        Written on_at_50, off, on_at_5;
    } cases[] = {
        {"full", "255", true, {l50, "0"}, {"0", "4"}, {"13", "0"}},
        {"no-power-file", "255", false, {l50, ""}, {"0", ""}, {"13", ""}},
        {"on-off", "1", true, {"1", "0"}, {"0", "4"}, {"1", "0"}},
        {"fbtft", "0", true, {"7\n", "0"}, {"7\n", "4"}, {"7\n", "0"}},  // brightness never written
    };
    for (const Case& c : cases) {
        const std::string dir = sys.add_backlight(c.name, c.max, c.bl_power);
        std::string error;
        auto b = Backlight::open(dir, 5, error);
        ASSERT_TRUE(b) << c.name << ": " << error;
        const auto check = [&](const Written& w, const char* step) {
            EXPECT_EQ(FakeSysfs::get(dir + "/brightness"), w.brightness) << c.name << " " << step;
            if (c.bl_power) {
                EXPECT_EQ(FakeSysfs::get(dir + "/bl_power"), w.bl_power) << c.name << " " << step;
            }
        };
        if (c.bl_power) FakeSysfs::put(dir + "/bl_power", "4");  // left off by an earlier run
        b->switch_on(50);
        check(c.on_at_50, "on");
        b->switch_off();
        check(c.off, "off");
        b->switch_on(5);
        check(c.on_at_5, "on again");
    }
}

TEST(Backlight, WritesALevelOnlyWhenItChanges) {
    FakeSysfs sys;
    const std::string dir = sys.add_backlight("b", "255");
    std::string error;
    auto b = Backlight::open(dir, 5, error);
    ASSERT_TRUE(b) << error;
    EXPECT_EQ(b->set_percent(100), 255);
    FakeSysfs::put(dir + "/brightness", "-");
    EXPECT_EQ(b->set_percent(100), -1);
    EXPECT_EQ(FakeSysfs::get(dir + "/brightness"), "-");
}

TEST(Discovery, AutoTakesTheFirstBacklightAndNoneTakesNothing) {
    FakeSysfs sys;
    std::string error;
    EXPECT_FALSE(find_backlight(sys.root(), "auto", error));  // no class folder at all: an HDMI screen
    EXPECT_EQ(error, "");
    sys.add_backlight("zz", "10");
    sys.add_backlight("aa", "255");
    EXPECT_EQ(find_backlight(sys.root(), "auto", error), sys.backlight("aa"));
    EXPECT_FALSE(find_backlight(sys.root(), "none", error));
    EXPECT_EQ(find_backlight(sys.root(), sys.backlight("zz") + "/", error), sys.backlight("zz"));
    EXPECT_EQ(error, "");
}

TEST(Discovery, AutoLightNeverTakesASingleColourLed) {
    FakeSysfs sys;
    for (const char* name : {"mmc0::", "ACT", "input3::capslock", "board:red"}) sys.add_led(name);
    std::string error;
    EXPECT_FALSE(find_led(sys.root(), "auto", {}, error));
    EXPECT_EQ(error, "");
    for (const char* name : {"mmc0::", "ACT", "input3::capslock", "board:red"}) {
        EXPECT_EQ(FakeSysfs::get(sys.led(name) + "/trigger"), "[mmc0] none\n") << name;
    }
    // A triple sharing its name apart from the colour qualifies...
    sys.add_led("rgb:red");
    sys.add_led("rgb:green");
    sys.add_led("rgb:blue");
    auto triple = find_led(sys.root(), "auto", {}, error);
    ASSERT_TRUE(triple) << error;
    EXPECT_EQ(triple->name(), sys.led("rgb:red") + ", " + sys.led("rgb:green") + ", " + sys.led("rgb:blue"));
    // ...but a multicolour LED comes first.
    sys.add_multicolour("zz:rgb", "red green blue");
    auto multi = find_led(sys.root(), "auto", {}, error);
    ASSERT_TRUE(multi) << error;
    EXPECT_EQ(multi->name(), sys.led("zz:rgb"));
    EXPECT_FALSE(find_led(sys.root(), "none", {}, error));
}

// A configured device that cannot be used: one message naming the file, no device, and no
// file anywhere written or created.
TEST(BadInput, RefusedWithTheFileNamed) {
    FakeSysfs sys;
    sys.add_backlight("text", "bright");
    sys.add_backlight("negative", "-3");
    sys.add_backlight("empty", "");
    sys.add_backlight("dark", "0", /*bl_power=*/false);
    sys.add_backlight("nobrightness", "255", true, /*brightness=*/false);
    std::filesystem::create_directories(sys.backlight("folder") + "/brightness");  // unwritable, even for root
    FakeSysfs::put(sys.backlight("folder") + "/max_brightness", "255\n");
    std::filesystem::create_directories(sys.root() + "/etc/backlight");
    FakeSysfs::put(sys.root() + "/etc/backlight/max_brightness", "255\n");
    FakeSysfs::put(sys.root() + "/etc/backlight/brightness", "1\n");

    struct Case {
        std::string configured, named;
    } cases[] = {
        {sys.backlight("missing"), sys.backlight("missing")},
        {sys.backlight("text"), sys.backlight("text") + "/max_brightness"},
        {sys.backlight("negative"), sys.backlight("negative") + "/max_brightness"},
        {sys.backlight("empty"), sys.backlight("empty") + "/max_brightness"},
        {sys.backlight("dark"), sys.backlight("dark") + "/max_brightness"},
        {sys.backlight("nobrightness"), sys.backlight("nobrightness") + "/brightness"},
        {sys.backlight("folder"), sys.backlight("folder") + "/brightness"},
        {sys.root() + "/etc/backlight", sys.root() + "/etc/backlight"},                      // outside the class
        {sys.backlight("..") + "/../../etc/backlight", sys.backlight("..") + "/../../etc/backlight"},
        {sys.backlight("text") + "/subsystem", sys.backlight("text") + "/subsystem"},          // deeper than an entry
        {"/sys/class/backlight/x", "/sys/class/backlight/x"},                                 // outside the root
    };
    for (const Case& c : cases) {
        std::string error;
        std::optional<Backlight> b;
        if (const auto dir = find_backlight(sys.root(), c.configured, error)) b = Backlight::open(*dir, 5, error);
        EXPECT_FALSE(b) << c.configured;
        EXPECT_NE(error.find(c.named), std::string::npos) << c.configured << ": " << error;
    }
    EXPECT_EQ(FakeSysfs::get(sys.root() + "/etc/backlight/brightness"), "1\n");
    EXPECT_FALSE(std::filesystem::exists(sys.backlight("missing")));
}

TEST(BadInput, LightFoldersRefusedWithTheFileNamed) {
    FakeSysfs sys;
    sys.add_multicolour("no-index", "red green blue");
    std::filesystem::remove(sys.led("no-index") + "/multi_index");
    sys.add_multicolour("garbage", "red green blue", "lots");
    sys.add_multicolour("folder", "red green blue");
    std::filesystem::remove(sys.led("folder") + "/multi_intensity");
    std::filesystem::create_directories(sys.led("folder") + "/multi_intensity");
    sys.add_led("r");
    sys.add_led("g");

    struct Case {
        std::string led;
        std::vector<std::string> paths;
        std::string named;
    } cases[] = {
        {sys.led("no-index"), {}, sys.led("no-index") + "/multi_index"},
        {sys.led("garbage"), {}, sys.led("garbage") + "/max_brightness"},
        {sys.led("folder"), {}, sys.led("folder") + "/multi_intensity"},
        {sys.led("missing"), {}, sys.led("missing")},
        {"", {sys.led("r"), sys.led("g"), sys.led("b")}, sys.led("b")},
        {"", {sys.led("r"), sys.led("g")}, "lists 2 folders"},
        {"", {sys.led("r"), sys.led("g"), sys.root() + "/tmp/b"}, sys.root() + "/tmp/b"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(find_led(sys.root(), c.led, c.paths, error)) << c.named;
        EXPECT_NE(error.find(c.named), std::string::npos) << c.named << ": " << error;
    }
}

}  // namespace
}  // namespace ts::hardware
