// What lies under a point of the control-centre panel, shared by the panel and the touch
// handling that routes presses to it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ts::core {

// Element 0 is the kind ("brightness", "color_slider", "timeout", "rgb_mode", ...), element 1
// the value for controls that carry one. Compared by value.
using AreaDescriptor = std::vector<std::string>;

// Text form used when a press animation is released on slide-off, e.g. "[timeout, 30]".
std::string area_text(const std::optional<AreaDescriptor>& area);

}  // namespace ts::core
