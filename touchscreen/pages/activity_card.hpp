// The clock page's card about the machine itself: disk activity.
#pragma once

#include "../config/knobs.hpp"

#include <SDL.h>

namespace ts::pages {

// Main thread only; draws inside rect and nowhere else.
void draw_activity_card(config::Knobs& knobs, SDL_Surface* s, SDL_Rect rect);

}  // namespace ts::pages
