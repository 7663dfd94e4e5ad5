// WMO weather codes (the ones the forecast service reports) as words and an icon to draw.
#pragma once

#include <string>

namespace ts::weather {

enum class Icon { Sun, Moon, SunCloud, MoonCloud, Cloud, Fog, Drizzle, Rain, Sleet, Snow, Thunder, Unknown };

struct Condition {
    std::string words;  // lower case, short enough for the card: "partly cloudy"
    Icon icon = Icon::Unknown;
};

// is_day picks the day or night variant where the sky shows (sun or moon).
Condition condition_of(int code, bool is_day);

}  // namespace ts::weather
