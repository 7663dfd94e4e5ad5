// Page content that looks like a dashboard page to the compositor: lines of text-like
// glyph strokes with soft edges, gauge bars and thin rules on a transparent surface,
// drawn deterministically from a seed. About a third of the pixels end up drawn.
#pragma once

#include <SDL.h>

namespace ts::test {

// Clears the page surface (32-bit ARGB) and draws the sample content into it.
void draw_sample_page(SDL_Surface* page, unsigned seed);

// Share of the surface's pixels with non-zero alpha, 0-1.
double drawn_share(SDL_Surface* page);

}  // namespace ts::test
