#include "panelkit.hpp"

#include <algorithm>
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

// Scales the colour channels of a row of 32-bit pixels by k/256, two channels per multiply;
// the bits in `keep` (the alpha byte, if any) stay. Four pixels at a time through the
// compiler's vector types: this runs on every composed frame of a board without a backlight.
void dim_row(Uint32* row, int w, Uint32 k, Uint32 keep) {
    using Lanes = Uint32 __attribute__((vector_size(16)));
    constexpr int kLanes = 4;
    int x = 0;
    for (; x + kLanes <= w; x += kLanes) {
        Lanes p;
        std::memcpy(&p, row + x, sizeof p);
        const Lanes even = ((p & 0x00ff00ffu) * k >> 8) & 0x00ff00ffu;
        const Lanes odd = (((p >> 8) & 0x00ff00ffu) * k) & 0xff00ff00u;
        const Lanes out = ((even | odd) & ~keep) | (p & keep);
        std::memcpy(row + x, &out, sizeof out);
    }
    for (; x < w; ++x) {
        const Uint32 p = row[x];
        const Uint32 even = ((p & 0x00ff00ffu) * k >> 8) & 0x00ff00ffu;
        const Uint32 odd = (((p >> 8) & 0x00ff00ffu) * k) & 0xff00ff00u;
        row[x] = ((even | odd) & ~keep) | (p & keep);
    }
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
    if (const auto rgb = hardware::colour_from(color)) light_colour_ = *rgb;
    if (devices_) devices_->set_light(hardware::light_mode_from(mode), light_colour_);
}

void PanelKit::start_hardware(const config::Settings& settings) {
    min_brightness_ = settings.panel.min_brightness;
    if (!drive_hardware || devices_) return;
    const hardware::DeviceSettings wanted{settings.panel.backlight, settings.panel.min_brightness, settings.light.led,
                                          settings.light.led_paths};
    devices_ = std::make_unique<hardware::Devices>(wanted, hardware::sysfs_root());
    devices_->set_brightness(brightness_);
    {
        std::lock_guard lock(rgb_mutex_);
        devices_->set_light(hardware::light_mode_from(rgb_mode_), light_colour_);
    }
    devices_->start();
}

void PanelKit::set_brightness(int percent) {
    brightness_ = std::clamp(percent, 1, 100);
    if (devices_) devices_->set_brightness(brightness_);
}

void PanelKit::screen_off() {
    if (devices_) devices_->screen_off();
}

void PanelKit::frame_presented() {
    if (devices_) devices_->frame_shown();
}

void PanelKit::finish_frame(SDL_Surface* screen) {
    if (brightness_ >= 100 || (devices_ && devices_->has_backlight())) return;
    // Without a backlight the picture itself gets darker, along the same curve.
    const Uint32 k = static_cast<Uint32>(hardware::level_for_percent(brightness_, 256, min_brightness_));
    if (screen->format->BytesPerPixel != 4) {
        core::Surface shade = core::make_alpha_surface(screen->w, screen->h);
        SDL_FillRect(shade.get(), nullptr, SDL_MapRGBA(shade->format, 0, 0, 0, static_cast<Uint8>(256 - std::min(k, 255u))));
        SDL_BlitSurface(shade.get(), nullptr, screen, nullptr);
        return;
    }
    // Only within the clip: a frame that changed in a few rows is dimmed there alone.
    const SDL_Rect& clip = screen->clip_rect;
    if (SDL_MUSTLOCK(screen) && SDL_LockSurface(screen) != 0) return;
    for (int y = clip.y; y < clip.y + clip.h; ++y) {
        dim_row(reinterpret_cast<Uint32*>(static_cast<Uint8*>(screen->pixels) + y * screen->pitch) + clip.x, clip.w, k,
                screen->format->Amask);
    }
    if (SDL_MUSTLOCK(screen)) SDL_UnlockSurface(screen);
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
