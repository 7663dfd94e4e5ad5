#include "app.hpp"

#include "../core/atomic_file.hpp"
#include "../core/events.hpp"
#include "../core/log.hpp"
#include "../input/gesture.hpp"
#include "../input/touch_monitor.hpp"
#include "../refresh/refresh_monitor.hpp"
#include "../render/frame.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <system_error>
#include <thread>

namespace ts::app {

using namespace core;
namespace {

constexpr double kCacheClearInterval = 60.0;  // seconds
constexpr double kScreenOffPause = 3.0;       // seconds
constexpr double kLongAgo = -std::numeric_limits<double>::infinity();

void detach_thread(std::function<void()> body) { std::thread(std::move(body)).detach(); }

// The last picture for a test to compare with what the device shows; written whole or not at all.
void save_frame_dump(SDL_Surface* frame, const std::string& path) {
    // Room for the pixels and the largest header SDL writes.
    std::string bmp(static_cast<std::size_t>(frame->h) * static_cast<std::size_t>(frame->pitch) + 2048, '\0');
    SDL_RWops* out = SDL_RWFromMem(bmp.data(), static_cast<int>(bmp.size()));
    if (out == nullptr || SDL_SaveBMP_RW(frame, out, 0) != 0) {
        log::warning("frame dump " + path + ": " + SDL_GetError());
        if (out != nullptr) SDL_RWclose(out);
        return;
    }
    bmp.resize(static_cast<std::size_t>(SDL_RWtell(out)));
    SDL_RWclose(out);
    try {
        write_file_atomically(path, bmp);
    } catch (const std::system_error& e) {
        log::warning("frame dump " + std::string(e.what()));
    }
}

}  // namespace

App::App(services::Components& components, Clock& clock, AppHooks hooks)
    : c_(components), clock_(clock), hooks_(std::move(hooks)), last_bg_update_(kLongAgo), last_cache_clear_(kLongAgo) {
    if (!hooks_.spawn_daemon) hooks_.spawn_daemon = detach_thread;
    if (!hooks_.refresh_worker) {
        hooks_.refresh_worker = [this] { refresh::_refresh_monitor(state_, c_.config, c_.data_mgr, clock_); };
    }
    if (!hooks_.settings) hooks_.settings = [] { return std::make_shared<const config::Settings>(); };
    if (!hooks_.touch_worker) {
        hooks_.touch_worker = [this] {
            input::TouchMonitorOptions options;
            options.rotation = touch_rotation_;
            options.width = c_.config.SCREEN_WIDTH();
            options.height = c_.config.SCREEN_HEIGHT();
            input::_touch_monitor_thread(clock_, std::move(options));
        };
    }
}

void App::startup() {
    log::info("启动触屏显示");
    input::set_posting_to_sdl(true);
    if (const char* dump = std::getenv("TOUCHSCREEN_FRAME_DUMP"); dump != nullptr) frame_dump_ = dump;
    install_signal_handlers(state_);
    if (hooks_.load_settings) hooks_.load_settings();
    // Before SDL starts, which reads these variables, and before any thread: glibc's environment
    // may not be written while another thread reads it (libcurl does, on every transfer).
    init_env(c_.config);
    if (hooks_.watch_settings) hooks_.watch_settings();
    c_.permission.init_permission_dirs();
    const std::shared_ptr<const config::Settings> settings = hooks_.settings();
    touch_rotation_ = settings->input.rotation;
    mouse_as_touch_ = settings->input.mouse;
    presenter_ = open_presenter(c_.config, settings->display, hooks_.open_window, hooks_.presenters);
    present_all_ = true;
    log::info("屏幕初始化完成");
    _ensure_ui_modules(c_);
    c_.disk->_start_temp_update_thread();
    c_.data_mgr.start_core();
    log::info("数据管理器启动");
    render::check_background(state_, c_, presenter_->frame());
    last_bg_update_ = kLongAgo;
    last_cache_clear_ = kLongAgo;
    _load_config(c_);
    hooks_.spawn_daemon(hooks_.refresh_worker);
    log::info("刷新线程启动");
    hooks_.spawn_daemon(hooks_.touch_worker);
    log::info("触摸监听线程启动");
    for (DirtyFlag& flag : state_._page_dirty) flag.set();
    log::info("进入主循环");
    last_page_ = -1;
}

void App::dispatch_pending_events() {
    // Take everything queued now; events posted while dispatching wait for the next frame.
    events_.clear();
    SDL_PumpEvents();
    SDL_Event batch[64];
    int got;
    while ((got = SDL_PeepEvents(batch, 64, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT)) > 0) {
        events_.insert(events_.end(), batch, batch + got);
    }
    if (got < 0) throw core::SdlError("SDL_PeepEvents");

    const input::TransitionStarter start_transition = [this](int direction) {
        render::_start_page_transition(state_, direction);
    };
    for (const SDL_Event& event : events_) {
        if (event.type == SDL_QUIT) {
            state_._running.store(false);
        } else if (event.type == SDL_WINDOWEVENT) {
            switch (event.window.event) {
                case SDL_WINDOWEVENT_EXPOSED:
                case SDL_WINDOWEVENT_SHOWN:
                case SDL_WINDOWEVENT_RESTORED:
                case SDL_WINDOWEVENT_MAXIMIZED:
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                    present_all_ = true;
                    break;
                default:
                    break;
            }
        } else if (mouse_as_touch_ && (event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_MOUSEBUTTONUP ||
                                       event.type == SDL_MOUSEMOTION)) {
            handle_mouse(event);
        } else if (event.type == TOUCH_END_EVENT) {
            input::handle_touch_release(state_, c_);
        } else if (event.type == TOUCH_EVENT) {
            const TouchPoint p = touch_point_of(event);
            input::handle_touch_point(state_, c_, start_transition, p.x, p.y);
        }
    }
}

void App::handle_mouse(const SDL_Event& event) {
    // A desktop preview: the left button stands in for a finger, in picture coordinates.
    const input::TransitionStarter start_transition = [this](int direction) {
        render::_start_page_transition(state_, direction);
    };
    if (event.type == SDL_MOUSEBUTTONDOWN && event.button.button == SDL_BUTTON_LEFT) {
        mouse_down_ = true;
        input::handle_touch_point(state_, c_, start_transition, event.button.x, event.button.y);
    } else if (event.type == SDL_MOUSEMOTION && mouse_down_) {
        input::handle_touch_point(state_, c_, start_transition, event.motion.x, event.motion.y);
    } else if (event.type == SDL_MOUSEBUTTONUP && event.button.button == SDL_BUTTON_LEFT && mouse_down_) {
        mouse_down_ = false;
        input::handle_touch_release(state_, c_);
    }
}

void App::draw_screen_off_frame() {
    if (!output_off_) {
        output_off_ = true;
        presenter_->set_output_power(false);
    }
    // An output switched off shows nothing, and an atomic driver refuses a flip on a CRTC that
    // DPMS switched off: the black frame only where the output is still on. The frame keeps
    // the last picture otherwise.
    if (!presenter_->output_off()) {
        SDL_Surface* screen = presenter_->frame();
        if (SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0)) != 0) {
            throw core::SdlError("SDL_FillRect");
        }
        const display::RowBand all{0, screen->h};
        presenter_->present({&all, 1});
    }
    present_all_ = true;  // the frame after the screen comes back on is shown whole
    clock_.sleep_for(kScreenOffPause);
}

