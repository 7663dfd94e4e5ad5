// Page 1: the clock and date, the weather card and the machine's disk activity.
#pragma once

#include "../config/knobs.hpp"
#include "../services/page_providers.hpp"
#include "../weather/service.hpp"

#include <ctime>
#include <functional>

namespace ts::pages {

class SkyClock : public services::ClockWeatherPage {
public:
    // weather may be null: the card then says it has no forecast.
    explicit SkyClock(config::Knobs& knobs, const weather::WeatherService* weather = nullptr)
        : knobs_(knobs), weather_(weather) {}
    void draw_weather_page(SDL_Surface* surface, SDL_Rect rect) override;
    // Local time to show; replaceable for tests.
    std::function<std::tm()> local_time;
    // Unix seconds for the weather's age; replaceable for tests.
    std::function<double()> unix_time;

private:
    config::Knobs& knobs_;
    const weather::WeatherService* weather_;
};

}  // namespace ts::pages
