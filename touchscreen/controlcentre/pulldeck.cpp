#include "pulldeck.hpp"

#include "../core/atomic_file.hpp"
#include "../core/log.hpp"
#include "../core/small_file.hpp"
#include "../render/pixels.hpp"

#include <algorithm>
#include <pwd.h>
#include <unistd.h>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace ts::controlcentre {

using core::AreaDescriptor;
using core::Color;
namespace {

constexpr int kMargin = 24;
constexpr int kRippleFrames = 8;
constexpr int kPressFrames = 6;
constexpr std::size_t kMaxRipples = 12;  // a fast drag must not grow the list without end
constexpr SDL_Rect kBrightnessTrack{kMargin, 84, 328, 40};
constexpr SDL_Rect kColourTrack{kMargin, 168, 328, 40};

bool inside(const SDL_Rect& r, int x, int y) { return x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h; }

int percent_along(const SDL_Rect& r, int x) {
    return std::clamp((x - r.x) * 100 / std::max(1, r.w - 1), 0, 100);
}

Color hue_colour(int hue) {
    const double h = (hue % 360) / 60.0;
    const double x = 1.0 - std::abs(std::fmod(h, 2.0) - 1.0);
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(h)) {
        case 0: r = 1, g = x; break;
        case 1: r = x, g = 1; break;
        case 2: g = 1, b = x; break;
        case 3: g = x, b = 1; break;
        case 4: r = x, b = 1; break;
        default: r = 1, b = x; break;
    }
    return {static_cast<Uint8>(r * 255), static_cast<Uint8>(g * 255), static_cast<Uint8>(b * 255)};
}

bool xrgb32(const SDL_Surface* s) {
    const Uint32 f = s->format->format;
    return (f == SDL_PIXELFORMAT_RGB888 || f == SDL_PIXELFORMAT_ARGB8888) && !SDL_MUSTLOCK(s);
}

std::string hex(Color c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
    return buf;
}

}  // namespace

constexpr std::size_t kMaxSettingsBytes = 1 << 20;  // four short lines in practice
constexpr const char* kNoHome = "Settings not kept: no home folder (set TOUCHSCREEN_SETTINGS)";

std::string settings_path_from(const char* settings, const char* xdg_config_home, const char* home,
                               const char* account_home) {
    if (settings != nullptr && *settings) return settings;
    const auto absolute = [](const char* p) { return p != nullptr && p[0] == '/'; };
    if (absolute(xdg_config_home)) return std::string(xdg_config_home) + "/touchscreen/settings.conf";
    for (const char* h : {home, account_home}) {
        if (absolute(h)) return std::string(h) + "/.config/touchscreen/settings.conf";
    }
    return {};
}

std::string default_settings_path() {
    const passwd* account = ::getpwuid(::getuid());
    return settings_path_from(std::getenv("TOUCHSCREEN_SETTINGS"), std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"),
                              account != nullptr ? account->pw_dir : nullptr);
}

PullDeck::PullDeck(config::Knobs& knobs, data::FeedHub& feed, panel::PanelKit& panel, std::string settings_path)
    : knobs_(knobs), feed_(feed), panel_(panel), settings_path_(std::move(settings_path)) {
    const int w = 74, gap = 10;
    const std::pair<const char*, const char*> timeouts[] = {{"30", "30s"}, {"60", "1 min"}, {"300", "5 min"}, {"0", "never"}};
    const std::pair<const char*, const char*> modes[] = {
        {"rainbow", "rainbow"}, {"breath", "breath"}, {"static", "static"}, {"off", "off"}};
    for (int i = 0; i < 4; ++i) {
        buttons_.push_back({{kMargin + i * (w + gap), 252, w, 52}, {"timeout", timeouts[i].first}, timeouts[i].second});
        buttons_.push_back({{kMargin + i * (w + gap), 328, w, 52}, {"rgb_mode", modes[i].first}, modes[i].second});
    }
    buttons_.push_back({{kMargin, 392, 328, 36}, {"close"}, "close"});
}

