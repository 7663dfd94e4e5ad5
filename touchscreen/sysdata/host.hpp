// The host line: name and uptime.
#pragma once

#include <optional>
#include <string_view>

namespace ts::sysdata {

// Seconds since boot from /proc/uptime's first figure.
std::optional<double> parse_uptime(std::string_view text);

}  // namespace ts::sysdata
