// The clock page's weather card.
#pragma once

#include "../config/knobs.hpp"

#include <SDL.h>

namespace ts::pages {

// Main thread only; draws inside rect and nowhere else.
void draw_weather_card(config::Knobs& knobs, SDL_Surface* s, SDL_Rect rect);

}  // namespace ts::pages
