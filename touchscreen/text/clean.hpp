// Text from the machine or the network (process names, mount labels, host names, the weather
// place) made safe to draw: the font library must never see invalid UTF-8, and control or
// invisible characters must not move or hide what is drawn around them. No SDL here.
#pragma once

#include <string>
#include <string_view>

namespace ts::text {

// Invalid sequences become U+FFFD (one per maximal invalid part); control characters, zero-width
// and direction marks, noncharacters and code points in the unassigned planes 4 to 13 are dropped.
// The result may be empty. Never throws beyond std::bad_alloc.
std::string clean(std::string_view in);

// True when clean(in) would return in unchanged; cheap for plain ASCII.
bool is_clean(std::string_view in);

}  // namespace ts::text
