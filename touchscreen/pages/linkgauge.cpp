#include "linkgauge.hpp"

#include "cards.hpp"

#include "../paint/paint.hpp"

namespace ts::pages {

using config::Knobs;
using core::Color;

void LinkGauge::draw_network(SDL_Surface* s, SDL_Rect rect) {
    static const char* const kLabels[] = {"download", "upload", "address"};
    rows(knobs_, s, rect, card(knobs_, s, rect, "Network"), kLabels, 3);
}

void LinkGauge::draw_processes(SDL_Surface* s, const services::ProcessRows*, SDL_Rect rect) {
    int y = card(knobs_, s, rect, "Processes");
    knobs_.text.draw(s, "name", rect.x + kPad, y, 14, knobs_.color("text_gray"));
    knobs_.text.draw(s, "cpu", rect.x + rect.w - 120, y, 14, knobs_.color("text_gray"));
    knobs_.text.draw(s, "mem", rect.x + rect.w - 60, y, 14, knobs_.color("text_gray"));
    paint::fill(s, {rect.x + kPad, y + 24, rect.w - 2 * kPad, 1}, knobs_.color("track"));
}

}  // namespace ts::pages
