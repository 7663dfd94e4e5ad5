#include "cards.hpp"

#include "../paint/paint.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ts::pages {

using config::Knobs;

int card(Knobs& k, SDL_Surface* s, SDL_Rect rect, const std::string& title) {
    paint::rounded_box(s, rect, 18, k.color("card"), 200);
    k.text.draw(s, title, rect.x + kPad, rect.y + kPad, 18, k.color("text"), true);
    return below_title(rect);
}

int gauge_row(Knobs& k, SDL_Surface* s, SDL_Rect rect, int y, const std::string& label, const std::string& figure,
              double fraction) {
    k.text.draw(s, label, rect.x + kPad, y, 14, k.color("text_gray"));
    const int fw = k.text.width(figure, 14);
    k.text.draw(s, figure, rect.x + rect.w - kPad - fw, y, 14, k.color("text"));
    paint::bar(s, {rect.x + kPad, y + 22, rect.w - 2 * kPad, 10}, fraction, k.color("track"), k.color("accent"));
    return y + 48;
}

void rows(Knobs& k, SDL_Surface* s, SDL_Rect rect, int y, const char* const* labels, int count) {
    for (int i = 0; i < count && y + 48 <= rect.y + rect.h; ++i) y = gauge_row(k, s, rect, y, labels[i], "--", 0.0);
}

int Canvas::text(const std::string& t, int x, int y, int size, core::Color c, bool bold) {
    const int w = k.text.draw(s, t, x, y, size, c, bold);
    if (trace_ != nullptr && w > 0) trace_->push_back({t, {x, y, k.text.width(t, size, bold), size + size / 3}});
    return w;
}

int Canvas::text_right(const std::string& t, int right, int y, int size, core::Color c, bool bold) {
    const int x = right - width(t, size, bold);
    text(t, x, y, size, c, bold);
    return x;
}

std::string Canvas::fit(const std::string& t, int size, int max_w, bool bold) {
    if (width(t, size, bold) <= max_w) return t;
    std::string cut = t;
    while (!cut.empty()) {
        // Drop one UTF-8 character: continuation bytes first, then its lead byte.
        while (!cut.empty() && (static_cast<unsigned char>(cut.back()) & 0xC0) == 0x80) cut.pop_back();
        if (!cut.empty()) cut.pop_back();
        while (!cut.empty() && cut.back() == ' ') cut.pop_back();
        if (width(cut + "\u2026", size, bold) <= max_w) return cut + "\u2026";
    }
    return "\u2026";
}

int Canvas::card(SDL_Rect rect, const std::string& title, const std::string& note) {
    paint::rounded_box(s, rect, 18, color("card"), 200);
    const int tw = text(title, rect.x + kPad, rect.y + kPad, 18, color("text"), true);
    if (!note.empty()) {
        const int room = rect.w - 2 * kPad - tw - 12;
        text_right(fit(note, 14, room), rect.x + rect.w - kPad, rect.y + kPad + 3, 14, color("text_gray"));
    }
    return below_title(rect);
}

core::Color Canvas::fill_color(double f) const {
    return f > 0.9 ? color("bad") : f > 0.8 ? color("warn") : color("good");
}

void Canvas::fill_bar(SDL_Rect r, double f) {
    f = std::clamp(std::isfinite(f) ? f : 0.0, 0.0, 1.0);
    paint::bar(s, r, f, color("track"), fill_color(f));
}

void Canvas::graph(SDL_Rect r, const sysdata::History& h, double max, core::Color c, Uint8 alpha, bool line_only) {
    const int n = static_cast<int>(sysdata::History::kSize);
    const int count = static_cast<int>(h.size());
    if (max <= 0) max = 1;
    for (int i = 0; i < count; ++i) {
        const double v = h.at(static_cast<std::size_t>(i));
        if (!std::isfinite(v)) continue;
        // Newest at the right edge; a column per sample.
        const int slot = n - count + i;
        const int x0 = r.x + slot * r.w / n, x1 = r.x + (slot + 1) * r.w / n;
        const int bar = std::clamp(static_cast<int>(std::lround(v / max * r.h)), v > 0 ? 1 : 0, r.h);
        if (line_only) {
            const int top = r.y + r.h - std::max(bar, 2);
            paint::fill(s, {x0, top, x1 - x0, 2}, c, alpha);
        } else if (bar > 0) {
            paint::fill(s, {x0, r.y + r.h - bar, std::max(1, x1 - x0 - 1), bar}, c, alpha);
        }
    }
}

}  // namespace ts::pages

namespace ts::pages {
namespace {

// rect within s, or empty.
SDL_Rect inside(const SDL_Surface* s, SDL_Rect rect) {
    const SDL_Rect all{0, 0, s->w, s->h};
    SDL_Rect out{};
    return SDL_IntersectRect(&all, &rect, &out) == SDL_TRUE ? out : SDL_Rect{};
}

void copy_rows(const SDL_Surface* from, int fx, int fy, SDL_Surface* to, int tx, int ty, int w, int h) {
    const std::size_t bytes = static_cast<std::size_t>(w) * 4;
    for (int y = 0; y < h; ++y) {
        std::memcpy(static_cast<Uint8*>(to->pixels) + static_cast<std::ptrdiff_t>(ty + y) * to->pitch + tx * 4,
                    static_cast<const Uint8*>(from->pixels) + static_cast<std::ptrdiff_t>(fy + y) * from->pitch + fx * 4,
                    bytes);
    }
}

}  // namespace

bool KeptPixels::put_back(SDL_Surface* s, SDL_Rect rect) const {
    const SDL_Rect r = inside(s, rect);
    if (!kept_ || !SDL_RectEquals(&r, &rect_) || s->format->format != format_ || SDL_MUSTLOCK(s)) return false;
    copy_rows(pixels_.get(), 0, 0, s, r.x, r.y, r.w, r.h);
    return true;
}

void KeptPixels::take(SDL_Surface* s, SDL_Rect rect) {
    const SDL_Rect r = inside(s, rect);
    kept_ = false;
    if (r.w <= 0 || r.h <= 0 || s->format->BytesPerPixel != 4 || SDL_MUSTLOCK(s)) return;
    if (!pixels_ || pixels_->w != r.w || pixels_->h != r.h || pixels_->format->format != s->format->format) {
        pixels_.reset(SDL_CreateRGBSurfaceWithFormat(0, r.w, r.h, 32, s->format->format));
        if (!pixels_) throw core::SdlError("SDL_CreateRGBSurfaceWithFormat");
    }
    copy_rows(s, r.x, r.y, pixels_.get(), 0, 0, r.w, r.h);
    rect_ = r;
    format_ = s->format->format;
    kept_ = true;
}

}  // namespace ts::pages