void PullDeck::load_config() {
    panel_.start_hardware(*knobs_.settings());
    if (!stored_loaded_) load_stored();
    panel_.set_brightness(brightness_);  // the stored level lands again at every start
}

void PullDeck::load_stored() {
    stored_loaded_ = true;
    if (settings_path_.empty()) {
        save_error_ = kNoHome;
        core::log::warning(kNoHome);
        return;
    }
    const auto stored = core::read_small_file(settings_path_, kMaxSettingsBytes);
    if (!stored) {
        if (stored.error().code == ENOENT) return;  // first start: defaults
        // Saving the defaults over a file we could not read would lose the user's settings.
        unreadable_ = stored.error().cause;
        save_error_ = "Settings not kept: " + unreadable_;
        core::log::warning("control-centre settings " + stored.error().message() +
                           "; using the defaults, and the file is left as it is");
        return;
    }
    std::istringstream in(stored.value());
    // A file cut short by a crash or filled with garbage must not stop the panel: what cannot
    // be read keeps its default, and the file is named once in the log.
    std::string line, unread;
    int lines = 0;
    const auto number = [](const std::string& v, int lo, int hi) -> std::optional<int> {
        int n = 0;
        const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
        if (ec != std::errc() || end != v.data() + v.size() || n < lo || n > hi) return std::nullopt;
        return n;
    };
    while (std::getline(in, line)) {
        ++lines;
        const auto eq = line.find('=');
        const std::string key = line.substr(0, eq), value = eq == std::string::npos ? "" : line.substr(eq + 1);
        bool ok = true;
        if (eq == std::string::npos) {
            ok = false;
        } else if (key == "brightness") {
            const auto v = number(value, 0, 100);
            if ((ok = v.has_value())) brightness_ = std::max(*v, 5);
        } else if (key == "hue") {
            const auto v = number(value, 0, 359);
            if ((ok = v.has_value())) hue_ = *v;
        } else if (key == "timeout") {
            const auto v = number(value, 0, 24 * 3600);
            if ((ok = v.has_value())) feed_.set_auto_off_seconds(*v);
        } else if (key == "rgb_mode") {
            ok = value == "rainbow" || value == "breath" || value == "static" || value == "off";
            if (ok) rgb_mode_ = value;
        } else {
            ok = false;
        }
        if (!ok && unread.size() < 200) unread += (unread.empty() ? "" : ", ") + std::to_string(lines);
    }
    if (lines == 0) {
        core::log::warning("control-centre settings " + settings_path_ + " are empty; using the defaults");
    } else if (!unread.empty()) {
        core::log::warning("control-centre settings " + settings_path_ + ": cannot read line(s) " + unread +
                           "; using the defaults for those");
    }
    // The dashboard reads the light's start mode from the environment; a launcher's value wins.
    setenv("config_rgb_mode", rgb_mode_.c_str(), 0);
    setenv("config_rgb_color", hex(hue_colour(hue_)).c_str(), 0);
}

void PullDeck::save() {
    unsaved_ = false;
    if (settings_path_.empty()) {
        save_error_ = kNoHome;  // kept in memory only
        return;
    }
    if (!unreadable_.empty()) {
        const auto again = core::read_small_file(settings_path_, kMaxSettingsBytes);
        if (!again && again.error().code != ENOENT) return;  // still unread: still not ours to replace
        unreadable_.clear();
    }
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(settings_path_).parent_path(), ec);
    std::ostringstream out;
    out << "brightness=" << brightness_ << "\nhue=" << hue_ << "\ntimeout=" << feed_.auto_off_seconds()
        << "\nrgb_mode=" << rgb_mode_ << "\n";
    // A panel on a read-only root must keep running: the setting still applies, and the
    // panel says that it was not kept, until a later save succeeds.
    try {
        core::write_file_atomically(settings_path_, out.str());
        save_error_.clear();
    } catch (const std::system_error& e) {
        save_error_ = "Settings not saved: " + e.code().message();
        core::log::warning(std::string("control-centre settings: ") + e.what());
    }
}

