// The built-in set of outside components, wired to each other, and the binding table the
// dashboard reaches them through.
#pragma once

#include "../config/knobs.hpp"
#include "../controlcentre/pulldeck.hpp"
#include "../data/feedhub.hpp"
#include "../pages/loader.hpp"
#include "../panel/panelkit.hpp"
#include "../services/components.hpp"

namespace ts::app {

struct Builtin {
    Builtin() {
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
    controlcentre::PullDeck pulldeck{knobs, feedhub, panelkit, controlcentre::default_settings_path()};
    pages::BuiltinPageLoader loader{knobs};
    services::Components components{knobs, panelkit, feedhub, pulldeck, loader, {}, {}, {}, {}};
};

}  // namespace ts::app
