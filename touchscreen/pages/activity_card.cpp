#include "activity_card.hpp"

#include "cards.hpp"

namespace ts::pages {

void draw_activity_card(config::Knobs& knobs, SDL_Surface* s, SDL_Rect rect) {
    const int y = card(knobs, s, rect, "Disk activity");
    gauge_row(knobs, s, rect, y, "read", "--", 0.0);
    gauge_row(knobs, s, rect, y + 48, "write", "--", 0.0);
}

}  // namespace ts::pages
