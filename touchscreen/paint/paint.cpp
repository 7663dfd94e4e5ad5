#include "paint.hpp"

#include "../text/clean.hpp"

#include <algorithm>
#include <cmath>

namespace ts::paint {
namespace {

SDL_Rect clip(SDL_Surface* s, SDL_Rect r) {
    SDL_Rect out{};
    const SDL_Rect bounds{0, 0, s->w, s->h};
    if (!SDL_IntersectRect(&r, &bounds, &out)) return SDL_Rect{0, 0, 0, 0};
    return out;
}

// Source-over of one colour onto a 32-bit pixel, in the surface's own format.
void blend_pixel(SDL_Surface* s, Uint32* px, Color c, Uint8 alpha) {
    Uint8 r, g, b, a;
    SDL_GetRGBA(*px, s->format, &r, &g, &b, &a);
    const int inv = 255 - alpha;
    const Uint8 out_a = static_cast<Uint8>(alpha + a * inv / 255);
    const auto mix = [&](Uint8 src, Uint8 dst) {
        if (out_a == 0) return Uint8{0};
        return static_cast<Uint8>((src * alpha + dst * a * inv / 255) / out_a);
    };
    *px = SDL_MapRGBA(s->format, mix(c.r, r), mix(c.g, g), mix(c.b, b), out_a);
}

// The same source-over on ARGB8888, the page format, without a format lookup per pixel:
// pages are redrawn several times a second, so this is the built-in pages' hot loop.
Uint32 blend_argb(Uint32 dst, Color c, Uint8 alpha) {
    const unsigned a = dst >> 24, inv = 255u - alpha;
    // Most of a card lands on a cleared page: nothing below to mix with.
    if (a == 0) return alpha == 0 ? 0 : (Uint32{alpha} << 24) | (Uint32{c.r} << 16) | (Uint32{c.g} << 8) | c.b;
    const unsigned out_a = alpha + a * inv / 255;
    if (out_a == 0) return 0;
    const auto mix = [&](unsigned src, unsigned d) { return (src * alpha + d * a * inv / 255) / out_a; };
    return (out_a << 24) | (mix(c.r, (dst >> 16) & 0xff) << 16) | (mix(c.g, (dst >> 8) & 0xff) << 8) |
           mix(c.b, dst & 0xff);
}

void blend_span(SDL_Surface* s, int x0, int x1, int y, Color c, Uint8 alpha) {
    if (y < 0 || y >= s->h) return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, s->w);
    auto* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch);
    if (s->format->format == SDL_PIXELFORMAT_ARGB8888) {
        // What lies below a span is mostly one colour (a card, a cleared page): a pixel like
        // the one before it gets the result worked out for that one.
        Uint32 below = 0, result = blend_argb(0, c, alpha);
        for (int x = x0; x < x1; ++x) {
            if (row[x] != below) {
                below = row[x];
                result = blend_argb(below, c, alpha);
            }
            row[x] = result;
        }
        return;
    }
    for (int x = x0; x < x1; ++x) blend_pixel(s, row + x, c, alpha);
}

}  // namespace

void fill(SDL_Surface* s, SDL_Rect rect, Color c, Uint8 alpha) {
    const SDL_Rect r = clip(s, rect);
    if (r.w == 0 || r.h == 0) return;
    if (alpha == 255) {
        SDL_FillRect(s, &r, core::map_rgb(s, c) | s->format->Amask);
        return;
    }
    for (int y = r.y; y < r.y + r.h; ++y) blend_span(s, r.x, r.x + r.w, y, c, alpha);
}

void rounded_box(SDL_Surface* s, SDL_Rect rect, int radius, Color c, Uint8 alpha) {
    radius = std::min({radius, rect.w / 2, rect.h / 2});
    for (int dy = 0; dy < rect.h; ++dy) {
        int inset = 0;
        const int from_edge = std::min(dy, rect.h - 1 - dy);
        if (from_edge < radius) {
            const double v = radius - from_edge - 0.5;
            inset = radius - static_cast<int>(std::sqrt(std::max(0.0, double(radius) * radius - v * v)));
        }
        blend_span(s, rect.x + inset, rect.x + rect.w - inset, rect.y + dy, c, alpha);
    }
}

