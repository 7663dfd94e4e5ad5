// The pure pieces of the weather library: the request, local times, what part of a forecast
// is current, WMO words and icons, the retry schedule and the age shown on the card.
#include "weather/forecast.hpp"
#include "weather/http.hpp"
#include "weather/request.hpp"
#include "weather/service.hpp"
#include "weather/wmo.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace ts::weather {
namespace {

config::WeatherSettings place(std::optional<double> lat, std::optional<double> lon, std::string units = "metric",
                              std::string url = "https://api.example/v1/forecast") {
    config::WeatherSettings s;
    s.latitude = lat;
    s.longitude = lon;
    s.units = std::move(units);
    s.url = std::move(url);
    return s;
}

TEST(Request, AsksForExactlyTheCardsVariablesInTheConfiguredUnits) {
    const std::string vars =
        "&current=temperature_2m,apparent_temperature,relative_humidity_2m,weather_code,wind_speed_10m,is_day"
        "&daily=weather_code,temperature_2m_max,temperature_2m_min,sunrise,sunset"
        "&hourly=temperature_2m,weather_code,precipitation_probability&forecast_days=7";
    struct Case {
        config::WeatherSettings settings;
        std::string url;
    } cases[] = {
        {place(52.52, 13.41),
         "https://api.example/v1/forecast?latitude=52.52&longitude=13.41&timezone=auto"
         "&temperature_unit=celsius&wind_speed_unit=kmh" +
             vars},
        {place(-33.8688, 151.2093, "imperial"),
         "https://api.example/v1/forecast?latitude=-33.87&longitude=151.21&timezone=auto"
         "&temperature_unit=fahrenheit&wind_speed_unit=mph" +
             vars},
        {place(0, -180, "metric", "http://127.0.0.1:8080/f?models=best"),
         "http://127.0.0.1:8080/f?models=best&latitude=0.00&longitude=-180.00&timezone=auto"
         "&temperature_unit=celsius&wind_speed_unit=kmh" +
             vars},
    };
    for (const Case& c : cases) {
        const RequestPlan plan = plan_request(c.settings);
        EXPECT_EQ(plan.url, c.url);
        EXPECT_EQ(plan.problem, "");
    }
}

TEST(Request, ARedirectFromHttpsStaysOnHttps) {
    const std::pair<const char*, const char*> cases[] = {
        {"https://api.example/v1/forecast", "https"},
        {"HTTPS://api.example/v1/forecast", "https"},
        {"http://127.0.0.1:8080/f", "http,https"},
        {"http", "http,https"},
    };
    for (const auto& [url, allowed] : cases) EXPECT_STREQ(redirect_protocols(url), allowed) << url;
}

TEST(Request, NothingIsAskedWithoutAUsablePlaceAndTheProblemNamesTheKey) {
    struct Case {
        config::WeatherSettings settings;
        std::string problem;
    } cases[] = {
        {place(std::nullopt, std::nullopt), "set latitude and longitude in [weather]"},
        {place(52.5, std::nullopt), "set latitude and longitude in [weather]"},
        {place(std::nullopt, 13.4), "set latitude and longitude in [weather]"},
        {place(90.5, 13.4), "latitude in [weather] must be -90 to 90"},
        {place(NAN, 13.4), "latitude in [weather] must be -90 to 90"},
        {place(52.5, -181), "longitude in [weather] must be -180 to 180"},
        {place(52.5, 13.4, "kelvin"), "units in [weather] must be \"metric\" or \"imperial\""},
        {place(52.5, 13.4, "metric", ""), "url in [weather] is empty"},
    };
    for (const Case& c : cases) {
        const RequestPlan plan = plan_request(c.settings);
        EXPECT_EQ(plan.url, "") << c.problem;
        EXPECT_EQ(plan.problem, c.problem);
    }
}

TEST(LocalTime, IsoTimesAndDatesBecomeLocalSeconds) {
    struct Case {
        const char* text;
        bool ok;
        std::int64_t seconds;
    } cases[] = {
        {"1970-01-01T00:00", true, 0},
        {"1970-01-01", true, 0},
        {"2026-12-09T14:00", true, 1796824800},
        {"2024-02-29T23:59", true, 1709251140},
        {"1969-12-31T23:00", true, -3600},
        {"2026-12-09T24:00", false, 0},
        {"2026-13-01", false, 0},
        {"2026-12-09 14:00", false, 0},
        {"2026-12-09T14:00:00", false, 0},
        {"2026-12-9", false, 0},
        {"", false, 0},
        {"yesterday", false, 0},
    };
    for (const Case& c : cases) {
        std::int64_t out = 0;
        EXPECT_EQ(parse_local_time(c.text, out), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(out, c.seconds) << c.text;
        }
    }
}

// Three days of hours from 2026-12-09 local midnight, at UTC+1.
Forecast three_days() {
    Forecast f;
    f.utc_offset = 3600;
    std::int64_t midnight = 0;
    parse_local_time("2026-12-09", midnight);
    for (int i = 0; i < 72; ++i) f.hours.push_back({midnight + i * 3600, double(i), 0, 0});
    for (int i = 0; i < 3; ++i) f.days.push_back({midnight + i * 86400, 0, 1, 0, "", ""});
    return f;
}

TEST(CurrentPart, HoursFromTheCurrentOneAndTodayFollowTheLocationsClock) {
    const Forecast f = three_days();
    std::int64_t local = 0;
    parse_local_time("2026-12-09T14:30", local);
    const double utc_1430 = double(local - 3600);  // 14:30 at UTC+1
    struct Case {
        double unix_now;
        std::size_t count;
        std::size_t got;
        double first_temperature;  // hour index of the first one shown
        int today;
    } cases[] = {
        {utc_1430, 12, 12, 14, 0},
        {utc_1430 + 30 * 60, 12, 12, 15, 0},    // 15:00 sharp starts hour 15
        {utc_1430 + 10 * 3600, 12, 12, 24, 1},  // 00:30 next day: local date moved on, UTC not yet
        {utc_1430 + 50 * 3600, 12, 8, 64, 2},   // near the end: only what remains
        {utc_1430 + 90 * 3600, 12, 0, 0, -1},   // past the forecast
        {utc_1430 - 20 * 3600, 3, 3, 0, -1},    // before it starts: from its first hour
    };
    for (const Case& c : cases) {
        const auto hours = next_hours(f, c.unix_now, c.count);
        ASSERT_EQ(hours.size(), c.got) << c.unix_now;
        if (!hours.empty()) {
            EXPECT_EQ(hours.front().temperature, c.first_temperature);
        }
        EXPECT_EQ(today_index(f, c.unix_now), c.today) << c.unix_now;
    }
}

TEST(Wmo, CodesReadAsWordsWithDayAndNightSkies) {
    struct Case {
        int code;
        bool day;
        const char* words;
        Icon icon;
    } cases[] = {
        {0, true, "sunny", Icon::Sun},
        {0, false, "clear", Icon::Moon},
        {1, false, "mostly clear", Icon::Moon},
        {2, true, "partly cloudy", Icon::SunCloud},
        {2, false, "partly cloudy", Icon::MoonCloud},
        {3, false, "overcast", Icon::Cloud},
        {45, true, "fog", Icon::Fog},
        {53, true, "drizzle", Icon::Drizzle},
        {56, true, "freezing drizzle", Icon::Sleet},
        {65, false, "heavy rain", Icon::Rain},
        {75, true, "heavy snow", Icon::Snow},
        {81, true, "showers", Icon::Rain},
        {86, true, "heavy snow showers", Icon::Snow},
        {95, false, "thunderstorm", Icon::Thunder},
        {99, true, "thunderstorm, heavy hail", Icon::Thunder},
        {42, true, "code 42", Icon::Unknown},
        {-1, true, "no data", Icon::Unknown},
    };
    for (const Case& c : cases) {
        const Condition got = condition_of(c.code, c.day);
        EXPECT_EQ(got.words, c.words) << c.code;
        EXPECT_EQ(got.icon, c.icon) << c.code;
    }
}

TEST(Retry, DelayDoublesFromTheFirstRetryUpToTheInterval) {
    struct Case {
        int failures;
        double first, interval, delay;
    } cases[] = {
        {1, 30, 600, 30},  {2, 30, 600, 60},     {3, 30, 600, 120}, {5, 30, 600, 480},
        {6, 30, 600, 600}, {1000, 30, 600, 600}, {1, 30, 10, 30},  // never below the first retry
        {0, 30, 600, 600},
    };
    for (const Case& c : cases) EXPECT_EQ(retry_delay(c.failures, c.first, c.interval), c.delay) << c.failures;
}

TEST(Age, ShownInWholeUnitsAndOldPastTwoIntervals) {
    struct Case {
        double seconds;
        const char* text;
    } ages[] = {{0, "just now"},      {59, "just now"},  {60, "1 min ago"},       {5 * 60 + 59, "5 min ago"},
                {3599, "59 min ago"}, {3600, "1 h ago"}, {47 * 3600, "47 h ago"}, {49 * 3600, "2 days ago"}};
    for (const auto& a : ages) EXPECT_EQ(age_text(a.seconds), a.text) << a.seconds;

    WeatherView v;
    v.interval = 600;
    v.fetched_at = 1000;
    EXPECT_FALSE(is_old(v, 1000 + 1200)) << "no forecast is never old";
    v.forecast = std::make_shared<const Forecast>();
    EXPECT_FALSE(is_old(v, 1000 + 1200));
    EXPECT_TRUE(is_old(v, 1000 + 1201));
}

}  // namespace
}  // namespace ts::weather
