// Page 1: the clock and date, the weather card and the machine's disk activity.
#pragma once

#include "cards.hpp"

#include "../config/knobs.hpp"
#include "../services/page_providers.hpp"

#include <ctime>
#include <functional>

namespace ts::pages {

class SkyClock : public services::ClockWeatherPage {
public:
    explicit SkyClock(config::Knobs& knobs, SnapshotFeed feed = {}) : knobs_(knobs), feed_(std::move(feed)) {}
    void draw_weather_page(SDL_Surface* surface, SDL_Rect rect) override;
    // Local time to show; replaceable for tests.
    std::function<std::tm()> local_time;
    TextTrace* trace = nullptr;  // tests: records the activity card's texts

private:
    config::Knobs& knobs_;
    SnapshotFeed feed_;
};

}  // namespace ts::pages
