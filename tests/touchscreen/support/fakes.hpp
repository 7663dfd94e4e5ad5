// Test doubles for the dashboard: a clock advanced by hand and components that record what
// they were asked, in order, as readable lines ("add_ripple 10 20 100").
#pragma once

#include "core/app_state.hpp"
#include "core/clock.hpp"
#include "services/components.hpp"
#include "config/knobs.hpp"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ts::test {

// A clock that only moves when told; sleep_for advances it and records the request.
class ManualClock : public core::Clock {
public:
    double now() override;
    void sleep_for(double seconds) noexcept override;
    void advance(double seconds);
    std::vector<double> sleeps() const;
    // Called after every sleep_for with the new time; lets a test act "during" a pause.
    std::function<void(double)> on_sleep;

private:
    mutable std::mutex mutex_;
    double now_ = 1000.0;
    std::vector<double> sleeps_;
};

// A shared, ordered call log.
class CallLog {
public:
    void add(std::string call);
    std::vector<std::string> calls() const;
    void clear();
    bool contains(const std::string& call) const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};

// Built-in values (376 x 960 and the rest) without fonts; the height functions are logged.
class FakeConfig : public config::Knobs {
public:
    explicit FakeConfig(CallLog* log = nullptr) : log_(log) {}
    void init_fonts() override { note("init_fonts"); }
    void clear_surface_cache() override { note("clear_surface_cache"); }
    int get_cpu_height() override { note("get_cpu_height"); return cpu_height; }
    int get_mem_height() override { note("get_mem_height"); return mem_height; }
    int get_net_height() override { note("get_net_height"); return net_height; }
    int get_proc_height() override { note("get_proc_height"); return proc_height; }

private:
    void note(const std::string& call) { if (log_) log_->add(call); }
    CallLog* log_;
};

class FakePanelUtilities : public services::PanelUtilities {
public:
    explicit FakePanelUtilities(CallLog& log) : log_(log) {}
    void init_permission_dirs() override { log_.add("init_permission_dirs"); }
    // Returns what make_background gives (nothing by default), or throws when set to.
    core::Surface create_dynamic_background() override;
    void set_rgb_mode(const std::string& mode, const std::string& color) override {
        log_.add("set_rgb_mode " + mode + " " + color);
    }
    std::function<core::Surface()> make_background;
    // Halves every channel within the clip when set, as a panel without a backlight darkens
    // the finished picture: a row dimmed twice shows.
    bool dim = false;
    void finish_frame(SDL_Surface* screen) override;

private:
    CallLog& log_;
};

class FakeDataManager : public services::DataManager {
public:
    explicit FakeDataManager(CallLog& log) : log_(log) {}
    void start_core() override { log_.add("start_core"); }
    void stop_core() override { log_.add("stop_core"); }
    bool get_screen_status() override;
    void wake_screen() override { log_.add("wake_screen"); screen_on = true; }
    void check_auto_off() override { log_.add("check_auto_off"); }
    std::atomic<bool> screen_on{true};
    std::atomic<bool> status_throws{false};
    std::atomic<int> status_calls{0};
    bool log_status = false;  // status is asked often; log it only when a test wants it

private:
    CallLog& log_;
};

// Records every call; get_button_at answers from `areas`, the first rectangle that holds the point.
class RecordingControlCentre : public services::ControlCentre {
public:
    explicit RecordingControlCentre(CallLog& log) : log_(log) {}
    struct Area {
        SDL_Rect rect;
        core::AreaDescriptor descriptor;
    };
    std::vector<Area> areas;
    bool open = false;
    double progress = 0.0;
    std::function<void(SDL_Surface*)> on_draw;  // e.g. throw, to test error handling
    bool unchanged = false;                     // what drawing_unchanged() answers
    std::uint32_t dim = 0;                      // what backdrop_dim() answers

    void load_config() override { log_.add("load_config"); }
    bool is_settings_open() override { return open; }
    double get_settings_progress() override { return progress; }
    std::optional<core::AreaDescriptor> get_button_at(int x, int y) override;
    void handle_button_press(const core::AreaDescriptor& a) override;
    void open_settings() override { log_.add("open_settings"); }
    void close_settings() override { log_.add("close_settings"); }
    void add_ripple(int x, int y, int size) override;
    void add_slide_ripple(int x, int y, int direction) override;
    void handle_color_slider(int x) override { log_.add("handle_color_slider " + std::to_string(x)); }
    void set_slide_start(int x) override { log_.add("set_slide_start " + std::to_string(x)); }
    void start_button_animation(const std::string& id) override { log_.add("start_button_animation " + id); }
    void release_button_animation(const std::string& id) override { log_.add("release_button_animation " + id); }
    void reset_rgb_animation() override { log_.add("reset_rgb_animation"); }
    void update_settings_animation() override { log_.add("update_settings_animation"); }
    void draw_settings_panel(SDL_Surface* screen) override;
    bool drawing_unchanged() override { return unchanged; }
    std::uint32_t backdrop_dim() override { return dim; }

private:
    CallLog& log_;
};

// Page providers that log each call with its rectangle and fill it with a colour of their own.
class RecordingPages : public services::PageProviderLoader {
public:
    explicit RecordingPages(CallLog& log) : log_(log) {}
    std::unique_ptr<services::LoadPage> load_loadgauge() override;
    std::unique_ptr<services::StoragePage> load_storegauge() override;
    std::unique_ptr<services::NetworkPage> load_linkgauge() override;
    std::unique_ptr<services::ClockWeatherPage> load_skyclock() override;
    // Colour each provider fills its rectangle with (opaque), by page index.
    std::array<core::Color, 4> page_colors{{{200, 0, 0}, {0, 200, 0}, {0, 0, 200}, {200, 200, 0}}};
    std::function<void(int page)> before_draw;  // e.g. throw, to test a failing provider
    int loads = 0;

private:
    CallLog& log_;
};

std::string rect_text(SDL_Rect r);  // "(12, 12, 352, 200)"

// A fully faked set of components, wired into a Components table.
struct FakeComponents {
    CallLog log;
    FakeConfig config{&log};
    FakePanelUtilities permission{log};
    FakeDataManager data_mgr{log};
    RecordingControlCentre pulldeck{log};
    RecordingPages pages{log};
    services::Components components{config, permission, data_mgr, pulldeck, pages, {}, {}, {}, {}};

    // Binds the page slots as the dashboard would.
    void bind_pages();
};

// Reads one pixel of a 32-bit surface as RGBA.
SDL_Color pixel_at(SDL_Surface* s, int x, int y);

}  // namespace ts::test
