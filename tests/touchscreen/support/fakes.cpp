#include "fakes.hpp"

#include <algorithm>
#include <stdexcept>

namespace ts::test {

double ManualClock::now() {
    std::lock_guard lock(mutex_);
    return now_;
}

void ManualClock::sleep_for(double seconds) noexcept {
    double t;
    {
        std::lock_guard lock(mutex_);
        sleeps_.push_back(seconds);
        now_ += std::max(0.0, seconds);
        t = now_;
    }
    if (on_sleep) on_sleep(t);
}

void ManualClock::advance(double seconds) {
    std::lock_guard lock(mutex_);
    now_ += seconds;
}

std::vector<double> ManualClock::sleeps() const {
    std::lock_guard lock(mutex_);
    return sleeps_;
}

void CallLog::add(std::string call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
}

std::vector<std::string> CallLog::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

void CallLog::clear() {
    std::lock_guard lock(mutex_);
    calls_.clear();
}

bool CallLog::contains(const std::string& call) const {
    std::lock_guard lock(mutex_);
    return std::find(calls_.begin(), calls_.end(), call) != calls_.end();
}

void FakePanelUtilities::finish_frame(SDL_Surface* screen) {
    if (!dim) return;
    const SDL_Rect& clip = screen->clip_rect;
    for (int y = clip.y; y < clip.y + clip.h; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<Uint8*>(screen->pixels) + y * screen->pitch);
        for (int x = clip.x; x < clip.x + clip.w; ++x) row[x] = (row[x] >> 1) & 0x7f7f7f7fu;
    }
}

core::Surface FakePanelUtilities::create_dynamic_background() {
    log_.add("create_dynamic_background");
    return make_background ? make_background() : core::Surface{};
}

bool FakeDataManager::get_screen_status() {
    ++status_calls;
    if (log_status) log_.add("get_screen_status");
    if (status_throws) throw std::runtime_error("status unavailable");
    return screen_on;
}

std::optional<core::AreaDescriptor> RecordingControlCentre::get_button_at(int x, int y) {
    log_.add("get_button_at " + std::to_string(x) + " " + std::to_string(y));
    for (const Area& a : areas) {
        const SDL_Point p{x, y};
        if (SDL_PointInRect(&p, &a.rect)) return a.descriptor;
    }
    return std::nullopt;
}

void RecordingControlCentre::handle_button_press(const core::AreaDescriptor& a) {
    log_.add("handle_button_press " + core::area_text(a));
}

void RecordingControlCentre::add_ripple(int x, int y, int size) {
    log_.add("add_ripple " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(size));
}

void RecordingControlCentre::add_slide_ripple(int x, int y, int direction) {
    log_.add("add_slide_ripple " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(direction));
}

void RecordingControlCentre::draw_settings_panel(SDL_Surface* screen) {
    log_.add("draw_settings_panel");
    if (on_draw) on_draw(screen);
}

std::string rect_text(SDL_Rect r) {
    return "(" + std::to_string(r.x) + ", " + std::to_string(r.y) + ", " + std::to_string(r.w) + ", " +
           std::to_string(r.h) + ")";
}

namespace {

struct PageBase {
    CallLog& log;
    RecordingPages& owner;
    void draw(const std::string& call, int page, SDL_Surface* s, SDL_Rect r) {
        log.add(call + " " + rect_text(r));
        if (owner.before_draw) owner.before_draw(page);
        const core::Color c = owner.page_colors[page];
        SDL_FillRect(s, &r, SDL_MapRGBA(s->format, c.r, c.g, c.b, 255));
    }
};

struct FakeLoad : services::LoadPage, PageBase {
    FakeLoad(CallLog& l, RecordingPages& o) : PageBase{l, o} {}
    void draw_cpu(SDL_Surface* s, SDL_Rect r) override { draw("draw_cpu", 1, s, r); }
    void draw_memory(SDL_Surface* s, SDL_Rect r) override { draw("draw_memory", 1, s, r); }
};
struct FakeStorage : services::StoragePage, PageBase {
    FakeStorage(CallLog& l, RecordingPages& o) : PageBase{l, o} {}
    void draw_disk(SDL_Surface* s, SDL_Rect r) override { draw("draw_disk", 2, s, r); }
    void _start_temp_update_thread() override { log.add("_start_temp_update_thread"); }
};
struct FakeNetwork : services::NetworkPage, PageBase {
    FakeNetwork(CallLog& l, RecordingPages& o) : PageBase{l, o} {}
    void draw_network(SDL_Surface* s, SDL_Rect r) override { draw("draw_network", 3, s, r); }
    void draw_processes(SDL_Surface* s, const services::ProcessRows* rows, SDL_Rect r) override {
        draw(rows == nullptr ? "draw_processes None" : "draw_processes rows", 3, s, r);
    }
};
struct FakeClock : services::ClockWeatherPage, PageBase {
    FakeClock(CallLog& l, RecordingPages& o) : PageBase{l, o} {}
    void draw_weather_page(SDL_Surface* s, SDL_Rect r) override { draw("draw_weather_page", 0, s, r); }
};

}  // namespace

std::unique_ptr<services::LoadPage> RecordingPages::load_loadgauge() {
    ++loads;
    log_.add("load loadgauge");
    return std::make_unique<FakeLoad>(log_, *this);
}
std::unique_ptr<services::StoragePage> RecordingPages::load_storegauge() {
    ++loads;
    log_.add("load storegauge");
    return std::make_unique<FakeStorage>(log_, *this);
}
std::unique_ptr<services::NetworkPage> RecordingPages::load_linkgauge() {
    ++loads;
    log_.add("load linkgauge");
    return std::make_unique<FakeNetwork>(log_, *this);
}
std::unique_ptr<services::ClockWeatherPage> RecordingPages::load_skyclock() {
    ++loads;
    log_.add("load skyclock");
    return std::make_unique<FakeClock>(log_, *this);
}

void FakeComponents::bind_pages() {
    components.sys_mon = pages.load_loadgauge();
    components.disk = pages.load_storegauge();
    components.net_proc = pages.load_linkgauge();
    components.skyclock = pages.load_skyclock();
}

SDL_Color pixel_at(SDL_Surface* s, int x, int y) {
    if (x < 0 || y < 0 || x >= s->w || y >= s->h) throw std::out_of_range("pixel outside the surface");
    const Uint32 px = *reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * 4);
    SDL_Color c{};
    SDL_GetRGBA(px, s->format, &c.r, &c.g, &c.b, &c.a);
    return c;
}

}  // namespace ts::test
