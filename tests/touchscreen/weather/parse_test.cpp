// The response parser: the fixture read whole, then one fault at a time put into it. Every
// fault gives its kind and names the field, and never a forecast.
#include "http_server.hpp"
#include "weather/parse.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <functional>

namespace ts::weather {
namespace {

using nlohmann::json;

json fixture() { return json::parse(test::weather_fixture("forecast_full.json")); }

TEST(Parse, TheFullSevenDayResponseIsReadWhole) {
    const ParseResult r = parse_forecast(test::weather_fixture("forecast_full.json"));
    ASSERT_TRUE(r.forecast) << r.detail;
    const Forecast& f = *r.forecast;
    EXPECT_EQ(f.utc_offset, 3600);
    EXPECT_EQ(f.timezone, "Europe/Berlin");
    EXPECT_DOUBLE_EQ(f.current.temperature, 5.8);
    EXPECT_DOUBLE_EQ(f.current.apparent, 2.4);
    EXPECT_DOUBLE_EQ(f.current.humidity, 78);
    EXPECT_DOUBLE_EQ(f.current.wind, 14.6);
    EXPECT_EQ(f.current.code, 2);
    EXPECT_TRUE(f.current.is_day);
    ASSERT_EQ(f.hours.size(), 168u);
    ASSERT_EQ(f.days.size(), 7u);
    std::int64_t t = 0;
    parse_local_time("2026-12-09T00:00", t);
    EXPECT_EQ(f.hours.front().local_time, t);
    EXPECT_EQ(f.hours.back().local_time, t + 167 * 3600);
    EXPECT_EQ(f.days[6].local_date, t + 6 * 86400);
    EXPECT_EQ(f.days[0].code, 3);
    EXPECT_EQ(f.days[0].sunrise, "08:05");
    EXPECT_EQ(f.days[0].sunset, "15:53");
    EXPECT_GT(f.days[0].high, f.days[0].low);
}

struct Fault {
    const char* name;
    std::function<void(json&)> change;
    ErrorKind kind;
    const char* detail;  // part of the message
};

TEST(Parse, EachFaultGivesItsKindAndNamesTheField) {
    const Fault faults[] = {
        {"root is an array",
         [](json& j) {
             j = json::array({1, 2});
         },
         ErrorKind::WrongType, "expected an object"},
        {"offset missing", [](json& j) { j.erase("utc_offset_seconds"); }, ErrorKind::MissingField,
         "utc_offset_seconds"},
        {"offset fractional", [](json& j) { j["utc_offset_seconds"] = 3600.5; }, ErrorKind::WrongType,
         "utc_offset_seconds"},
        {"timezone a number", [](json& j) { j["timezone"] = 1; }, ErrorKind::WrongType, "timezone"},
        {"current missing", [](json& j) { j.erase("current"); }, ErrorKind::MissingField, "current is missing"},
        {"current an array", [](json& j) { j["current"] = json::array(); }, ErrorKind::WrongType, "current is array"},
        {"temperature missing", [](json& j) { j["current"].erase("temperature_2m"); }, ErrorKind::MissingField,
         "current.temperature_2m"},
        {"temperature a string", [](json& j) { j["current"]["temperature_2m"] = "5.8"; }, ErrorKind::WrongType,
         "current.temperature_2m is string"},
        {"temperature null", [](json& j) { j["current"]["apparent_temperature"] = nullptr; }, ErrorKind::WrongType,
         "current.apparent_temperature"},
        {"code fractional", [](json& j) { j["current"]["weather_code"] = 2.5; }, ErrorKind::WrongType,
         "current.weather_code"},
        {"is_day 2", [](json& j) { j["current"]["is_day"] = 2; }, ErrorKind::WrongType, "current.is_day"},
        {"is_day true", [](json& j) { j["current"]["is_day"] = true; }, ErrorKind::WrongType, "current.is_day"},
        {"hourly missing", [](json& j) { j.erase("hourly"); }, ErrorKind::MissingField, "hourly is missing"},
        {"hourly.time an object", [](json& j) { j["hourly"]["time"] = json::object(); }, ErrorKind::WrongType,
         "hourly.time"},
        {"hourly series missing", [](json& j) { j["hourly"].erase("precipitation_probability"); },
         ErrorKind::MissingField, "hourly.precipitation_probability"},
        {"hourly series short", [](json& j) { j["hourly"]["temperature_2m"].erase(167); }, ErrorKind::WrongLength,
         "hourly.temperature_2m has 167 entries"},
        {"hourly series long", [](json& j) { j["hourly"]["weather_code"].push_back(3); }, ErrorKind::WrongLength,
         "hourly.weather_code has 169"},
        {"hourly series a number", [](json& j) { j["hourly"]["weather_code"] = 3; }, ErrorKind::WrongType,
         "hourly.weather_code is number"},
        {"hourly too short to show",
         [](json& j) {
             for (auto& [k, v] : j["hourly"].items()) v.erase(v.begin() + 11, v.end());
         },
         ErrorKind::WrongLength, "at least 12"},
        {"hour time unreadable", [](json& j) { j["hourly"]["time"][5] = "yesterday"; }, ErrorKind::WrongType,
         "hourly.time[5]"},
        {"hour value a string", [](json& j) { j["hourly"]["temperature_2m"][7] = "cold"; }, ErrorKind::WrongType,
         "hourly.temperature_2m[7]"},
        {"daily missing", [](json& j) { j.erase("daily"); }, ErrorKind::MissingField, "daily is missing"},
        {"daily series short", [](json& j) { j["daily"]["sunset"].erase(0); }, ErrorKind::WrongLength,
         "daily.sunset has 6 entries, daily.time has 7"},
        {"four days only",
         [](json& j) {
             for (auto& [k, v] : j["daily"].items()) v.erase(v.begin() + 4, v.end());
         },
         ErrorKind::WrongLength, "at least 5"},
        {"sunrise a number", [](json& j) { j["daily"]["sunrise"][2] = 8; }, ErrorKind::WrongType, "daily.sunrise[2]"},
    };
    for (const Fault& f : faults) {
        json j = fixture();
        f.change(j);
        const ParseResult r = parse_forecast(j.dump());
        EXPECT_FALSE(r.forecast) << f.name;
        EXPECT_EQ(r.error, f.kind) << f.name << ": " << r.detail;
        EXPECT_NE(r.detail.find(f.detail), std::string::npos) << f.name << ": " << r.detail;
    }
}

TEST(Parse, TextThatIsNotJsonIsInvalidJson) {
    const std::string full = test::weather_fixture("forecast_full.json");
    const std::string texts[] = {
        "", "not json", "{", full.substr(0, full.size() / 2), full + "}", std::string(200000, '[')};
    for (const std::string& t : texts) {
        const ParseResult r = parse_forecast(t);
        EXPECT_FALSE(r.forecast);
        EXPECT_EQ(r.error, ErrorKind::InvalidJson) << t.substr(0, 20);
    }
}

TEST(Parse, DeeplyNestedJsonIsRefusedWithoutExhaustingTheStack) {
    const std::size_t depth = 200000;
    const ParseResult r = parse_forecast(std::string(depth, '[') + std::string(depth, ']'));
    EXPECT_FALSE(r.forecast);
    EXPECT_EQ(r.error, ErrorKind::WrongType);
}

TEST(Parse, GapsTheServiceLeavesInItsSeriesAreKeptAsUnknown) {
    json j = fixture();
    j["hourly"]["temperature_2m"][0] = nullptr;
    j["hourly"]["weather_code"][1] = nullptr;
    j["hourly"]["precipitation_probability"][2] = nullptr;
    j["daily"]["temperature_2m_max"][6] = nullptr;
    j["daily"]["sunrise"][3] = nullptr;  // polar night
    const ParseResult r = parse_forecast(j.dump());
    ASSERT_TRUE(r.forecast) << r.detail;
    EXPECT_TRUE(std::isnan(r.forecast->hours[0].temperature));
    EXPECT_EQ(r.forecast->hours[1].code, -1);
    EXPECT_EQ(r.forecast->hours[2].precipitation, -1);
    EXPECT_TRUE(std::isnan(r.forecast->days[6].high));
    EXPECT_EQ(r.forecast->days[3].sunrise, "");
}

}  // namespace
}  // namespace ts::weather
