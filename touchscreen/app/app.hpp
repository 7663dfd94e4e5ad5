// The whole life of the dashboard: start-up in a fixed order, the 25-frame-per-second loop
// on the main thread, and shutdown. The program entry turns an escaping error into one
// "错误: " line and exit status 1.
#pragma once

#include "setup.hpp"

#include "../config/settings.hpp"
#include "../core/app_state.hpp"
#include "../core/clock.hpp"
#include "../display/changes.hpp"
#include "../display/presenter.hpp"
#include "../services/components.hpp"

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace ts::app {

// Seams for tests; the defaults are what the program uses.
struct AppHooks {
    WindowOpener open_window = open_sdl_window;
    // The configuration file's sections, read once at start-up (defaults when unset).
    std::function<std::shared_ptr<const config::Settings>()> settings;
    // The other presenters; the defaults open the real devices.
    PresenterOpeners presenters = default_presenter_openers();
    // Starts a worker that ends with the process (a detached thread by default).
    std::function<void(std::function<void()>)> spawn_daemon;
    // Bodies of the two workers; the defaults are the refresh monitor and touch supervisor.
    std::function<void()> refresh_worker;
    std::function<void()> touch_worker;
    // Reads the configuration file and the stored settings; start-up, before the environment
    // and display use them, and before any other thread starts.
    std::function<void()> load_settings;
    // Starts watching the configuration file, once the environment is written.
    std::function<void()> watch_settings;
    // Applies a reload the file watcher finished; start of every frame, main thread.
    std::function<void(core::AppState&)> apply_settings;
};

class App {
public:
    App(services::Components& components, core::Clock& clock, AppHooks hooks = {});

    // Start-up, the loop until _running is false, shutdown. Errors escape to the caller.
    void main();

    void startup();
    void run_frame();
    void shutdown();

    // Gives the display back (console text mode included); the error path's shutdown.
    void close_presenter() noexcept { presenter_.reset(); }

    core::AppState& state() { return state_; }
    display::Presenter& presenter() { return *presenter_; }

    static constexpr double frame_time = 0.04;  // seconds: 25 frames a second

private:
    void dispatch_pending_events();
    void draw_screen_off_frame();
    void handle_mouse(const SDL_Event& event);
    // The frame at rest where only the page changed, in these rows: drawn and presented there
    // only. False, having drawn nothing, when the whole frame must be composed instead.
    bool compose_rows(SDL_Surface* screen, std::span<const display::RowBand> rows);

    services::Components& c_;
    core::Clock& clock_;
    AppHooks hooks_;
    core::AppState state_;
    std::unique_ptr<display::Presenter> presenter_;
    display::ChangeTracker changes_;       // the composed picture against the one presented
    display::ChangeTracker page_changes_;  // the current page against its last composed pixels
    int page_seen_ = -1;                   // the page page_changes_ holds
    std::uint64_t page_seen_render_ = 0;   // render::render_count of page_seen_ when it was looked at
    bool slid_ = false;                    // the last frame composed was a slide frame
    std::vector<display::RowBand> rows_;   // reused: the rows a frame draws again
    // The glass may not show the last picture any more (first frame, window exposed, screen
    // back on): the next frame is composed and presented whole.
    bool present_all_ = true;
    bool output_off_ = false;  // the presenter was told the screen is off
    bool mouse_as_touch_ = false;
    bool mouse_down_ = false;
    int touch_rotation_ = 0;  // degrees; read by the touch thread after start-up only
    std::vector<SDL_Event> events_;  // reused every frame
    // Monotonic timers start infinitely far back so the first frame does both jobs.
    double last_bg_update_;
    double last_cache_clear_;
    int last_page_ = -1;
    // TOUCHSCREEN_FRAME_DUMP: where shutdown saves the last picture as BMP, for tests that
    // compare it with what a device shows.
    std::string frame_dump_;
};

// Runs app.main(); returns the process exit status (0, or 1 after logging the error).
int run_program(App& app) noexcept;

}  // namespace ts::app