void App::run_frame() {
    const double start = clock_.now();
    if (hooks_.apply_settings) hooks_.apply_settings(state_);
    dispatch_pending_events();
    if (presenter_->take_lost_picture()) present_all_ = true;
    c_.pulldeck.update_settings_animation();
    c_.data_mgr.check_auto_off();
    if (state_._swipe_cooldown > 0) --state_._swipe_cooldown;

    if (!c_.data_mgr.get_screen_status()) {
        draw_screen_off_frame();  // no pacing: the pause is the frame
        return;
    }
    if (output_off_) {  // before anything is presented: the mode and the picture come back whole
        output_off_ = false;
        presenter_->set_output_power(true);
        present_all_ = true;
    }

    const double now = clock_.now();
    SDL_Surface* screen = presenter_->frame();
    // Whether anything can make this frame differ from the last one composed: at rest most
    // frames are not composed nor presented at all.
    bool may_change = present_all_ || state_._page_transitioning;
    if (now - last_bg_update_ >= c_.config.BG_CHANGE_INTERVAL()) {
        render::check_background(state_, c_, screen);
        last_bg_update_ = now;
        may_change = true;
    }
    if (now - last_cache_clear_ >= kCacheClearInterval) {
        c_.config.clear_surface_cache();
        last_cache_clear_ = now;
    }
    if (state_._current_page != last_page_) {
        state_._page_dirty[state_._current_page].set();
        last_page_ = state_._current_page;
    }

    const int current = state_._current_page;
    // After the last slide frame the page at rest has not been shown yet.
    may_change = may_change || slid_ || current != page_seen_ || !c_.pulldeck.drawing_unchanged();
    bool composed = false;
    if (!may_change && state_._page_dirty[static_cast<std::size_t>(current)].is_set() &&
        !render::keep_unchanged_page(state_, c_, current)) {
        // Pages are due several times a second while their pixels change once a second at most:
        // a page whose provider knows it unchanged is kept as it is; any other is rendered here
        // and compared with itself before anything is composed, and where it changed in a few
        // rows only those rows are composed, dimmed and presented.
        SDL_Surface* page = render::_render_page_to_surface(state_, c_, current);
        const std::vector<display::RowBand>& rows = page_changes_.changed(page, false);
        page_seen_render_ = render::render_count(state_, current);
        rows_.assign(rows.begin(), rows.end());
        composed = rows_.empty() || compose_rows(screen, rows_);
        may_change = !composed;
    }

    if (may_change) {
        const bool sliding = state_._page_transitioning;
        render::draw_frame_layers(state_, c_, screen);
        c_.permission.finish_frame(screen);
        // A page re-rendered to the same pixels presents nothing.
        // A slide changes every row: fingerprinting them would only add to its frames.
        const std::vector<display::RowBand>& bands =
            sliding ? changes_.all_rows(screen) : changes_.changed(screen, present_all_);
        if (!bands.empty()) presenter_->present(bands);
        present_all_ = false;
        slid_ = sliding;
        // What the page looks like in the picture just composed, for the next comparison; it is
        // looked at again only when it was rendered since.
        if (const auto it = state_._cached_pages.find(current); it != state_._cached_pages.end() && it->second) {
            const std::uint64_t renders = render::render_count(state_, current);
            if (current != page_seen_ || renders != page_seen_render_) {
                page_changes_.changed(it->second.get(), false);
                page_seen_ = current;
                page_seen_render_ = renders;
            }
        }
    }
    // The backlight comes back on only once a fresh picture is on the glass.
    c_.permission.frame_presented();

    // Lost time is not made up: a slow frame is followed at once by the next.
    const double elapsed = clock_.now() - start;
    if (elapsed < frame_time) clock_.sleep_for(frame_time - elapsed);
}

