#include "storegauge.hpp"

#include "cards.hpp"

#include "../paint/paint.hpp"

namespace ts::pages {

using config::Knobs;
using core::Color;

void StoreGauge::draw_disk(SDL_Surface* s, SDL_Rect rect) {
    static const char* const kDisks[] = {"/", "/boot", "/data"};
    SDL_Rect disks = rect;
    disks.h = rect.h / 2 - 6;
    rows(knobs_, s, disks, card(knobs_, s, disks, "Disks"), kDisks, 3);
    static const char* const kTemps[] = {"processor", "board", "drive"};
    SDL_Rect temps{rect.x, rect.y + rect.h / 2 + 6, rect.w, rect.h / 2 - 6};
    rows(knobs_, s, temps, card(knobs_, s, temps, "Temperatures"), kTemps, 3);
}

}  // namespace ts::pages
