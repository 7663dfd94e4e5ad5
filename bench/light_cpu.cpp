// CPU cost of the light's worker thread while it animates: a fake multicolour LED and
// backlight in a tmpfs folder, rainbow or breath for the given seconds, then the process's
// CPU time (the main thread only sleeps). Usage: light_cpu [seconds] [rainbow|breath] [tmpfs folder]
#include "hardware/devices.hpp"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    const std::string mode = argc > 2 ? argv[2] : "rainbow";
    const fs::path root = fs::path(argc > 3 ? argv[3] : "/dev/shm") / ("light-cpu-" + std::to_string(getpid()));
    const fs::path led = root / "sys/class/leds/rgb", bl = root / "sys/class/backlight/panel";
    fs::create_directories(led);
    fs::create_directories(bl);
    const auto put = [](const fs::path& p, const char* text) { std::ofstream(p) << text; };
    put(led / "multi_index", "green red blue\n");
    put(led / "multi_intensity", "0 0 0\n");
    put(led / "max_brightness", "255\n");
    put(led / "brightness", "0\n");
    put(led / "trigger", "[none]\n");
    put(bl / "max_brightness", "255\n");
    put(bl / "brightness", "0\n");
    put(bl / "bl_power", "0\n");

    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    {
        ts::hardware::Devices devices({"auto", 5, "auto", {}}, root.string());
        devices.set_light(ts::hardware::light_mode_from(mode), {255, 128, 0});
        devices.start();
        devices.frame_shown();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    }
    getrusage(RUSAGE_SELF, &after);
    const auto secs = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    const double user = secs(after.ru_utime) - secs(before.ru_utime);
    const double sys = secs(after.ru_stime) - secs(before.ru_stime);
    std::printf("%s for %.0f s: user %.3f s, system %.3f s, %.3f %% of one core\n", mode.c_str(), seconds, user, sys,
                100.0 * (user + sys) / seconds);
    fs::remove_all(root);
}
