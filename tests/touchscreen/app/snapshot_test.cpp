// The picture tool waits for the forecast, but only so long: an answer, a failure, a cache or
// weather that is not set up ends the wait at once; a server that never answers ends it at the bound.
#include "app/snapshot.hpp"
#include "http_server.hpp"
#include "log_capture.hpp"
#include "weather/request.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace ts::app {
namespace {

namespace fs = std::filesystem;
using weather::ErrorKind;

constexpr double kBound = 3.0;  // seconds the tests let the tool wait

struct Case {
    const char* name;
    test::HttpReply reply;
    bool place = true;     // latitude and longitude set
    bool closed = false;   // nothing listens at the configured address
    bool cached = false;   // the last answer for this request is on disk
    bool forecast = false, from_cache = false;
    ErrorKind error = ErrorKind::None;
    bool waits_to_the_bound = false;
    const char* logged;
};

class SnapshotWeather : public ::testing::TestWithParam<Case> {};

TEST_P(SnapshotWeather, WaitsOnlyAsLongAsItMust) {
    const Case& c = GetParam();
    const fs::path cache = fs::temp_directory_path() / ("snapshot_weather_" + std::to_string(::getpid()) + c.name);
    fs::remove_all(cache);
    ::setenv("XDG_CACHE_HOME", cache.c_str(), 1);  // read when the service is made
    test::HttpServer server([&](const std::string&) { return c.reply; });
    config::Settings settings;
    settings.weather = {52.52, 13.41, "Berlin", "metric", c.closed ? "http://127.0.0.1:" + std::to_string(test::closed_port()) : server.url()};
    if (!c.place) settings.weather.latitude.reset();
    if (c.cached) {
        const std::string url = weather::plan_request(settings.weather).url;
        ASSERT_EQ(weather::write_cache((cache / "touchscreen" / "weather.json").string(),
                                       {url, 1.0e9, test::weather_fixture("forecast_full.json")}),
                  "");
    }
    Builtin b;
    b.knobs.set_settings(settings);
    const test::LogCapture log;

    const auto start = std::chrono::steady_clock::now();
    const auto view = gather_figures(b, {2, 0.05, kBound});
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    EXPECT_EQ(view->forecast != nullptr, c.forecast);
    EXPECT_EQ(view->from_cache, c.from_cache);
    EXPECT_EQ(view->last_error, c.error);
    EXPECT_EQ(view->problem.empty(), c.place);
    if (c.waits_to_the_bound) {
        EXPECT_GE(took, kBound - 0.1);
        EXPECT_LT(took, kBound + 2);  // stopping ends the hung transfer
    } else {
        EXPECT_LT(took, kBound / 2);
    }
    EXPECT_NE(log.text().find(std::string("--snapshot: weather: ") + c.logged), std::string::npos) << log.text();
    EXPECT_TRUE(b.sampler.latest()) << "system figures sampled meanwhile";
    ::unsetenv("XDG_CACHE_HOME");
    fs::remove_all(cache);
}

const Case kCases[] = {
    {"answer", {200, test::weather_fixture("forecast_full.json")}, true, false, false, true, false, ErrorKind::None,
     false, "forecast received"},
    {"server_error", {503, "busy"}, true, false, false, false, false, ErrorKind::HttpStatus, false, "no forecast: "},
    {"refused", {}, true, true, false, false, false, ErrorKind::Connect, false, "no forecast: "},
    {"not_set_up", {}, false, false, false, false, false, ErrorKind::None, false, "none asked: "},
    {"cache_while_server_hangs", {200, "", true}, true, false, true, true, true, ErrorKind::None, false,
     "forecast from the cache"},
    {"server_hangs", {200, "", true}, true, false, false, false, false, ErrorKind::None, true, "no answer within 3 s"},
};

INSTANTIATE_TEST_SUITE_P(Cases, SnapshotWeather, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ts::app
