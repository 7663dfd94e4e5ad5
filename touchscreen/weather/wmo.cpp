#include "wmo.hpp"

namespace ts::weather {

Condition condition_of(int code, bool day) {
    switch (code) {
        case 0: return {day ? "sunny" : "clear", day ? Icon::Sun : Icon::Moon};
        case 1: return {day ? "mostly sunny" : "mostly clear", day ? Icon::Sun : Icon::Moon};
        case 2: return {"partly cloudy", day ? Icon::SunCloud : Icon::MoonCloud};
        case 3: return {"overcast", Icon::Cloud};
        case 45: return {"fog", Icon::Fog};
        case 48: return {"freezing fog", Icon::Fog};
        case 51: return {"light drizzle", Icon::Drizzle};
        case 53: return {"drizzle", Icon::Drizzle};
        case 55: return {"heavy drizzle", Icon::Drizzle};
        case 56: return {"freezing drizzle", Icon::Sleet};
        case 57: return {"heavy freezing drizzle", Icon::Sleet};
        case 61: return {"light rain", Icon::Rain};
        case 63: return {"rain", Icon::Rain};
        case 65: return {"heavy rain", Icon::Rain};
        case 66: return {"freezing rain", Icon::Sleet};
        case 67: return {"heavy freezing rain", Icon::Sleet};
        case 71: return {"light snow", Icon::Snow};
        case 73: return {"snow", Icon::Snow};
        case 75: return {"heavy snow", Icon::Snow};
        case 77: return {"snow grains", Icon::Snow};
        case 80: return {"light showers", Icon::Rain};
        case 81: return {"showers", Icon::Rain};
        case 82: return {"violent showers", Icon::Rain};
        case 85: return {"snow showers", Icon::Snow};
        case 86: return {"heavy snow showers", Icon::Snow};
        case 95: return {"thunderstorm", Icon::Thunder};
        case 96: return {"thunderstorm, hail", Icon::Thunder};
        case 99: return {"thunderstorm, heavy hail", Icon::Thunder};
        default: return {code < 0 ? "no data" : "code " + std::to_string(code), Icon::Unknown};
    }
}

}  // namespace ts::weather
