// The built-in set of outside components, wired to each other, and the binding table the
// dashboard reaches them through.
#pragma once

#include "../config/knobs.hpp"
#include "../config/live_config.hpp"
#include "../controlcentre/pulldeck.hpp"
#include "../data/feedhub.hpp"
#include "../pages/loader.hpp"
#include "../panel/panelkit.hpp"
#include "../services/components.hpp"
#include "../weather/service.hpp"
#include "app.hpp"
#include "../sysdata/sampler.hpp"

namespace ts::app {

// The system figures follow the configuration file: disks to show or hide, the interface.
inline sysdata::CollectorOptions sysdata_options(config::Knobs& k) {
    sysdata::CollectorOptions o;
    o.disks_show = [&k] { return k.settings()->disks.show; };
    o.disks_hide = [&k] { return k.settings()->disks.hide; };
    o.interface = [&k] { return k.settings()->network.interface; };
    return o;
}

inline std::function<sysdata::Intervals()> sysdata_intervals(services::Config& c) {
    return [&c] {
        return sysdata::Intervals{c.CPU_UPDATE_INTERVAL(), c.MEMORY_UPDATE_INTERVAL(), c.DISK_UPDATE_INTERVAL(),
                                  c.NETWORK_UPDATE_INTERVAL(), c.PROCESS_UPDATE_INTERVAL()};
    };
}

struct Builtin {
    Builtin() {
        feedhub.add_background_work([this] { sampler.start(); }, [this] { sampler.stop(); });
        feedhub.add_background_work([this] { weather.start(); }, [this] { weather.stop(); });
        panelkit.drive_hardware = true;
        feedhub.on_screen_change = [this](bool on) {
            if (on) return;  // the backlight comes back once a fresh frame is shown
            pulldeck.close_at_once();
            panelkit.screen_off();
        };
    }
    Builtin(const Builtin&) = delete;
    Builtin& operator=(const Builtin&) = delete;

    config::Knobs knobs;
    panel::PanelKit panelkit{knobs};
    data::FeedHub feedhub;
    sysdata::Sampler sampler{sysdata::Source("/"), sysdata_options(knobs), sysdata_intervals(knobs),
                             [this] { return feedhub.get_screen_status(); }};
    controlcentre::PullDeck pulldeck{knobs, feedhub, panelkit, controlcentre::default_settings_path()};
    // Forecasts on a thread of their own, started with the data manager's background work.
    weather::WeatherService weather{[this] { return knobs.settings(); }, [this] { return knobs.WEATHER_UPDATE_INTERVAL(); }};
    pages::BuiltinPageLoader loader{knobs, [this] { return sampler.latest(); }, &weather,
                                    [this] { sampler.processes_shown(); }};
    services::Components components{knobs, panelkit, feedhub, pulldeck, loader, {}, {}, {}, {}};
    config::LiveConfig live{knobs, config::locate_config()};

    // The configuration file's part of start-up and of every frame, as App hooks. A reload that
    // changed anything redraws every page; the control centre keeps its state.
    void hook_settings(AppHooks& hooks) {
        hooks.load_settings = [this] {
            pulldeck.load_stored();  // it exports the light's start mode to the environment
            pulldeck.set_config_notice(live.load());
        };
        hooks.watch_settings = [this] { live.watch(); };
        hooks.apply_settings = [this](core::AppState& state) {
            const auto applied = live.apply_pending();
            if (!applied) return;
            pulldeck.set_config_notice(applied->notice);
            if (!applied->changed) return;
            knobs.clear_surface_cache();
            for (core::DirtyFlag& flag : state._page_dirty) flag.set();
        };
    }
};

}  // namespace ts::app
