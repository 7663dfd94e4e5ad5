// The built-in set of outside components, wired to each other, and the binding table the
// dashboard reaches them through.
#pragma once

#include "components.hpp"
#include "control_centre.hpp"
#include "data_manager.hpp"
#include "knobs.hpp"
#include "pages.hpp"
#include "panel_utilities.hpp"

namespace ts::services {

struct Builtin {
    Knobs knobs;
    PanelKit panelkit{knobs};
    FeedHub feedhub;
    PullDeck pulldeck{knobs, feedhub, panelkit, default_settings_path()};
    BuiltinPageLoader loader{knobs};
    Components components{knobs, panelkit, feedhub, pulldeck, loader, {}, {}, {}, {}};
};

}  // namespace ts::services
