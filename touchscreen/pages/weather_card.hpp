// The clock page's weather card: what it says (pure, from a published weather view) and
// where it says it. It only reads a view; the weather thread does all the fetching.
#pragma once

#include "../config/knobs.hpp"
#include "../weather/service.hpp"
#include "../weather/wmo.hpp"

#include <SDL.h>

#include <string>
#include <vector>

namespace ts::pages {

struct HourCell {
    std::string hour, temperature, rain;  // "14", "21°", "40" (percent; empty under 10)
    weather::Icon icon = weather::Icon::Unknown;
    friend bool operator==(const HourCell&, const HourCell&) = default;
};

struct DayCell {
    std::string name, high, low;  // "Thu", "22°", "12°"
    weather::Icon icon = weather::Icon::Unknown;
    friend bool operator==(const DayCell&, const DayCell&) = default;
};

struct WeatherCardText {
    std::string title;                 // the place, or "Weather"
    std::string updated;               // "updated 5 min ago"
    bool old = false;                  // more than two intervals since the forecast arrived
    std::vector<std::string> message;  // shown instead of a forecast when there is none
    bool has_forecast = false;
    std::string temperature, condition, high, low, feels, humidity, wind;
    weather::Icon icon = weather::Icon::Unknown;
    std::vector<HourCell> hours;  // up to 12, from the current hour on
    std::vector<DayCell> days;    // up to 4, from tomorrow on
    friend bool operator==(const WeatherCardText&, const WeatherCardText&) = default;
};

// view may be null (no weather service); unix_now in UTC seconds.
WeatherCardText weather_card_text(const weather::WeatherView* view, double unix_now);

// Main thread only; draws inside rect and nowhere else. Fits rect 352 x 370 and up.
void draw_weather_card(config::Knobs& knobs, SDL_Surface* s, SDL_Rect rect, const weather::WeatherView* view,
                       double unix_now);
// The same from what the card says: its pixels follow from these words, the rectangle and the
// configuration's colours and fonts alone.
void draw_weather_card(config::Knobs& knobs, SDL_Surface* s, SDL_Rect rect, const WeatherCardText& words);

}  // namespace ts::pages