bool App::compose_rows(SDL_Surface* screen, std::span<const display::RowBand> rows) {
    // The open control centre darkens the whole screen in one pass, clip or no clip.
    if (c_.pulldeck.backdrop_dim() > 0) return false;
    for (const display::RowBand& r : rows) {
        if (!render::redraw_resting_rows(state_, c_, screen, r.y0, r.y1)) return false;
    }
    // What lies over the page is drawn again where the page was, and nowhere else: the rest of
    // the screen still holds it, dimmed.
    for (const display::RowBand& r : rows) {
        SDL_Rect band{0, r.y0, screen->w, r.y1 - r.y0};
        SDL_SetClipRect(screen, &band);
        render::_draw_page_indicator(state_, c_.config, screen);
        c_.pulldeck.draw_settings_panel(screen);
        c_.permission.finish_frame(screen);
    }
    SDL_SetClipRect(screen, nullptr);
    const std::vector<display::RowBand>& bands = changes_.changed_within(screen, rows);
    if (!bands.empty()) presenter_->present(bands);
    return true;
}

void App::shutdown() {
    log::info("屏幕监控主循环已退出");
    c_.data_mgr.stop_core();
    if (!frame_dump_.empty()) save_frame_dump(presenter_->frame(), frame_dump_);
    presenter_.reset();
    input::set_posting_to_sdl(false);  // the touch thread lives on until the process ends
    SDL_Quit();
}

void App::main() {
    startup();
    while (state_._running.load()) run_frame();
    shutdown();
}

int run_program(App& app) noexcept {
    try {
        app.main();
        return 0;
    } catch (const std::exception& e) {
        log::error(std::string("错误: ") + e.what());
    } catch (...) {
        log::error("错误: unknown error");
    }
    // The process ends without destructors: the console gets its text mode back here.
    app.close_presenter();
    input::set_posting_to_sdl(false);
    SDL_Quit();
    return 1;
}

}  // namespace ts::app
