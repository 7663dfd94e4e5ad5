// The background thread that marks pages dirty when the data they show is due. It never
// draws and never touches SDL: the main thread renders a marked page and clears its flag.
#pragma once

#include "../core/app_state.hpp"
#include "../core/clock.hpp"
#include "../services/config.hpp"
#include "../services/data_manager.hpp"

#include <string>

namespace ts::refresh {

// True when the component's interval has passed since it was last found due, or it never
// was; records the time then. Intervals are measured on the monotonic clock, so a step of
// the wall clock neither stalls nor hurries refreshing. Any thread; takes state._refresh_lock.
bool _should_refresh(core::AppState& state, const services::Config& config, core::Clock& clock,
                     const std::string& component);

// One pass of the monitor: asks the screen status and, with the screen on, marks every page
// that has a due component. Returns the pause wanted before the next pass, in seconds:
// 0.2 after a pass, 1.0 with the screen off or after any error (swallowed, not logged).
double refresh_pass(core::AppState& state, const services::Config& config, services::DataManager& data_mgr,
                    core::Clock& clock) noexcept;

// Passes and their pauses, forever, on its own thread.
[[noreturn]] void _refresh_monitor(core::AppState& state, const services::Config& config,
                                   services::DataManager& data_mgr, core::Clock& clock);

}  // namespace ts::refresh
