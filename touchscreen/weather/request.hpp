// The forecast request for the configured place: pure, so the query is checked without a
// network. Nothing is guessed: without both coordinates there is no request at all.
#pragma once

#include "../config/settings.hpp"

#include <string>

namespace ts::weather {

inline constexpr const char* kCurrentVariables =
    "temperature_2m,apparent_temperature,relative_humidity_2m,weather_code,wind_speed_10m,is_day";
inline constexpr const char* kDailyVariables = "weather_code,temperature_2m_max,temperature_2m_min,sunrise,sunset";
inline constexpr const char* kHourlyVariables = "temperature_2m,weather_code,precipitation_probability";
inline constexpr int kForecastDays = 7;

struct RequestPlan {
    std::string url;      // empty when there is nothing to ask
    std::string problem;  // why not, worded for the card and the log
    bool imperial = false;
};

RequestPlan plan_request(const config::WeatherSettings& settings);

}  // namespace ts::weather
