// The clock page's card about the machine itself: disk activity and the host line.
#pragma once

#include "cards.hpp"

#include "../config/knobs.hpp"

#include <SDL.h>

namespace ts::pages {

// Main thread only; draws inside rect and nowhere else. snap may be empty (figures unknown).
void draw_activity_card(config::Knobs& knobs, SDL_Surface* s, SDL_Rect rect, const sysdata::Snapshot* snap = nullptr,
                        TextTrace* trace = nullptr);
// The card in two steps: what stays while the figures change (the card, its title, the
// labels), then the figures over it. The two give draw_activity_card's pixels.
void draw_activity_frame(config::Knobs& knobs, SDL_Surface* s, SDL_Rect rect, TextTrace* trace = nullptr);
void draw_activity_figures(config::Knobs& knobs, SDL_Surface* s, SDL_Rect rect, const sysdata::Snapshot* snap,
                           TextTrace* trace = nullptr);

}  // namespace ts::pages
