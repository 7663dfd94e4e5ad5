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
    config::Knobs knobs;
    panel::PanelKit panelkit{knobs};
    data::FeedHub feedhub;
    controlcentre::PullDeck pulldeck{knobs, feedhub, panelkit, controlcentre::default_settings_path()};
    pages::BuiltinPageLoader loader{knobs};
    services::Components components{knobs, panelkit, feedhub, pulldeck, loader, {}, {}, {}, {}};
};

}  // namespace ts::app