int PullDeck::panel_top() const { return static_cast<int>(-kPanelHeight * (1.0 - progress_)); }

std::optional<AreaDescriptor> PullDeck::get_button_at(int x, int y) {
    if (progress_ <= 0.0) return std::nullopt;
    const int py = y - panel_top();
    if (inside(kBrightnessTrack, x, py)) return AreaDescriptor{"brightness", std::to_string(percent_along(kBrightnessTrack, x))};
    if (inside(kColourTrack, x, py)) return AreaDescriptor{"color_slider"};
    for (const Button& b : buttons_) {
        if (inside(b.rect, x, py)) return b.area;
    }
    return std::nullopt;
}

void PullDeck::handle_button_press(const AreaDescriptor& area) {
    if (area.empty()) return;
    const std::string& kind = area[0];
    const std::string value = area.size() > 1 ? area[1] : "";
    if (kind == "brightness") {
        // Called for every point of a drag: stored once the finger lifts.
        brightness_ = std::clamp(std::atoi(value.c_str()), 5, 100);
        panel_.set_brightness(brightness_);
        unsaved_ = true;
        return;
    } else if (kind == "timeout") {
        feed_.set_auto_off_seconds(std::atoi(value.c_str()));
    } else if (kind == "rgb_mode") {
        rgb_mode_ = value;
        panel_.set_rgb_mode(rgb_mode_, hex(hue_colour(hue_)));
    } else if (kind == "close") {
        close_settings();
        return;
    } else {
        return;
    }
    save();
}

void PullDeck::close_at_once() {
    open_ = false;
    progress_ = 0.0;
    ripples_.clear();
    pressed_.clear();
}

void PullDeck::add_ripple(int x, int y, int size) {
    if (ripples_.size() >= kMaxRipples) ripples_.erase(ripples_.begin());
    ripples_.push_back({x, y, size, 0, 0});
}

void PullDeck::add_slide_ripple(int x, int y, int direction) {
    if (ripples_.size() >= kMaxRipples) ripples_.erase(ripples_.begin());
    ripples_.push_back({x, y, 40, 0, direction > 0 ? 1 : -1});
}

void PullDeck::handle_color_slider(int x) {
    // Choosing a colour makes the light static; the mode buttons and the stored settings
    // must say so too, or the next start would bring the old mode and colour back.
    hue_ = percent_along(kColourTrack, x) * 359 / 100;
    rgb_mode_ = "static";
    panel_.set_rgb_mode(rgb_mode_, hex(hue_colour(hue_)));
    unsaved_ = true;
}

std::string PullDeck::identifier_of(const std::string& id_or_text) const {
    // "[timeout, 30]" names the same button as "timeout_30".
    if (id_or_text.size() < 2 || id_or_text.front() != '[' || id_or_text.back() != ']') return id_or_text;
    std::string inner = id_or_text.substr(1, id_or_text.size() - 2);
    if (const auto comma = inner.find(", "); comma != std::string::npos) inner.replace(comma, 2, "_");
    return inner;
}

void PullDeck::start_button_animation(const std::string& btn_id) { pressed_[identifier_of(btn_id)] = 0; }

void PullDeck::release_button_animation(const std::string& btn_id) { pressed_.erase(identifier_of(btn_id)); }

bool PullDeck::button_pressed(const std::string& btn_id) const { return pressed_.count(identifier_of(btn_id)) > 0; }

void PullDeck::reset_rgb_animation() {
    slide_start_x_ = 0;
    feed_.note_activity();  // every lift of the finger counts as use of the panel
    // A lift ends any slider drag: store its result once rather than at every point.
    if (unsaved_) save();
}

