// The built-in page providers. Each draws cards with titles, figures and bars inside the
// rectangle it is given; the figures shown are placeholders until data collection exists.
#pragma once

#include "knobs.hpp"
#include "page_providers.hpp"

#include <ctime>
#include <functional>
#include <string>

namespace ts::services {

class SkyClock : public ClockWeatherPage {
public:
    explicit SkyClock(Knobs& knobs) : knobs_(knobs) {}
    void draw_weather_page(SDL_Surface* surface, SDL_Rect rect) override;
    // Local time to show; replaceable for tests.
    std::function<std::tm()> local_time;

private:
    Knobs& knobs_;
};

class LoadGauge : public LoadPage {
public:
    explicit LoadGauge(Knobs& knobs) : knobs_(knobs) {}
    void draw_cpu(SDL_Surface* surface, SDL_Rect rect) override;
    void draw_memory(SDL_Surface* surface, SDL_Rect rect) override;

private:
    Knobs& knobs_;
};

class StoreGauge : public StoragePage {
public:
    explicit StoreGauge(Knobs& knobs) : knobs_(knobs) {}
    void draw_disk(SDL_Surface* surface, SDL_Rect rect) override;
    void _start_temp_update_thread() override { temp_updates_started_ = true; }
    bool temp_updates_started() const { return temp_updates_started_; }

private:
    Knobs& knobs_;
    bool temp_updates_started_ = false;
};

class LinkGauge : public NetworkPage {
public:
    explicit LinkGauge(Knobs& knobs) : knobs_(knobs) {}
    void draw_network(SDL_Surface* surface, SDL_Rect rect) override;
    void draw_processes(SDL_Surface* surface, const ProcessRows* rows, SDL_Rect rect) override;

private:
    Knobs& knobs_;
};

// Loads the built-in providers by name.
class BuiltinPageLoader : public PageProviderLoader {
public:
    explicit BuiltinPageLoader(Knobs& knobs) : knobs_(knobs) {}
    std::unique_ptr<LoadPage> load_loadgauge() override { return std::make_unique<LoadGauge>(knobs_); }
    std::unique_ptr<StoragePage> load_storegauge() override { return std::make_unique<StoreGauge>(knobs_); }
    std::unique_ptr<NetworkPage> load_linkgauge() override { return std::make_unique<LinkGauge>(knobs_); }
    std::unique_ptr<ClockWeatherPage> load_skyclock() override { return std::make_unique<SkyClock>(knobs_); }

private:
    Knobs& knobs_;
};

}  // namespace ts::services
