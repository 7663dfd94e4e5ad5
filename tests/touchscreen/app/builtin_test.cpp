// The built-in wiring: when the idle time darkens the screen the control centre is gone at
// once, so a tap where one of its buttons was only wakes the screen and changes no setting.
#include "app/builtin.hpp"
#include "core/clock.hpp"
#include "input/gesture.hpp"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

// glibc's environment may not be written while another thread reads it, and ThreadSanitizer
// cannot see into glibc: every write the program makes is checked for company here instead.
namespace {
std::atomic<bool> g_watch_environment{false};
std::mutex g_written_lock;
std::vector<std::string> g_written_with_threads;
// Threads that are not ours: an emulator (qemu-user) runs one of its own in every process.
std::atomic<long> g_foreign_threads{0};

long task_count() {
    return static_cast<long>(std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                                           std::filesystem::directory_iterator()));
}

void note_environment_write(const char* what) {
    if (!g_watch_environment.load()) return;
    const long tasks = task_count();
    if (tasks <= 1 + g_foreign_threads.load()) return;
    std::lock_guard lock(g_written_lock);
    g_written_with_threads.push_back(std::string(what) + " with " + std::to_string(tasks) + " threads");
}
}  // namespace

extern "C" int setenv(const char* name, const char* value, int overwrite) noexcept {
    static const auto real = reinterpret_cast<int (*)(const char*, const char*, int)>(dlsym(RTLD_NEXT, "setenv"));
    note_environment_write(name);
    return real(name, value, overwrite);
}

extern "C" int putenv(char* text) noexcept {
    static const auto real = reinterpret_cast<int (*)(char*)>(dlsym(RTLD_NEXT, "putenv"));
    note_environment_write(text);
    return real(text);
}

namespace ts::app {
namespace {

TEST(BuiltinWiring, StartUpWritesTheEnvironmentOnlyWhileNoOtherThreadRuns) {
    const auto dir = std::filesystem::temp_directory_path() / ("ts-builtin-env-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir / "sys");
    std::ofstream(dir / "settings.conf") << "rgb_mode=static\nhue=0\n";
    for (const char* name : {"config_rgb_mode", "config_rgb_color", "XDG_RUNTIME_DIR"}) unsetenv(name);
    setenv("TOUCHSCREEN_SETTINGS", (dir / "settings.conf").c_str(), 1);
    setenv("TOUCHSCREEN_CONFIG", (dir / "config.toml").c_str(), 1);
    setenv("TOUCHSCREEN_SYSFS_ROOT", (dir / "sys").c_str(), 1);
    setenv("XDG_CACHE_HOME", dir.c_str(), 1);
    {
        Builtin b;
        AppHooks hooks;
        b.hook_settings(hooks);
        hooks.settings = [&b] { return b.knobs.settings(); };
        hooks.spawn_daemon = [](std::function<void()>) {};  // no reader, no refresh monitor
        core::SteadyClock clock;
        App app(b.components, clock, std::move(hooks));
        g_foreign_threads = task_count() - 1;
        g_watch_environment = true;
        app.startup();
        g_watch_environment = false;
        EXPECT_STREQ(std::getenv("config_rgb_mode"), "static") << "the stored mode still reaches the light";
        EXPECT_STREQ(std::getenv("config_rgb_color"), "#ff0000");
        app.shutdown();
    }
    std::lock_guard lock(g_written_lock);
    EXPECT_EQ(g_written_with_threads, std::vector<std::string>{});
    for (const char* name : {"TOUCHSCREEN_SETTINGS", "TOUCHSCREEN_CONFIG", "TOUCHSCREEN_SYSFS_ROOT", "XDG_CACHE_HOME",
                             "config_rgb_mode", "config_rgb_color"})
        unsetenv(name);
    std::filesystem::remove_all(dir);
}

TEST(BuiltinWiring, ScreenOffClosesTheCentreAtOnceAndTheWakingTapPressesNothing) {
    const auto dir = std::filesystem::temp_directory_path() / ("ts-builtin-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string settings = (dir / "settings.conf").string();
    setenv("TOUCHSCREEN_SETTINGS", settings.c_str(), 1);
    {
        Builtin b;
        core::AppState state;
        const auto point = [&](int x, int y) { input::handle_touch_point(state, b.components, [](int) {}, x, y); };
        const auto release = [&] { input::handle_touch_release(state, b.components); };
        b.feedhub.set_auto_off_seconds(30);
        b.pulldeck.open_settings();
        for (int i = 0; i < 5; ++i) b.pulldeck.update_settings_animation();
        const int never_x = 24 + 3 * 84 + 30, timeout_y = 270;
        ASSERT_TRUE(b.pulldeck.get_button_at(never_x, timeout_y)) << "the never button is there while open";

        b.feedhub.turn_off();
        EXPECT_FALSE(b.pulldeck.is_settings_open());
        EXPECT_EQ(b.pulldeck.get_settings_progress(), 0.0);  // no closing slide either

        point(never_x, timeout_y);
        release();
        EXPECT_TRUE(b.feedhub.get_screen_status());
        EXPECT_EQ(state._current_page, 0);
        EXPECT_EQ(b.feedhub.auto_off_seconds(), 30);
        EXPECT_FALSE(std::filesystem::exists(settings)) << "nothing was pressed, so nothing was stored";
    }
    unsetenv("TOUCHSCREEN_SETTINGS");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace ts::app
