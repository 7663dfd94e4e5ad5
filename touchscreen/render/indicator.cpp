// The page indicator: a row of four dots near the top edge, the current page's highlighted.
#include "frame.hpp"
#include "pixels.hpp"

#include <algorithm>
#include <cmath>

namespace ts::render {

void _draw_page_indicator(const core::AppState& state, services::Config& config, SDL_Surface* screen) {
    draw_page_indicator(state, config, screen, 0);
}

void draw_page_indicator(const core::AppState& state, services::Config& config, SDL_Surface* screen,
                         std::uint32_t dim) {
    const int dot_radius = 4;  // pixels
    const int dot_gap = 14;    // pixels between neighbouring dots
    const int total = 4 * dot_radius * 2 + 3 * dot_gap;
    // Rounded down: an odd leftover puts the row half a pixel left of centre.
    const int start_x = static_cast<int>(std::floor((config.SCREEN_WIDTH() - total) / 2.0));
    for (int i = 0; i < 4; ++i) {
        const int x = start_x + i * (dot_radius * 2 + dot_gap);
        core::Color color = config.COLORS().at(i == state._current_page ? "accent" : "text_gray");
        const auto dark = [&](Uint8 v) { return static_cast<Uint8>(v * (255 - std::min(dim, 255u)) / 255); };
        color = {dark(color.r), dark(color.g), dark(color.b)};
        const Uint32 pixel = core::map_rgb(screen, color);
        pixels::for_each_circle_row(x + dot_radius, 15, dot_radius, [&](int y, int x0, int x1) {
            const SDL_Rect row{x0, y, x1 - x0 + 1, 1};
            if (SDL_FillRect(screen, &row, pixel) != 0) throw core::SdlError("SDL_FillRect");
        });
    }
}

}  // namespace ts::render
