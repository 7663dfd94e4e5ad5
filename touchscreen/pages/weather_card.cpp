#include "weather_card.hpp"

#include "cards.hpp"

namespace ts::pages {

void draw_weather_card(config::Knobs& knobs, SDL_Surface* s, SDL_Rect rect) {
    const int y = card(knobs, s, rect, "Weather");
    knobs.text.draw(s, "--°", rect.x + kPad, y, 48, knobs.color("text"), true);
    knobs.text.draw(s, "no forecast yet", rect.x + kPad, y + 70, 14, knobs.color("text_gray"));
}

}  // namespace ts::pages
