// Turning touch events into page swipes, the control-centre pull-down and screen wake.
// Main thread only, one event at a time in queue order.
#pragma once

#include "../core/app_state.hpp"
#include "../services/components.hpp"

#include <functional>

namespace ts::input {

// Starts the page slide; the frame loop passes the renderer's.
using TransitionStarter = std::function<void(int direction)>;

void handle_touch_point(core::AppState& state, services::Components& c, const TransitionStarter& start_transition,
                        int x, int y);
void handle_touch_release(core::AppState& state, services::Components& c);

}  // namespace ts::input
