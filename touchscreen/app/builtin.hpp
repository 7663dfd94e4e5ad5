// The built-in set of outside components, wired to each other, and the binding table the
// dashboard reaches them through.
#pragma once

#include "../config/knobs.hpp"
#include "../controlcentre/pulldeck.hpp"
#include "../data/feedhub.hpp"
#include "../pages/loader.hpp"
#include "../panel/panelkit.hpp"
#include "../services/components.hpp"
#include "../weather/service.hpp"

namespace ts::app {

struct Builtin {
    config::Knobs knobs;
    panel::PanelKit panelkit{knobs};
    data::FeedHub feedhub;
    controlcentre::PullDeck pulldeck{knobs, feedhub, panelkit, controlcentre::default_settings_path()};
    // Forecasts on a thread of their own, started with the data manager's background work.
    weather::WeatherService weather{[this] { return knobs.settings(); }, [this] { return knobs.WEATHER_UPDATE_INTERVAL(); }};
    pages::BuiltinPageLoader loader{knobs, &weather};
    Builtin() { feedhub.add_background_work([this] { weather.start(); }, [this] { weather.stop(); }); }
    services::Components components{knobs, panelkit, feedhub, pulldeck, loader, {}, {}, {}, {}};
};

}  // namespace ts::app
