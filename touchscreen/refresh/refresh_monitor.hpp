// The background thread that marks pages dirty when the data they show is due.
#pragma once

#include "../core/app_state.hpp"
#include "../core/clock.hpp"
#include "../services/config.hpp"
#include "../services/feedhub.hpp"

#include <string>

namespace ts::refresh {

// True when the component's interval has passed since it was last found due (or it never
// was); records the time then. Any thread; takes state._refresh_lock.
bool _should_refresh(core::AppState& state, const services::Config& config, core::Clock& clock,
                     const std::string& component);

// Runs forever on its own thread; never touches SDL.
[[noreturn]] void _refresh_monitor(core::AppState& state, const services::Config& config,
                                   services::DataManager& data_mgr, core::Clock& clock);

}  // namespace ts::refresh
