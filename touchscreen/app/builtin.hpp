// The built-in set of outside components, wired to each other, and the binding table the
// dashboard reaches them through.
#pragma once

#include "../config/knobs.hpp"
#include "../controlcentre/pulldeck.hpp"
#include "../data/feedhub.hpp"
#include "../pages/loader.hpp"
#include "../panel/panelkit.hpp"
#include "../services/components.hpp"
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
    config::Knobs knobs;
    panel::PanelKit panelkit{knobs};
    data::FeedHub feedhub;
    sysdata::Sampler sampler{sysdata::Source("/"), sysdata_options(knobs), sysdata_intervals(knobs),
                             [this] { return feedhub.get_screen_status(); }};
    controlcentre::PullDeck pulldeck{knobs, feedhub, panelkit, controlcentre::default_settings_path()};
    pages::BuiltinPageLoader loader{knobs, [this] { return sampler.latest(); }};
    services::Components components{knobs, panelkit, feedhub, pulldeck, loader, {}, {}, {}, {}};

    Builtin() {
        feedhub.on_core([this] { sampler.start(); }, [this] { sampler.stop(); });
    }
};

}  // namespace ts::app
