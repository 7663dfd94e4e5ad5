// The names under which the dashboard reaches its outside components. The four page
// slots start empty and are filled once, on first need; the rest are bound at start.
#pragma once

#include "config.hpp"
#include "control_centre.hpp"
#include "data_manager.hpp"
#include "page_providers.hpp"
#include "panel_utilities.hpp"

#include <memory>

namespace ts::services {

struct Components {
    Config& config;
    PanelUtilities& permission;
    DataManager& data_mgr;
    ControlCentre& pulldeck;
    PageProviderLoader& loader;

    // Page-provider slots: empty until the dashboard binds them.
    std::unique_ptr<LoadPage> sys_mon;
    std::unique_ptr<StoragePage> disk;
    std::unique_ptr<NetworkPage> net_proc;
    std::unique_ptr<ClockWeatherPage> skyclock;

    void set_rgb_mode(const std::string& mode, const std::string& color) {
        permission.set_rgb_mode(mode, color);
    }
};

}  // namespace ts::services
