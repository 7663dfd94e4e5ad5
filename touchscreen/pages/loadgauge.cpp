#include "loadgauge.hpp"

#include "cards.hpp"

#include "../paint/paint.hpp"

namespace ts::pages {

using config::Knobs;
using core::Color;

void LoadGauge::draw_cpu(SDL_Surface* s, SDL_Rect rect) {
    static const char* const kLabels[] = {"total", "core 0", "core 1", "core 2", "core 3", "load average"};
    rows(knobs_, s, rect, card(knobs_, s, rect, "Processor"), kLabels, 6);
}

void LoadGauge::draw_memory(SDL_Surface* s, SDL_Rect rect) {
    static const char* const kLabels[] = {"used", "cached", "swap"};
    rows(knobs_, s, rect, card(knobs_, s, rect, "Memory"), kLabels, 3);
}

}  // namespace ts::pages
