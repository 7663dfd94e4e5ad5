// Turning touch events into page swipes, the control-centre pull-down and screen wake.
// Main thread only, one event at a time in queue order.
#pragma once

#include "../core/app_state.hpp"
#include "../services/components.hpp"

#include <functional>

namespace ts::input {

// Starts the page slide from _previous_page to _current_page (+1 after a rightward swipe,
// -1 after a leftward one); the frame loop passes the renderer's.
using TransitionStarter = std::function<void(int direction)>;

// One TOUCH_EVENT; x, y in screen pixels, y growing downward.
void handle_touch_point(core::AppState& state, services::Components& c, const TransitionStarter& start_transition,
                        int x, int y);
// One TOUCH_END_EVENT.
void handle_touch_release(core::AppState& state, services::Components& c);

}  // namespace ts::input
