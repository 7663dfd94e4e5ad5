#include "request.hpp"

#include <cmath>
#include <cstdio>

namespace ts::weather {
namespace {

// Two decimals (about 1 km) are all a forecast needs; more would tell the service the house.
std::string degrees(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

}  // namespace

RequestPlan plan_request(const config::WeatherSettings& s) {
    RequestPlan plan;
    if (!s.latitude || !s.longitude) {
        plan.problem = "set latitude and longitude in [weather]";
        return plan;
    }
    const double lat = *s.latitude, lon = *s.longitude;
    if (!std::isfinite(lat) || lat < -90 || lat > 90) {
        plan.problem = "latitude in [weather] must be -90 to 90";
        return plan;
    }
    if (!std::isfinite(lon) || lon < -180 || lon > 180) {
        plan.problem = "longitude in [weather] must be -180 to 180";
        return plan;
    }
    if (s.units != "metric" && s.units != "imperial") {
        plan.problem = "units in [weather] must be \"metric\" or \"imperial\"";
        return plan;
    }
    if (s.url.empty()) {
        plan.problem = "url in [weather] is empty";
        return plan;
    }
    plan.imperial = s.units == "imperial";
    plan.url = s.url;
    plan.url += s.url.find('?') == std::string::npos ? '?' : '&';
    plan.url += "latitude=" + degrees(lat) + "&longitude=" + degrees(lon) + "&timezone=auto";
    plan.url += plan.imperial ? "&temperature_unit=fahrenheit&wind_speed_unit=mph"
                              : "&temperature_unit=celsius&wind_speed_unit=kmh";
    plan.url += std::string("&current=") + kCurrentVariables + "&daily=" + kDailyVariables +
                "&hourly=" + kHourlyVariables + "&forecast_days=" + std::to_string(kForecastDays);
    return plan;
}

}  // namespace ts::weather
