// The worker's passes over a hand-driven clock: nothing before the first frame, the level
// rate-limited with the last one landing, the off and wake sequences in order, the light
// paused while dark, and a device that is missing or broken leaving the rest working.
#include "fake_sysfs.hpp"
#include "hardware/devices.hpp"
#include "log_capture.hpp"

#include <gtest/gtest.h>

namespace ts::hardware {
namespace {

using test::FakeSysfs;

std::string level(int percent, int max = 255) { return std::to_string(level_for_percent(percent, max, 5)); }

class DevicesTest : public ::testing::Test {
protected:
    DevicesTest() {
        bl = sys.add_backlight("panel", "255");
        led = sys.add_multicolour("rgb", "green red blue");
    }
    std::string brightness() const { return FakeSysfs::get(bl + "/brightness"); }
    std::string power() const { return FakeSysfs::get(bl + "/bl_power"); }
    std::string intensity() const { return FakeSysfs::get(led + "/multi_intensity"); }
    DeviceSettings settings() const { return {sys.backlight("panel"), 5, sys.led("rgb"), {}}; }

    FakeSysfs sys;
    std::string bl, led;
};

TEST_F(DevicesTest, NothingIsWrittenBeforeTheFirstFrame) {
    Devices d(settings(), sys.root());
    d.set_brightness(40);
    d.set_light(LightMode::Static, {255, 0, 0});
    EXPECT_LT(d.step(0.0), 0);
    EXPECT_EQ(brightness(), "7\n");
    EXPECT_EQ(intensity(), "0 0 0\n");
    d.frame_shown();
    d.step(0.1);
    EXPECT_EQ(power(), "0");
    EXPECT_EQ(brightness(), level(40));
    EXPECT_EQ(intensity(), "0 255 0");
}

TEST_F(DevicesTest, DraggingWritesAtMostTwentyTimesASecondAndTheLastValueLands) {
    Devices d(settings(), sys.root());
    d.set_brightness(80);
    d.frame_shown();
    d.step(10.0);
    ASSERT_EQ(brightness(), level(80));
    struct Step {
        double at;
        int percent;         // 0: no new request
        std::string stored;  // after the pass
        double next;         // the pass's answer: seconds to the next, < 0 for none
    } steps[] = {
        {10.01, 70, level(80), 0.04},  // 10 ms after the last write: held back
        {10.03, 60, level(80), 0.02},  // newer value replaces it, still held
        {10.05, 0, level(60), -1},     // 50 ms: the newest lands
        {10.20, 30, level(30), -1},    // a pause between moves: at once
        {10.21, 90, level(30), 0.04},
    };
    for (const Step& s : steps) {
        if (s.percent) d.set_brightness(s.percent);
        EXPECT_NEAR(d.step(s.at), s.next, 1e-9) << s.at;
        EXPECT_EQ(brightness(), s.stored) << s.at;
    }
    d.step(10.25);
    EXPECT_EQ(brightness(), level(90));
}

TEST_F(DevicesTest, OffWritesBothFilesAndWakeRestoresTheLevel) {
    Devices d(settings(), sys.root());
    d.set_brightness(55);
    d.frame_shown();
    d.step(0.0);
    d.screen_off();
    d.step(1.0);
    EXPECT_EQ(brightness(), "0");
    EXPECT_EQ(power(), "4");
    // A brightness change while dark is kept for the wake, not written.
    d.set_brightness(65);
    d.step(2.0);
    EXPECT_EQ(brightness(), "0");
    d.frame_shown();
    d.step(3.0);
    EXPECT_EQ(power(), "0");
    EXPECT_EQ(brightness(), level(65));
}

TEST_F(DevicesTest, LightAnimatesWhileLitAndPausesWhileDark) {
    Devices d(settings(), sys.root());
    d.set_light(LightMode::Rainbow, {0, 0, 0});
    d.frame_shown();
    d.step(100.0);  // the mode begins now: red
    EXPECT_EQ(intensity(), "0 255 0");
    // Where the green ramp is steep every tick shows a new colour.
    EXPECT_NEAR(d.step(100.0 + kRainbowPeriod * 0.1), Devices::kLightPeriod, 1e-9);
    d.step(100.0 + kRainbowPeriod / 3);  // green, first in multi_index
    EXPECT_EQ(intensity(), "255 0 0");
    FakeSysfs::put(led + "/multi_intensity", "-");
    d.step(100.0 + kRainbowPeriod / 3);  // same moment, same colour: no write
    EXPECT_EQ(intensity(), "-");

    d.screen_off();
    EXPECT_LT(d.step(105.0), 0);  // nothing to wake for until a request
    EXPECT_EQ(intensity(), "-");

    d.set_light(LightMode::Static, {0, 0, 255});
    d.frame_shown();
    EXPECT_LT(d.step(106.0), 0);  // a still colour needs no further passes
    EXPECT_EQ(intensity(), "0 0 255");
}

TEST_F(DevicesTest, BreathSleepsThroughTicksThatWouldShowTheSameColour) {
    Devices d(settings(), sys.root());
    d.set_light(LightMode::Breath, {255, 255, 255});
    d.frame_shown();
    // Dark at the start, and the gamma curve keeps it dark for a while: no pass until it is not.
    const double next = d.step(0.0);
    EXPECT_EQ(intensity(), "0 0 0");
    EXPECT_GT(next, 2 * Devices::kLightPeriod);
    EXPECT_LE(next, Devices::kMaxIdleTicks * Devices::kLightPeriod);
    d.step(next);
    EXPECT_NE(intensity(), "0 0 0");
    // A whole period later the cycle is back in the same place: the same colour, no write.
    const std::string then = intensity();
    FakeSysfs::put(led + "/multi_intensity", "-");
    d.step(next + kBreathPeriod);
    EXPECT_EQ(intensity(), "-") << then;
}

TEST_F(DevicesTest, TheWorkerThreadCarriesOutRequests) {
    Devices d(settings(), sys.root());
    d.set_brightness(100);
    d.set_light(LightMode::Static, {0, 255, 0});
    d.start();
    d.frame_shown();
    for (int i = 0; i < 200 && (brightness() != "255" || intensity() != "255 0 0"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(brightness(), "255");
    EXPECT_EQ(intensity(), "255 0 0");
    d.screen_off();
    for (int i = 0; i < 200 && power() != "4"; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(power(), "4");
    EXPECT_EQ(brightness(), "0");
}

TEST_F(DevicesTest, ABrokenDeviceIsLoggedOnceAndTheOtherStillWorks) {
    FakeSysfs::put(bl + "/max_brightness", "many\n");
    test::LogCapture logs;
    Devices d(settings(), sys.root());
    EXPECT_FALSE(d.has_backlight());
    ASSERT_TRUE(d.has_led());
    d.set_light(LightMode::Breath, {255, 255, 255});
    d.set_brightness(30);
    d.frame_shown();
    for (double t = 0; t < 2; t += 0.04) d.step(t);
    d.screen_off();
    d.step(3);
    EXPECT_EQ(brightness(), "7\n");
    EXPECT_NE(intensity(), "0 0 0\n");
    int warnings = 0;
    for (const std::string& m : logs.messages()) {
        if (m.rfind("WARNING", 0) == 0) {
            ++warnings;
            EXPECT_NE(m.find(bl + "/max_brightness"), std::string::npos) << m;
        }
    }
    EXPECT_EQ(warnings, 1) << logs.text();
}

TEST_F(DevicesTest, WithoutDevicesNothingIsWrittenOrLoggedAfterTheFirstLines) {
    test::LogCapture logs;
    Devices d({"none", 5, "none", {}}, sys.root());
    const std::size_t at_start = logs.lines().size();
    d.start();  // no devices: no thread either
    d.set_light(LightMode::Rainbow, {1, 2, 3});
    d.set_brightness(20);
    d.frame_shown();
    EXPECT_LT(d.step(0), 0);
    d.screen_off();
    d.step(1);
    EXPECT_EQ(brightness(), "7\n");
    EXPECT_EQ(intensity(), "0 0 0\n");
    EXPECT_EQ(logs.lines().size(), at_start);
}

}  // namespace
}  // namespace ts::hardware
