#include "setup.hpp"

#include "../core/log.hpp"
#include "../display/choice.hpp"
#include "../display/fbdev.hpp"
#include "../display/kms.hpp"
#include "../display/sdl_presenter.hpp"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace ts::app {

using namespace core;

void init_env(services::Config& config) {
    const std::string fb_dev = config.FB_DEV();
    const std::array<std::pair<const char*, std::string>, 5> defaults{{
        {"XDG_RUNTIME_DIR", "/tmp"},
        {"SDL_FBDEV", fb_dev},
        {"SDL_DISPLAY", ":0"},
        {"SDL_AUDIODRIVER", "dummy"},
        {"PYGAME_HIDE_SUPPORT_PROMPT", "1"},
    }};
    for (const auto& [name, value] : defaults) {
        if (setenv(name, value.c_str(), /*overwrite=*/0) != 0) {
            throw std::runtime_error(std::string("setenv ") + name + ": " + std::strerror(errno));
        }
    }
}

core::Window open_sdl_window(int w, int h, const DisplayAttempt& attempt) {
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, attempt.accelerated ? "1" : "0");
    core::Window window(SDL_CreateWindow("touchscreen", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                             w, h, attempt.window_flags));
    if (!window) return {};
    // The surface is where every frame is drawn; a mode without one is no use.
    if (SDL_GetWindowSurface(window.get()) == nullptr) return {};
    return window;
}

SDL_Surface* Display::screen() const {
    SDL_Surface* s = SDL_GetWindowSurface(window_.get());
    if (s == nullptr) throw core::SdlError("SDL_GetWindowSurface");
    return s;
}

void Display::present() const {
    if (SDL_UpdateWindowSurface(window_.get()) != 0) throw core::SdlError("SDL_UpdateWindowSurface");
}

bool has_native_framebuffer(std::string_view driver) {
    // SDL 2's drivers that give a window a framebuffer of their own; the others (wayland,
    // kmsdrm, ...) only have the one emulated through the renderer.
    static constexpr std::string_view kNative[] = {"x11", "dummy", "offscreen", "directfb", "windows", "haiku"};
    return std::find(std::begin(kNative), std::end(kNative), driver) != std::end(kNative);
}

std::vector<DisplayAttempt> display_attempts(std::string_view driver) {
    // Frames are composed in memory either way: the GL-backed framebuffer only costs an upload
    // through the GPU (or Mesa's software GL) for every frame, so it is taken only where the
    // driver has nothing else.
    const bool accelerated = !has_native_framebuffer(driver);
    return {{SDL_WINDOW_FULLSCREEN | SDL_WINDOW_BORDERLESS, accelerated}, {0, accelerated}};
}

Display init_display(services::Config& config, const WindowOpener& opener) {
    // Our own SIGTERM/SIGINT handler is already installed; SDL must not replace it.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0) throw core::SdlError("SDL_Init");
    const char* driver = SDL_GetCurrentVideoDriver();
    core::Window window;
    // SDL settles the framebuffer path once, at the first window surface: every attempt
    // asks for the same one.
    for (const DisplayAttempt& attempt : display_attempts(driver ? driver : "")) {
        // The size is read afresh for every attempt; a refused mode falls silently to the next.
        window = opener(config.SCREEN_WIDTH(), config.SCREEN_HEIGHT(), attempt);
        if (window) break;
    }
    if (!window) throw core::SdlError("cannot open the display");
    if (SDL_ShowCursor(SDL_DISABLE) < 0) throw core::SdlError("SDL_ShowCursor");
    config.init_fonts();
    return Display(std::move(window));
}

