// Small drawing routines for the built-in components: translucent boxes, bars and text on
// 32-bit surfaces. Text comes from SDL_ttf with the fonts the configuration loads.
#pragma once

#include "../core/sdl_types.hpp"

#include <SDL_ttf.h>

#include <map>
#include <string>
#include <tuple>

namespace ts::paint {

using core::Color;
using core::Surface;

// Fills rect with colour c at opacity alpha (0-255), blending over what is there.
void fill(SDL_Surface* s, SDL_Rect rect, Color c, Uint8 alpha = 255);
// A box with corners cut by radius px, blended like fill().
void rounded_box(SDL_Surface* s, SDL_Rect rect, int radius, Color c, Uint8 alpha = 255);
// A horizontal bar: track in track_color, the first fraction (0-1) in fill_color.
void bar(SDL_Surface* s, SDL_Rect rect, double fraction, Color track_color, Color fill_color);
// An outline circle of the given thickness, blended at alpha.
void ring(SDL_Surface* s, int cx, int cy, int radius, int thickness, Color c, Uint8 alpha);

// Fonts and a cache of rendered text surfaces; main thread only.
class TextPainter {
public:
    TextPainter() = default;
    ~TextPainter();
    TextPainter(const TextPainter&) = delete;
    TextPainter& operator=(const TextPainter&) = delete;

    // Opens the font files; needs SDL video initialised first. Throws on failure.
    void load(const std::string& regular_path, const std::string& bold_path);
    bool loaded() const { return regular_ != nullptr; }
    // Draws text with its top-left at (x, y); size is one of the loaded point sizes.
    // Returns the width drawn, in pixels. Without fonts it draws nothing and returns 0.
    int draw(SDL_Surface* s, const std::string& text, int x, int y, int size, Color c, bool bold = false);
    // Width the text would take.
    int width(const std::string& text, int size, bool bold = false);
    void clear_cache() {
        cache_.clear();
        widths_.clear();
    }
    std::size_t cached() const { return cache_.size(); }

private:
    TTF_Font* font(int size, bool bold);
    SDL_Surface* rendered(const std::string& text, int size, Color c, bool bold);

    std::string regular_path_, bold_path_;
    TTF_Font* regular_ = nullptr;  // marks that load() succeeded
    std::map<std::pair<int, bool>, TTF_Font*> fonts_;
    std::map<std::tuple<std::string, int, Uint32, bool>, Surface> cache_;
    // Measuring shapes the whole text again: pages measure the same words at every drawing.
    std::map<std::tuple<std::string, int, bool>, int> widths_;
};

}  // namespace ts::paint
