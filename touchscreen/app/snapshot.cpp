#include "snapshot.hpp"

#include "setup.hpp"

#include "../core/log.hpp"
#include "../png/png_writer.hpp"
#include "../render/frame.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace ts::app {

namespace {

constexpr int kMaxAnimationFrames = 200;

double monotonic() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void save(SDL_Surface* screen, const std::string& path) {
    core::Surface rgb(SDL_ConvertSurfaceFormat(screen, SDL_PIXELFORMAT_RGB24, 0));
    if (!rgb) throw core::SdlError("SDL_ConvertSurfaceFormat");
    std::vector<std::uint8_t> packed(static_cast<std::size_t>(rgb->w) * rgb->h * 3);
    const auto* src = static_cast<const std::uint8_t*>(rgb->pixels);
    for (int y = 0; y < rgb->h; ++y) {
        std::copy_n(src + static_cast<std::size_t>(y) * rgb->pitch, static_cast<std::size_t>(rgb->w) * 3,
                    packed.data() + static_cast<std::size_t>(y) * rgb->w * 3);
    }
    png::write_rgb(path, rgb->w, rgb->h, packed.data());
    core::log::info("wrote " + path);
}

std::string weather_outcome(const weather::WeatherView& v, double waited) {
    if (!v.problem.empty()) return "none asked: " + v.problem;
    if (v.forecast) return v.from_cache ? "forecast from the cache" : "forecast received";
    if (v.last_error != weather::ErrorKind::None) {
        return "no forecast: " + std::string(weather::error_name(v.last_error)) + " (" + v.last_error_detail + ")";
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "no answer within %.0f s", waited);
    return buf;
}

// Surfaces and state live in here so they are gone before SDL_Quit.
int draw_all(Builtin& b, const std::string& dir, const SnapshotTiming& timing) {
    struct stat st{};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        core::log::error("--snapshot: " + dir + " is not a folder");
        return 1;
    }
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);  // never the panel, even when one is attached
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) throw core::SdlError("SDL_Init");
    // The place for the forecast, the disks to show and the colours are the user's.
    b.pulldeck.set_config_notice(b.live.start());
    b.knobs.init_fonts();
    gather_figures(b, timing);

    core::AppState state;
    _ensure_ui_modules(b.components);
    core::Surface screen = core::make_opaque_surface(b.knobs.SCREEN_WIDTH(), b.knobs.SCREEN_HEIGHT());
    render::check_background(state, b.components, screen.get());
    for (int page = 0; page < core::PAGE_COUNT; ++page) {
        state._current_page = page;
        state._page_dirty[static_cast<std::size_t>(page)].set();
        render::_draw_page_with_transition(state, b.components, screen.get());
        render::_draw_page_indicator(state, b.knobs, screen.get());
        save(screen.get(), dir + "/page" + std::to_string(page + 1) + ".png");
    }
    state._current_page = 0;
    state._page_dirty[0].set();
    b.pulldeck.open_settings();
    for (int i = 0; i < kMaxAnimationFrames && b.pulldeck.get_settings_progress() < 1.0; ++i) {
        b.pulldeck.update_settings_animation();
    }
    render::_draw_page_with_transition(state, b.components, screen.get());
    render::_draw_page_indicator(state, b.knobs, screen.get());
    b.pulldeck.draw_settings_panel(screen.get());
    save(screen.get(), dir + "/control-centre.png");
    return 0;
}

}  // namespace

bool weather_settled(const weather::WeatherView& v) {
    return v.forecast != nullptr || v.last_error != weather::ErrorKind::None || !v.problem.empty();
}

std::shared_ptr<const weather::WeatherView> gather_figures(Builtin& b, const SnapshotTiming& timing) {
    const double start = monotonic();
    b.weather.start();
    for (int i = 0; i < timing.samples; ++i) {
        if (i > 0) std::this_thread::sleep_for(std::chrono::duration<double>(timing.sample_gap));
        b.sampler.sample_all_now(monotonic());
    }
    auto view = b.weather.wait_for(weather_settled, std::max(0.0, start + timing.weather_wait - monotonic()));
    b.weather.stop();  // what was published stays for the card
    core::log::info("--snapshot: weather: " + weather_outcome(*view, timing.weather_wait));
    return view;
}

int run_snapshot(Builtin& b, const std::string& dir, const SnapshotTiming& timing) {
    int status = 1;
    try {
        status = draw_all(b, dir, timing);
    } catch (const std::exception& e) {
        core::log::error(std::string("--snapshot: ") + e.what());
    }
    SDL_Quit();
    return status;
}

}  // namespace ts::app
