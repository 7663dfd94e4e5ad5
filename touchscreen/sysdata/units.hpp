// Figures as people read them: binary byte units with one decimal where it helps, rates
// per second, whole percentages, short uptimes. "—" stands for an unknown figure.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ts::sysdata {

inline constexpr const char* kUnknown = "\u2014";

std::string format_bytes(std::uint64_t bytes);            // "512 MiB", "3.2 GiB", "0 B"
std::string format_rate(std::optional<double> bytes_per_s);  // "1.4 MiB/s"
std::string format_percent(std::optional<double> percent);   // "42 %"
std::string format_celsius(std::optional<double> celsius);   // "48 °C"
std::string format_mhz(std::optional<double> mhz);           // "1.80 GHz", "600 MHz"
std::string format_uptime(std::optional<double> seconds);    // "3 d 4 h", "5 h 12 min"

}  // namespace ts::sysdata
