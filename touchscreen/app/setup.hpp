// Preparing the process before the frame loop: environment defaults that SDL reads, the
// display itself, the page providers bound on first need, the RGB light, and the stop
// signals. Main thread, except the signal handler.
#pragma once

#include "../config/settings.hpp"
#include "../core/app_state.hpp"
#include "../display/presenter.hpp"
#include "../core/sdl_types.hpp"
#include "../services/components.hpp"

#include <csignal>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace ts::app {

// Sets XDG_RUNTIME_DIR, SDL_FBDEV, SDL_DISPLAY, SDL_AUDIODRIVER and PYGAME_HIDE_SUPPORT_PROMPT,
// each only when absent (an empty value counts as present).
void init_env(services::Config& config);

// One display-mode attempt; returns the window, or an empty pointer when refused.
struct DisplayAttempt {
    Uint32 window_flags;       // SDL_CreateWindow flags
    bool accelerated;          // ask for the driver's accelerated framebuffer path
};
using WindowOpener = std::function<core::Window(int w, int h, const DisplayAttempt&)>;

// True for SDL video drivers with a framebuffer of their own (x11, dummy, ...).
bool has_native_framebuffer(std::string_view driver);
// Full screen and borderless, then a window of the configured size; each on the driver's own
// framebuffer where it has one, else on the renderer's (GL) framebuffer.
std::vector<DisplayAttempt> display_attempts(std::string_view driver);

// The real opener: SDL_CreateWindow plus its window surface.
core::Window open_sdl_window(int w, int h, const DisplayAttempt& attempt);

// The open display: the window and its surface, which every frame draws into.
class Display {
public:
    Display() = default;
    explicit Display(core::Window window) : window_(std::move(window)) {}
    SDL_Window* window() const { return window_.get(); }
    // Valid until the window is destroyed; SDL owns it.
    SDL_Surface* screen() const;
    void present() const;
    core::Window release() { return std::move(window_); }

private:
    core::Window window_;
};

// Initialises SDL video and tries display_attempts() in order; hides the pointer; loads the fonts.
Display init_display(services::Config& config, const WindowOpener& opener = open_sdl_window);

// Our own presenters. Each throws std::exception with the cause when its device cannot serve
// (missing, busy, of a format we cannot write).
// w x h: the composed picture, in pixels.
using PresenterOpener =
    std::function<std::unique_ptr<display::Presenter>(const config::DisplaySettings&, int w, int h)>;
struct PresenterOpeners {
    PresenterOpener kms;
    PresenterOpener fbdev;
};
PresenterOpeners default_presenter_openers();

// Starts SDL's events and timers and opens the first presenter that serves, in the order
// display::choose_backends() gives for the setting and the environment; logs which one and
// why others were passed over; loads the fonts. SDL's video subsystem runs only for the SDL
// presenter. Throws when none opens.
std::unique_ptr<display::Presenter> open_presenter(services::Config& config, const config::DisplaySettings& settings,
                                                   const WindowOpener& opener, const PresenterOpeners& openers);

// Binds each page provider whose slot is still empty.
void _ensure_ui_modules(services::Components& components);

// Loads the control-centre settings and switches the RGB light to the mode and colour
// from config_rgb_mode / config_rgb_color ("rainbow" / "green" when absent).
void _load_config(services::Components& components);

// SIGTERM / SIGINT: log the stop request, then clear the run flag of the state registered here.
void install_signal_handlers(core::AppState& state);
void _signal_handler(int signum, siginfo_t* info, void* context);

}  // namespace ts::app
