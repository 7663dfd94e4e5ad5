// Drawing pieces the built-in pages share: a titled card and a labelled bar row.
#pragma once

#include "../config/knobs.hpp"

#include <SDL.h>

#include <string>

namespace ts::pages {

inline constexpr int kPad = 16;  // pixels inside a card's edge

// A card with a title; returns the y below the title.
int card(config::Knobs& k, SDL_Surface* s, SDL_Rect rect, const std::string& title);
// A labelled bar row: label left, figure right, bar below (fraction 0-1). Returns the next row's y.
int gauge_row(config::Knobs& k, SDL_Surface* s, SDL_Rect rect, int y, const std::string& label,
              const std::string& figure, double fraction);
// Placeholder rows ("--") for figures not gathered yet, as many as fit.
void rows(config::Knobs& k, SDL_Surface* s, SDL_Rect rect, int y, const char* const* labels, int count);

}  // namespace ts::pages
