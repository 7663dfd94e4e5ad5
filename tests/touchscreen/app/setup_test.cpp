// Environment defaults, display fallbacks, lazy page providers, the RGB light start-up and
// the stop signals.
#include "app/setup.hpp"
#include "core/log.hpp"
#include "fakes.hpp"
#include "log_capture.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#include <cstdlib>
#include <optional>

namespace ts::app {
namespace {

const char* const kEnvNames[] = {"XDG_RUNTIME_DIR", "SDL_FBDEV", "SDL_DISPLAY", "SDL_AUDIODRIVER",
                                 "PYGAME_HIDE_SUPPORT_PROMPT"};

// Saves and restores the variables a test changes.
class EnvGuard {
public:
    explicit EnvGuard(std::initializer_list<const char*> names) {
        for (const char* n : names) {
            const char* v = std::getenv(n);
            saved_.emplace_back(n, v ? std::optional<std::string>(v) : std::nullopt);
            unsetenv(n);
        }
    }
    ~EnvGuard() {
        for (auto& [n, v] : saved_) v ? setenv(n.c_str(), v->c_str(), 1) : unsetenv(n.c_str());
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

std::optional<std::string> env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::optional<std::string>(v) : std::nullopt;
}

TEST(InitEnv, WritesTheFiveDefaultsWhenAbsent) {
    EnvGuard guard{kEnvNames[0], kEnvNames[1], kEnvNames[2], kEnvNames[3], kEnvNames[4]};
    test::FakeConfig config;
    config.fb_dev = "/dev/fb7";
    init_env(config);
    EXPECT_EQ(env("XDG_RUNTIME_DIR"), "/tmp");
    EXPECT_EQ(env("SDL_FBDEV"), "/dev/fb7");
    EXPECT_EQ(env("SDL_DISPLAY"), ":0");
    EXPECT_EQ(env("SDL_AUDIODRIVER"), "dummy");
    EXPECT_EQ(env("PYGAME_HIDE_SUPPORT_PROMPT"), "1");
}

TEST(InitEnv, KeepsPresentValuesEvenEmptyOnes) {
    EnvGuard guard{kEnvNames[0], kEnvNames[1], kEnvNames[2], kEnvNames[3], kEnvNames[4]};
    setenv("SDL_FBDEV", "/dev/fb1", 1);
    setenv("SDL_DISPLAY", "", 1);
    setenv("XDG_RUNTIME_DIR", "/run/user/1000", 1);
    test::FakeConfig config;
    init_env(config);
    EXPECT_EQ(env("SDL_FBDEV"), "/dev/fb1");
    EXPECT_EQ(env("SDL_DISPLAY"), "");
    EXPECT_EQ(env("XDG_RUNTIME_DIR"), "/run/user/1000");
    EXPECT_EQ(env("SDL_AUDIODRIVER"), "dummy");
}

// Refuses the first `refusals` attempts and records every attempt.
struct ScriptedOpener {
    int refusals = 0;
    std::vector<std::string> attempts;
    core::Window operator()(int w, int h, const DisplayAttempt& a) {
        attempts.push_back(std::to_string(w) + "x" + std::to_string(h) + " flags=" + std::to_string(a.window_flags) +
                           (a.accelerated ? " accelerated" : ""));
        if (static_cast<int>(attempts.size()) <= refusals) return {};
        return open_sdl_window(w, h, a);
    }
};

class DisplaySetup : public ::testing::Test {
protected:
    void TearDown() override { SDL_Quit(); }
    test::CallLog log;
    test::FakeConfig config{&log};
};

TEST_F(DisplaySetup, FallsBackFromFullScreenToAWindow) {
    const std::string full = std::to_string(SDL_WINDOW_FULLSCREEN | SDL_WINDOW_BORDERLESS);
    for (int refusals : {0, 1}) {
        ScriptedOpener opener{refusals, {}};
        Display display = init_display(config, std::ref(opener));
        ASSERT_NE(display.window(), nullptr);
        ASSERT_NE(display.screen(), nullptr);
        if (refusals == 1) {  // full screen takes the display's own mode; a window takes our size
            EXPECT_EQ(display.screen()->w, 376);
            EXPECT_EQ(display.screen()->h, 960);
        }
        // The dummy driver has a framebuffer of its own: no attempt asks for the GL one.
        const std::vector<std::string> all{"376x960 flags=" + full, "376x960 flags=0"};
        EXPECT_EQ(opener.attempts, std::vector<std::string>(all.begin(), all.begin() + refusals + 1));
        EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
        SDL_Quit();
    }
    EXPECT_TRUE(log.contains("init_fonts"));
}

TEST_F(DisplaySetup, LastRefusalReachesTheCallerWithoutFonts) {
    ScriptedOpener opener{2, {}};
    EXPECT_THROW(init_display(config, std::ref(opener)), core::SdlError);
    EXPECT_EQ(opener.attempts.size(), 2u);
    EXPECT_FALSE(log.contains("init_fonts"));
}

TEST(DisplayAttempts, GlFramebufferOnlyWhereTheDriverHasNoneOfItsOwn) {
    const std::pair<const char*, bool> cases[] = {
        {"x11", false}, {"dummy", false}, {"offscreen", false}, {"directfb", false},
        {"wayland", true}, {"kmsdrm", true}, {"", true},
    };
    for (const auto& [driver, accelerated] : cases) {
        const std::vector<DisplayAttempt> attempts = display_attempts(driver);
        ASSERT_EQ(attempts.size(), 2u) << driver;
        for (const DisplayAttempt& a : attempts) EXPECT_EQ(a.accelerated, accelerated) << driver;
        EXPECT_EQ(attempts[0].window_flags, Uint32{SDL_WINDOW_FULLSCREEN | SDL_WINDOW_BORDERLESS}) << driver;
        EXPECT_EQ(attempts[1].window_flags, 0u) << driver;
    }
}

TEST(EnsureUiModules, BindsOnlyEmptySlots) {
    test::FakeComponents f;
    f.components.disk = f.pages.load_storegauge();
    services::StoragePage* kept = f.components.disk.get();
    f.log.clear();
    _ensure_ui_modules(f.components);
    EXPECT_EQ(f.log.calls(), (std::vector<std::string>{"load loadgauge", "load linkgauge", "load skyclock"}));
    EXPECT_EQ(f.components.disk.get(), kept);
    f.log.clear();
    _ensure_ui_modules(f.components);
    EXPECT_TRUE(f.log.calls().empty());
}

TEST(LoadConfig, DefaultsPresentAndEmptyValues) {
    struct Case {
        std::optional<std::string> mode, color;
        std::string expected_call, expected_log;
    };
    const Case cases[] = {
        {std::nullopt, std::nullopt, "set_rgb_mode rainbow green", "INFO RGB灯初始化: 模式=rainbow, 颜色=green"},
        {"breath", "#ff0000", "set_rgb_mode breath #ff0000", "INFO RGB灯初始化: 模式=breath, 颜色=#ff0000"},
        {"", std::nullopt, "set_rgb_mode  green", "INFO RGB灯初始化: 模式=, 颜色=green"},
    };
    for (const Case& c : cases) {
        EnvGuard guard{"config_rgb_mode", "config_rgb_color"};
        if (c.mode) setenv("config_rgb_mode", c.mode->c_str(), 1);
        if (c.color) setenv("config_rgb_color", c.color->c_str(), 1);
        test::FakeComponents f;
        test::LogCapture capture;
        _load_config(f.components);
        EXPECT_EQ(f.log.calls(), (std::vector<std::string>{"load_config", c.expected_call}));
        EXPECT_EQ(capture.messages(), std::vector<std::string>{c.expected_log});
    }
}

TEST(SignalHandler, LogsEachSignalAndClearsTheRunFlag) {
    core::AppState state;
    test::LogCapture capture;
    struct sigaction old_term {}, old_int {};
    sigaction(SIGTERM, nullptr, &old_term);
    sigaction(SIGINT, nullptr, &old_int);
    install_signal_handlers(state);
    raise(SIGTERM);
    EXPECT_FALSE(state._running.load());
    raise(SIGINT);
    EXPECT_FALSE(state._running.load());
    // A log that cannot be written (here a descriptor open for reading only) still stops the loop.
    const int unwritable = open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(unwritable, 0);
    core::log::set_output_fd(unwritable);
    state._running.store(true);
    raise(SIGTERM);
    const bool stopped = !state._running.load();
    core::log::set_output_fd(2);
    close(unwritable);
    sigaction(SIGTERM, &old_term, nullptr);
    sigaction(SIGINT, &old_int, nullptr);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(capture.messages(), (std::vector<std::string>{"INFO 收到停止信号 (15)，准备优雅退出...",
                                                            "INFO 收到停止信号 (2)，准备优雅退出..."}));
}

}  // namespace
}  // namespace ts::app
