// The clock page's card about the machine itself: disk activity and the host line.
#pragma once

#include "cards.hpp"

#include "../config/knobs.hpp"

#include <SDL.h>

namespace ts::pages {

// Main thread only; draws inside rect and nowhere else. snap may be empty (figures unknown).
void draw_activity_card(config::Knobs& knobs, SDL_Surface* s, SDL_Rect rect, const sysdata::Snapshot* snap = nullptr,
                        TextTrace* trace = nullptr);

}  // namespace ts::pages