PresenterOpeners default_presenter_openers() {
    PresenterOpeners o;
    o.kms = [](const config::DisplaySettings& s, int w, int h) -> std::unique_ptr<display::Presenter> {
        return display::open_kms(s.card, s.rotation, w, h);
    };
    o.fbdev = [](const config::DisplaySettings& s, int w, int h) -> std::unique_ptr<display::Presenter> {
        // init_env put [display] device there unless the launcher named another one.
        const char* dev = std::getenv("SDL_FBDEV");
        return display::open_fbdev(dev && *dev ? dev : s.device, s.rotation, w, h);
    };
    return o;
}

std::unique_ptr<display::Presenter> open_presenter(services::Config& config, const config::DisplaySettings& settings,
                                                   const WindowOpener& opener, const PresenterOpeners& openers) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Events and timers work the same without video; only the SDL presenter starts it.
    if (SDL_Init(SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0) throw core::SdlError("SDL_Init");
    const auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v != nullptr && *v != '\0';
    };
    const display::BackendChoice choice =
        display::choose_backends(settings.backend, set("DISPLAY") || set("WAYLAND_DISPLAY"), set("SDL_VIDEODRIVER"));
    if (!choice.error.empty()) log::error(choice.error);
    std::vector<std::string> passed_over = choice.passed_over;
    for (const std::string& backend : choice.order) {
        try {
            std::unique_ptr<display::Presenter> presenter;
            if (backend == "sdl") {
                try {
                    presenter = std::make_unique<display::SdlPresenter>(init_display(config, opener).release());
                } catch (...) {
                    SDL_QuitSubSystem(SDL_INIT_VIDEO);
                    throw;
                }
            } else {
                const PresenterOpener& open = backend == "kms" ? openers.kms : openers.fbdev;
                if (!open) throw std::runtime_error("no opener");
                presenter = open(settings, config.SCREEN_WIDTH(), config.SCREEN_HEIGHT());
                config.init_fonts();
            }
            std::string line = std::string("display output: ") + presenter->name();
            for (const std::string& why : passed_over) line += "; passed over " + why;
            log::info(line);
            return presenter;
        } catch (const std::exception& e) {
            if (choice.order.size() == 1) throw;
            log::warning(backend + ": " + e.what());
            passed_over.push_back(backend + ": " + e.what());
        }
    }
    throw std::runtime_error("no display output could be opened");
}

void _ensure_ui_modules(services::Components& c) {
    if (!c.sys_mon) c.sys_mon = c.loader.load_loadgauge();
    if (!c.disk) c.disk = c.loader.load_storegauge();
    if (!c.net_proc) c.net_proc = c.loader.load_linkgauge();
    if (!c.skyclock) c.skyclock = c.loader.load_skyclock();
}

void _load_config(services::Components& c) {
    c.pulldeck.load_config();
    // Read after load_config, which may have put the values into the environment.
    const char* mode_env = std::getenv("config_rgb_mode");
    const char* color_env = std::getenv("config_rgb_color");
    const std::string mode = mode_env ? mode_env : "rainbow";
    const std::string color = color_env ? color_env : "green";
    c.set_rgb_mode(mode, color);
    log::info("RGB灯初始化: 模式=" + mode + ", 颜色=" + color);
}

namespace {
// The handler can reach the run flag only through a global; set once before installing.
std::atomic<std::atomic<bool>*> g_running_flag{nullptr};
}  // namespace

void _signal_handler(int signum, siginfo_t*, void*) {
    // Stop first: a log that cannot be written (a full disk, a stuck journal) must not cost the
    // stop request, or the service manager kills us long after.
    if (std::atomic<bool>* running = g_running_flag.load()) running->store(false);
    log::info_from_signal_handler("收到停止信号 (", signum, ")，准备优雅退出...");
}

void install_signal_handlers(AppState& state) {
    g_running_flag.store(&state._running);
    struct sigaction action {};
    action.sa_sigaction = _signal_handler;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGTERM, SIGINT}) {
        if (sigaction(sig, &action, nullptr) != 0) {
            throw std::runtime_error(std::string("sigaction: ") + std::strerror(errno));
        }
    }
}

}  // namespace ts::app
