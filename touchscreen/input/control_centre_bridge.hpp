// The dashboard's side of the pull-down control centre: touch points while it is open or
// animating become presses, slider drags, slide-offs and the closing gesture; a pressed
// button acts when the finger lifts. Main thread only.
#pragma once

#include "../core/app_state.hpp"
#include "../services/components.hpp"

#include <string>

namespace ts::input {

// The name of a button for the press and release animations: "timeout_30", "close".
std::string button_identifier(const core::AreaDescriptor& area);

// Passes the descriptor on unchanged; the control centre performs the control's action.
void _handle_settings_button_press(services::Components& c, const core::AreaDescriptor& area_info);

// A touch point routed to the open (or still animating) control centre; x, y in pixels.
void _handle_settings_touch(core::AppState& state, services::Components& c, int x, int y);

// Release steps, run from every touch release before the press fields are cleared.
void _handle_settings_release(core::AppState& state, services::Components& c);

}  // namespace ts::input
