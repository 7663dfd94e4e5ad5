// Loads the built-in page providers by name.
#pragma once

#include "linkgauge.hpp"
#include "loadgauge.hpp"
#include "skyclock.hpp"
#include "storegauge.hpp"

#include <memory>

namespace ts::pages {

class BuiltinPageLoader : public services::PageProviderLoader {
public:
    // feed: the sampler's latest snapshot; without one the system pages show unknown figures.
    // weather may be null: the card then says it has no forecast. processes_shown is told
    // whenever the process rows are drawn.
    explicit BuiltinPageLoader(config::Knobs& knobs, SnapshotFeed feed = {}, const weather::WeatherService* weather = nullptr,
                               std::function<void()> processes_shown = {})
        : knobs_(knobs), feed_(std::move(feed)), weather_(weather), processes_shown_(std::move(processes_shown)) {}
    std::unique_ptr<services::LoadPage> load_loadgauge() override { return std::make_unique<LoadGauge>(knobs_, feed_); }
    std::unique_ptr<services::StoragePage> load_storegauge() override { return std::make_unique<StoreGauge>(knobs_, feed_); }
    std::unique_ptr<services::NetworkPage> load_linkgauge() override {
        return std::make_unique<LinkGauge>(knobs_, feed_, processes_shown_);
    }
    std::unique_ptr<services::ClockWeatherPage> load_skyclock() override {
        return std::make_unique<SkyClock>(knobs_, feed_, weather_);
    }

private:
    config::Knobs& knobs_;
    SnapshotFeed feed_;
    const weather::WeatherService* weather_;
    std::function<void()> processes_shown_;
};

}  // namespace ts::pages
