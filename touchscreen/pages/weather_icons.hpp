// Weather icons drawn from a few vector shapes (discs, bars, crescents), so they scale to
// any size without image files.
#pragma once

#include "../weather/wmo.hpp"

#include <SDL.h>

namespace ts::pages {

// Main thread only; draws inside the size x size square at (x, y) and nowhere else.
void draw_weather_icon(SDL_Surface* s, weather::Icon icon, int x, int y, int size);

}  // namespace ts::pages
