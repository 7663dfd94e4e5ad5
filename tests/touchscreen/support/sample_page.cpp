#include "sample_page.hpp"

#include <cstdint>

namespace ts::test {
namespace {

struct Lcg {
    std::uint32_t state;
    int below(int n) {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>((state >> 8) % static_cast<std::uint32_t>(n));
    }
};

void fill(SDL_Surface* s, int x, int y, int w, int h, Uint8 r, Uint8 g, Uint8 b, Uint8 a) {
    const SDL_Rect rect{x, y, w, h};
    SDL_FillRect(s, &rect, SDL_MapRGBA(s->format, r, g, b, a));
}

// One glyph in a cell of w x h: a stem or two and a bar or two, with soft (translucent) edges.
void glyph(SDL_Surface* s, Lcg& rng, int x, int y, int w, int h, Uint8 tone) {
    for (int stems = 1 + rng.below(2); stems > 0; --stems) {
        const int stem = x + 1 + rng.below(w - 4);
        fill(s, stem - 1, y, 1, h, tone, tone, tone, 110);
        fill(s, stem, y, 2, h, tone, tone, tone, 255);
        fill(s, stem + 2, y, 1, h, tone, tone, tone, 110);
    }
    for (int bars = 1 + rng.below(2); bars > 0; --bars) {
        const int by = y + rng.below(h - 2);
        fill(s, x, by, w - 1, 2, tone, tone, tone, 255);
        fill(s, x, by + 2, w - 1, 1, tone, tone, tone, 90);
    }
}

// A line of words: glyph cells with a space between words.
void text_line(SDL_Surface* s, Lcg& rng, int x, int y, int width, int size, Uint8 tone) {
    const int cell = size * 6 / 10;
    int at = x;
    while (at + cell < x + width) {
        for (int letters = 2 + rng.below(6); letters > 0 && at + cell < x + width; --letters, at += cell) {
            glyph(s, rng, at, y, cell, size, tone);
        }
        at += cell;  // the space between words
    }
}

}  // namespace

void draw_sample_page(SDL_Surface* page, unsigned seed) {
    SDL_FillRect(page, nullptr, SDL_MapRGBA(page->format, 0, 0, 0, 0));
    Lcg rng{seed};
    const int margin = 12;
    const int width = page->w - 2 * margin;
    int y = margin;
    while (y + 80 < page->h - margin) {
        text_line(page, rng, margin + 8, y, width * 3 / 4, 20, 235);  // section title
        y += 30;
        for (int rows = 2 + rng.below(3); rows > 0; --rows) {
            // Label on the left, value on the right, a gauge bar below.
            text_line(page, rng, margin + 8, y, width / 2 - 8, 14, 150);
            text_line(page, rng, margin + width / 2 + 24, y, width / 2 - 32, 14, 235);
            y += 20;
            const int filled = (width - 16) * (20 + rng.below(80)) / 100;
            fill(page, margin + 8, y, width - 16, 10, 48, 54, 66, 255);
            fill(page, margin + 8, y, filled, 10, 0, 170, 255, 255);
            y += 18;
        }
        fill(page, margin, y, width, 1, 48, 54, 66, 160);  // rule between sections
        y += 14;
    }
}

double drawn_share(SDL_Surface* page) {
    long drawn = 0;
    for (int y = 0; y < page->h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const Uint8*>(page->pixels) + y * page->pitch);
        for (int x = 0; x < page->w; ++x) drawn += (row[x] >> 24) != 0;
    }
    return static_cast<double>(drawn) / (static_cast<double>(page->w) * page->h);
}

}  // namespace ts::test
