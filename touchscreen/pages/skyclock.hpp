// Page 1: the clock and date, the weather card and the machine's disk activity.
#pragma once

#include "../config/knobs.hpp"
#include "../services/page_providers.hpp"

#include <ctime>
#include <functional>

namespace ts::pages {

class SkyClock : public services::ClockWeatherPage {
public:
    explicit SkyClock(config::Knobs& knobs) : knobs_(knobs) {}
    void draw_weather_page(SDL_Surface* surface, SDL_Rect rect) override;
    // Local time to show; replaceable for tests.
    std::function<std::tm()> local_time;

private:
    config::Knobs& knobs_;
};

}  // namespace ts::pages
