// The forecast response checked field by field: JSON text in, a Forecast or the reason out.
// Pure and without I/O; runs on the weather thread (and in the parse benchmark).
#pragma once

#include "forecast.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace ts::weather {

struct ParseResult {
    std::optional<Forecast> forecast;
    ErrorKind error = ErrorKind::None;
    std::string detail;  // names the field, e.g. "hourly.weather_code[3] is a string"
};

// Fewer entries than these cannot fill the card: today plus four days, twelve hours.
inline constexpr std::size_t kMinDays = 5;
inline constexpr std::size_t kMinHours = 12;

ParseResult parse_forecast(std::string_view json);

}  // namespace ts::weather
