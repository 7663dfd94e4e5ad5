// Page 1: the clock and date, the weather card and the machine's disk activity.
#pragma once

#include "cards.hpp"
#include "weather_card.hpp"

#include "../config/knobs.hpp"
#include "../services/page_providers.hpp"
#include "../weather/service.hpp"

#include <ctime>
#include <functional>

namespace ts::pages {

class SkyClock : public services::ClockWeatherPage {
public:
    // weather may be null: the card then says it has no forecast.
    explicit SkyClock(config::Knobs& knobs, SnapshotFeed feed = {}, const weather::WeatherService* weather = nullptr)
        : knobs_(knobs), feed_(std::move(feed)), weather_(weather) {}
    void draw_weather_page(SDL_Surface* surface, SDL_Rect rect) override;
    // Local time to show; replaceable for tests.
    std::function<std::tm()> local_time;
    // Unix seconds for the weather's age; replaceable for tests.
    std::function<double()> unix_time;
    TextTrace* trace = nullptr;  // tests: records the activity card's texts

private:
    config::Knobs& knobs_;
    SnapshotFeed feed_;
    const weather::WeatherService* weather_;
    // The cards whose rounded boxes are costly to paint, drawn again only when what they show
    // or the settings changed. Each keeps its pixels (half a megabyte or less): the clock's
    // words and the activity figures are cheap enough to draw at every render.
    struct WeatherKey {
        WeatherCardText words;
        std::shared_ptr<const config::Settings> settings;  // colours and fonts come with it
        friend bool operator==(const WeatherKey&, const WeatherKey&) = default;
    };
    CardMemo<WeatherKey> weather_card_;
    CardMemo<std::shared_ptr<const config::Settings>> activity_frame_;  // the card without its figures
};

}  // namespace ts::pages
