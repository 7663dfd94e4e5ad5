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
    explicit BuiltinPageLoader(config::Knobs& knobs, const weather::WeatherService* weather = nullptr)
        : knobs_(knobs), weather_(weather) {}
    std::unique_ptr<services::LoadPage> load_loadgauge() override { return std::make_unique<LoadGauge>(knobs_); }
    std::unique_ptr<services::StoragePage> load_storegauge() override { return std::make_unique<StoreGauge>(knobs_); }
    std::unique_ptr<services::NetworkPage> load_linkgauge() override { return std::make_unique<LinkGauge>(knobs_); }
    std::unique_ptr<services::ClockWeatherPage> load_skyclock() override { return std::make_unique<SkyClock>(knobs_, weather_); }

private:
    config::Knobs& knobs_;
    const weather::WeatherService* weather_;
};

}  // namespace ts::pages
