// Page 1: the clock and date, the weather card and the machine's disk activity.
#pragma once

#include "cards.hpp"
#include "clock_text.hpp"
#include "weather_card.hpp"

#include "../config/knobs.hpp"
#include "../services/page_providers.hpp"
#include "../weather/service.hpp"

#include <ctime>
#include <functional>
#include <optional>

namespace ts::pages {

class SkyClock : public services::ClockWeatherPage {
public:
    // weather may be null: the card then says it has no forecast.
    explicit SkyClock(config::Knobs& knobs, SnapshotFeed feed = {}, const weather::WeatherService* weather = nullptr)
        : knobs_(knobs), feed_(std::move(feed)), weather_(weather) {}
    void draw_weather_page(SDL_Surface* surface, SDL_Rect rect) override;
    bool would_draw_the_same(const SDL_Surface* surface, SDL_Rect rect) const override;
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
    // All the page's pixels follow from, besides fonts and colours that come with the settings.
    struct PageKey {
        const SDL_Surface* surface = nullptr;
        SDL_Rect rect{};
        ClockText words;
        WeatherKey weather;
        // Held, so that a later snapshot can never come back at the same address.
        std::shared_ptr<const sysdata::Snapshot> snapshot;
        friend bool operator==(const PageKey& a, const PageKey& b) {
            return a.surface == b.surface && SDL_RectEquals(&a.rect, &b.rect) && a.words == b.words &&
                   a.weather == b.weather && a.snapshot == b.snapshot;
        }
    };
    PageKey key_now(const SDL_Surface* surface, SDL_Rect rect) const;
    std::optional<PageKey> drawn_;  // what the last finished drawing followed from

    CardMemo<WeatherKey> weather_card_;
    CardMemo<std::shared_ptr<const config::Settings>> activity_frame_;  // the card without its figures
};

}  // namespace ts::pages
