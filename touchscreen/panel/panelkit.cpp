#include "panelkit.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <sys/stat.h>

namespace ts::panel {

using core::Color;
using core::Surface;
namespace {

int local_hour() {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return local.tm_hour;
}

// Top and bottom colours of the background gradient for an hour of the day.
std::pair<Color, Color> sky_for_hour(int hour) {
    if (hour >= 6 && hour < 18) return {{22, 38, 62}, {12, 14, 18}};  // day: muted blue
    if (hour >= 18 && hour < 21) return {{48, 28, 46}, {12, 14, 18}};  // evening: plum
    return {{16, 20, 34}, {8, 9, 12}};                                 // night
}

}  // namespace

void PanelKit::init_permission_dirs() {
    const char* base = std::getenv("XDG_RUNTIME_DIR");
    runtime_dir_ = std::string(base && *base ? base : "/tmp") + "/touchscreen";
    if (mkdir(runtime_dir_.c_str(), 0700) != 0 && errno != EEXIST) {
        throw std::runtime_error("mkdir " + runtime_dir_ + ": " + std::strerror(errno));
    }
}

Surface PanelKit::create_dynamic_background() {
    const int w = config_.SCREEN_WIDTH();
    const int h = config_.SCREEN_HEIGHT();
    Surface s = core::make_opaque_surface(w, h);
    const auto [top, bottom] = sky_for_hour(hour_now ? hour_now() : local_hour());
    for (int y = 0; y < h; ++y) {
        const double t = h > 1 ? double(y) / (h - 1) : 0.0;
        const auto lerp = [t](Uint8 a, Uint8 b) { return static_cast<Uint8>(a + (b - a) * t); };
        const SDL_Rect row{0, y, w, 1};
        SDL_FillRect(s.get(), &row,
                     SDL_MapRGB(s->format, lerp(top.r, bottom.r), lerp(top.g, bottom.g), lerp(top.b, bottom.b)));
    }
    return s;
}

void PanelKit::set_rgb_mode(const std::string& mode, const std::string& color) {
    std::lock_guard lock(rgb_mutex_);
    rgb_mode_ = mode;
    rgb_color_ = color;
}

std::string PanelKit::rgb_mode() const {
    std::lock_guard lock(rgb_mutex_);
    return rgb_mode_;
}

std::string PanelKit::rgb_color() const {
    std::lock_guard lock(rgb_mutex_);
    return rgb_color_;
}

}  // namespace ts::panel
