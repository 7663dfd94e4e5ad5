// The real program beside a scripted touchreader, its backlight and light in a fake sysfs
// tree: the stored level lands at start, a drag on the slider moves it, the idle time turns
// the panel off through both files, and a tap where a control-centre button was wakes it
// without pressing that button.
#include "fake_sysfs.hpp"
#include "hardware/backlight.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using ts::test::FakeSysfs;

// Pull the centre down, drag the brightness slider (screen row 100) from x 300 to 100, leave
// the centre open until the 3 s idle time darkens the panel, then tap where the "never"
// timeout button was (x 306, y 270).
const char* kScript = R"(line() { echo "$(date +%s%3N) $1 $2"; sleep 0.02; }
release() { line -1 -1; }
sleep 0.8
for y in 300 320 340 360 380; do line 180 $y; done; release; sleep 0.6
for x in 300 260 220 180 140 100; do line $x 100; done; release; sleep 4.5
line 306 270; release
while :; do sleep 0.2; echo idle; done
)";

struct State {
    std::string brightness, power;
    bool operator==(const State&) const = default;
};

TEST(HardwareEndToEnd, SliderIdleOffAndWakeReachTheDevices) {
    FakeSysfs sys;
    const std::string bl = sys.add_backlight("panel", "255");
    FakeSysfs::put(bl + "/bl_power", "4\n");  // left dark by an earlier run
    const std::string led = sys.add_multicolour("rgb", "green red blue");
    sys.add_led("mmc0::");
    ts::test::TempDir dir;
    const std::string program = dir.path() + "/touchscreen";
    std::filesystem::copy_file(TOUCHSCREEN_BINARY, program);
    dir.script("touchreader", kScript);
    const std::string settings = dir.path() + "/settings.conf";
    FakeSysfs::put(settings, "brightness=60\nhue=0\ntimeout=3\nrgb_mode=static\n");
    const std::string log_path = dir.path() + "/stderr.log";

    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setenv("TOUCHSCREEN_SYSFS_ROOT", sys.root().c_str(), 1);
        setenv("TOUCHSCREEN_SETTINGS", settings.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
        dup2(open(log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }

    const auto level = [](int percent) { return std::to_string(ts::hardware::level_for_percent(percent, 255, 5)); };
    const int dragged = (100 - 24) * 100 / 327;  // the slider's percent under x 100
    const std::vector<State> wanted = {
        {level(60), "0"},       // stored level, panel switched on after the first frame
        {level(dragged), "0"},  // the drag's last point
        {"0", "4"},             // idle: brightness 0, then power off
        {level(dragged), "0"},  // the tap: power on, level restored
    };
    std::vector<State> seen;
    std::size_t matched = 0;
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (matched < wanted.size() && std::chrono::steady_clock::now() < deadline) {
        const State now{FakeSysfs::get(bl + "/brightness"), FakeSysfs::get(bl + "/bl_power")};
        if (seen.empty() || !(seen.back() == now)) {
            seen.push_back(now);
            if (now == wanted[matched]) ++matched;
        }
        std::this_thread::sleep_for(5ms);
    }
    const std::string stored = FakeSysfs::get(settings);
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    const std::string log = FakeSysfs::get(log_path);

    std::string timeline;
    for (const State& s : seen) timeline += "(" + s.brightness + ", " + s.power + ") ";
    EXPECT_EQ(matched, wanted.size()) << "states seen: " << timeline << "\n" << log;
    // The waking tap pressed nothing: the idle time is still the stored one.
    EXPECT_NE(stored.find("timeout=3\n"), std::string::npos) << stored;
    EXPECT_NE(stored.find("brightness=" + std::to_string(dragged) + "\n"), std::string::npos) << stored;
    EXPECT_NE(log.find("INFO - 亮屏后重置到时钟天气页面\n"), std::string::npos) << log;
    // The light shows the stored static red, red being the second channel; the board LED
    // keeps its trigger.
    EXPECT_EQ(FakeSysfs::get(led + "/multi_intensity"), "0 255 0");
    EXPECT_EQ(FakeSysfs::get(led + "/trigger"), "none");
    EXPECT_EQ(FakeSysfs::get(sys.led("mmc0::") + "/trigger"), "[mmc0] none\n");
    ASSERT_TRUE(WIFEXITED(status)) << log;
    EXPECT_EQ(WEXITSTATUS(status), 0) << log;
}

}  // namespace