void PullDeck::update_settings_animation() {
    // Whole steps: sums of 0.2 would leave the closed panel 1e-16 open for one more frame,
    // darkening the screen by nothing and showing the panel's last row.
    const double target = open_ ? 1.0 : 0.0;
    const double step = std::round(progress_ / kProgressStep);
    if (progress_ < target) progress_ = std::min(target, (step + 1) * kProgressStep);
    if (progress_ > target) progress_ = std::max(target, (step - 1) * kProgressStep);
    for (Ripple& r : ripples_) ++r.frame;
    std::erase_if(ripples_, [](const Ripple& r) { return r.frame > kRippleFrames; });
    for (auto& [id, frames] : pressed_) frames = std::min(frames + 1, kPressFrames);
}

void PullDeck::draw_controls(SDL_Surface* screen, int top) {
    const Color text = knobs_.color("text"), gray = knobs_.color("text_gray"), accent = knobs_.color("accent");
    const Color card = knobs_.color("card"), track = knobs_.color("track");
    paint::rounded_box(screen, {8, top, screen->w - 16, kPanelHeight - 8}, 24, card, 240);
    knobs_.text.draw(screen, "Control centre", kMargin, top + 20, 22, text, true);
    if (!save_error_.empty()) knobs_.text.draw(screen, save_error_, kMargin, top + 42, 11, knobs_.color("warn"));
    if (!config_notice_.empty()) {
        // Below a save error when both show.
        knobs_.text.draw(screen, config_notice_, kMargin, top + (save_error_.empty() ? 42 : 50), 11, knobs_.color("warn"));
    }

    knobs_.text.draw(screen, "Brightness " + std::to_string(brightness_) + "%", kMargin, top + 60, 14, gray);
    SDL_Rect b = kBrightnessTrack;
    b.y += top;
    paint::bar(screen, b, brightness_ / 100.0, track, accent);

    knobs_.text.draw(screen, "Light colour", kMargin, top + 144, 14, gray);
    SDL_Rect c = kColourTrack;
    c.y += top;
    for (int i = 0; i < c.w; ++i) paint::fill(screen, {c.x + i, c.y, 1, c.h}, hue_colour(i * 359 / c.w));
    const int knob_x = c.x + hue_ * c.w / 360;
    paint::fill(screen, {knob_x - 2, c.y - 4, 4, c.h + 8}, text);

    knobs_.text.draw(screen, "Screen off after", kMargin, top + 230, 14, gray);
    knobs_.text.draw(screen, "Light mode", kMargin, top + 308, 14, gray);
    for (const Button& btn : buttons_) {
        SDL_Rect r = btn.rect;
        r.y += top;
        const bool active = (btn.area[0] == "timeout" && btn.area[1] == std::to_string(feed_.auto_off_seconds())) ||
                            (btn.area[0] == "rgb_mode" && btn.area[1] == rgb_mode_);
        const std::string id = btn.area.size() > 1 ? btn.area[0] + "_" + btn.area[1] : btn.area[0];
        const auto press = pressed_.find(id);
        Color fill = active ? accent : track;
        if (press != pressed_.end()) {  // darken while held, deepening over the first frames
            const int k = 40 * (press->second + 1) / kPressFrames;
            fill = {Uint8(std::max(0, fill.r - k)), Uint8(std::max(0, fill.g - k)), Uint8(std::max(0, fill.b - k))};
        }
        paint::rounded_box(screen, r, 12, fill);
        const int tw = knobs_.text.width(btn.label, 14);
        knobs_.text.draw(screen, btn.label, r.x + (r.w - tw) / 2, r.y + r.h / 2 - 9, 14, text);
    }
}

PullDeck::Look PullDeck::look() const {
    return {brightness_, hue_, feed_.auto_off_seconds(), rgb_mode_, save_error_, pressed_};
}

bool PullDeck::drawing_unchanged() {
    return drawn_look_ && ripples_.empty() && !drawn_ripples_ && progress_ == drawn_progress_ && look() == *drawn_look_;
}

std::uint32_t PullDeck::backdrop_dim() { return progress_ > 0.0 ? static_cast<Uint8>(120 * progress_) : 0; }

