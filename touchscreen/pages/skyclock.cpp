#include "skyclock.hpp"

#include "activity_card.hpp"
#include "weather_card.hpp"

#include <algorithm>
#include <ctime>

namespace ts::pages {

using config::Knobs;
using core::Color;

void SkyClock::draw_weather_page(SDL_Surface* s, SDL_Rect rect) {
    std::tm now{};
    if (local_time) {
        now = local_time();
    } else {
        const std::time_t t = std::time(nullptr);
        localtime_r(&t, &now);
    }
    char hm[8], sec[4], date[32];
    std::strftime(hm, sizeof hm, "%H:%M", &now);
    std::strftime(sec, sizeof sec, "%S", &now);
    std::strftime(date, sizeof date, "%A, %d %B %Y", &now);

    const Color text = knobs_.color("text"), gray = knobs_.color("text_gray");
    const int clock_w = knobs_.text.width(hm, 72, true);
    const int x = rect.x + (rect.w - clock_w) / 2;
    knobs_.text.draw(s, hm, x, rect.y + 60, 72, text, true);
    knobs_.text.draw(s, sec, x + clock_w + 6, rect.y + 108, 20, knobs_.color("accent"));
    const int dw = knobs_.text.width(date, 16);
    knobs_.text.draw(s, date, rect.x + (rect.w - dw) / 2, rect.y + 160, 16, gray);

    draw_weather_card(knobs_, s, {rect.x + 12, rect.y + 220, rect.w - 24, 220});
    // The machine's own card sits in the page's lower third, below the weather card.
    const auto snap = feed_ ? feed_() : nullptr;
    const int top = rect.y + 610;  // page y 640 with the page starting at y 30
    draw_activity_card(knobs_, s, {rect.x + 12, top, rect.w - 24, std::min(300, rect.y + rect.h - 20 - top)}, snap.get(),
                       trace);
}

}  // namespace ts::pages