void bar(SDL_Surface* s, SDL_Rect rect, double fraction, Color track_color, Color fill_color) {
    rounded_box(s, rect, rect.h / 2, track_color);
    fraction = std::clamp(fraction, 0.0, 1.0);
    SDL_Rect done = rect;
    done.w = static_cast<int>(rect.w * fraction);
    if (done.w > 0) rounded_box(s, done, rect.h / 2, fill_color);
}

void ring(SDL_Surface* s, int cx, int cy, int radius, int thickness, Color c, Uint8 alpha) {
    const int outer2 = radius * radius;
    const int inner = std::max(0, radius - thickness);
    const int inner2 = inner * inner;
    for (int dy = -radius; dy <= radius; ++dy) {
        const int y = cy + dy;
        if (y < 0 || y >= s->h) continue;
        auto* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch);
        for (int dx = -radius; dx <= radius; ++dx) {
            const int d2 = dx * dx + dy * dy;
            const int x = cx + dx;
            if (d2 <= outer2 && d2 >= inner2 && x >= 0 && x < s->w) blend_pixel(s, row + x, c, alpha);
        }
    }
}

TextPainter::~TextPainter() {
    cache_.clear();
    for (auto& [key, f] : fonts_) TTF_CloseFont(f);
    if (regular_ != nullptr && TTF_WasInit()) TTF_Quit();
}

void TextPainter::load(const std::string& regular_path, const std::string& bold_path) {
    if (!TTF_WasInit() && TTF_Init() != 0) throw std::runtime_error(std::string("TTF_Init: ") + TTF_GetError());
    regular_path_ = regular_path;
    bold_path_ = bold_path;
    widths_.clear();
    regular_ = font(16, false);  // proves the file opens
}

TTF_Font* TextPainter::font(int size, bool bold) {
    const auto key = std::make_pair(size, bold);
    if (auto it = fonts_.find(key); it != fonts_.end()) return it->second;
    const std::string& path = bold ? bold_path_ : regular_path_;
    TTF_Font* f = TTF_OpenFont(path.c_str(), size);
    if (f == nullptr) throw std::runtime_error("TTF_OpenFont " + path + ": " + TTF_GetError());
    fonts_.emplace(key, f);
    return f;
}

SDL_Surface* TextPainter::rendered(const std::string& text, int size, Color c, bool bold) {
    const Uint32 rgb = (Uint32{c.r} << 16) | (Uint32{c.g} << 8) | c.b;
    auto key = std::make_tuple(text, size, rgb, bold);
    if (auto it = cache_.find(key); it != cache_.end()) return it->second.get();
    // Cleaned here, once per text: every name from the machine or the network passes through.
    const std::string drawn = ts::text::clean(text);
    if (drawn.empty()) return cache_.emplace(std::move(key), Surface{}).first->second.get();
    Surface s(TTF_RenderUTF8_Blended(font(size, bold), drawn.c_str(), SDL_Color{c.r, c.g, c.b, 255}));
    if (!s) throw std::runtime_error(std::string("TTF_RenderUTF8_Blended: ") + TTF_GetError());
    SDL_Surface* raw = s.get();
    cache_.emplace(std::move(key), std::move(s));
    return raw;
}

int TextPainter::draw(SDL_Surface* s, const std::string& text, int x, int y, int size, Color c, bool bold) {
    if (!loaded() || text.empty()) return 0;
    SDL_Surface* t = rendered(text, size, c, bold);
    if (t == nullptr) return 0;  // nothing drawable was left
    SDL_Rect at{x, y, t->w, t->h};
    if (SDL_BlitSurface(t, nullptr, s, &at) != 0) throw core::SdlError("SDL_BlitSurface");
    return t->w;
}

int TextPainter::width(const std::string& text, int size, bool bold) {
    if (!loaded() || text.empty()) return 0;
    auto key = std::make_tuple(text, size, bold);
    if (auto it = widths_.find(key); it != widths_.end()) return it->second;
    int w = 0, h = 0;
    const std::string measured = ts::text::clean(text);
    if (!measured.empty() && TTF_SizeUTF8(font(size, bold), measured.c_str(), &w, &h) != 0) w = 0;
    widths_.emplace(std::move(key), w);
    return w;
}

}  // namespace ts::paint