void PullDeck::draw_panel(SDL_Surface* screen, bool darken) {
    const Look now = look();
    if (progress_ > 0.0) {
        const std::uint32_t dim = darken ? backdrop_dim() : 0;
        // The controls change far less often than the frame: drawn once per change, pixel by
        // pixel, and on a 32-bit xRGB screen kept in the form its one-pass blend reads.
        const bool fast = xrgb32(screen);
        if (!panel_cache_ || panel_cache_->w != screen->w) {
            panel_cache_ = core::make_alpha_surface(screen->w, kPanelHeight);
            cached_look_.reset();
        }
        if (cache_prepared_ && !fast) cached_look_.reset();  // SDL's blit needs the pixels as drawn
        if (!cached_look_ || *cached_look_ != now) {
            if (SDL_FillRect(panel_cache_.get(), nullptr, 0) != 0) throw core::SdlError("SDL_FillRect");
            draw_controls(panel_cache_.get(), 0);
            cached_look_ = now;
            cache_prepared_ = false;
        }
        const int top = panel_top();
        if (fast) {
            SDL_Surface* p = panel_cache_.get();
            if (!cache_prepared_) {
                for (int y = 0; y < p->h; ++y) {
                    auto* row = reinterpret_cast<std::uint32_t*>(static_cast<Uint8*>(p->pixels) + y * p->pitch);
                    render::pixels::prepare_over_row(row, row, p->w);
                }
                cache_prepared_ = true;
            }
            // Each row is read and written once: darkened, and where the panel lies, the panel
            // laid on in the same pass. The same pixels as darkening all, then blending.
            const int n = std::min(screen->w, p->w);
            const auto row = [&](int y) {
                return reinterpret_cast<std::uint32_t*>(static_cast<Uint8*>(screen->pixels) + y * screen->pitch);
            };
            const auto panel_row = [&](int y) {
                return reinterpret_cast<const std::uint32_t*>(static_cast<const Uint8*>(p->pixels) + (y - top) * p->pitch);
            };
            const int y0 = std::clamp(top, 0, screen->h), y1 = std::clamp(top + kPanelHeight, 0, screen->h);
            if (screen->pitch == screen->w * 4 && p->pitch == screen->pitch) {
                // Rows without gaps: each band in one call, without a loop's set-up per row.
                render::pixels::darken_row(row(0), y0 * screen->w, dim);
                if (y1 > y0) render::pixels::darken_over_row(row(y0), row(y0), panel_row(y0), (y1 - y0) * screen->w, dim);
                render::pixels::darken_row(row(y1), (screen->h - y1) * screen->w, dim);
            } else {
                for (int y = 0; y < screen->h; ++y) {
                    if (y >= y0 && y < y1) {
                        render::pixels::darken_over_row(row(y), row(y), panel_row(y), n, dim);
                        render::pixels::darken_row(row(y) + n, screen->w - n, dim);
                    } else {
                        render::pixels::darken_row(row(y), screen->w, dim);
                    }
                }
            }
        } else {
            if (dim > 0) paint::fill(screen, {0, 0, screen->w, screen->h}, {0, 0, 0}, static_cast<Uint8>(dim));
            SDL_Rect at{0, top, 0, 0};
            if (SDL_BlitSurface(panel_cache_.get(), nullptr, screen, &at) != 0) throw core::SdlError("SDL_BlitSurface");
        }
    }
    const Color accent = knobs_.color("accent");
    for (const Ripple& r : ripples_) {
        const int radius = std::max(2, r.size / 2 * r.frame / kRippleFrames);
        const auto alpha = static_cast<Uint8>(160 * (kRippleFrames - r.frame) / kRippleFrames);
        paint::ring(screen, r.x + r.direction * r.frame * 2, r.y, radius, 3, accent, alpha);
    }
    drawn_look_ = now;
    drawn_progress_ = progress_;
    drawn_ripples_ = !ripples_.empty();
}

}  // namespace ts::controlcentre
