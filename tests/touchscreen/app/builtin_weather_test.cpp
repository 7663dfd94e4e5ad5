// The built-in wiring: the weather thread starts with the data manager's background work,
// feeds the clock page it was given to, and stops with it.
#include "app/builtin.hpp"
#include "http_server.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace ts::app {
namespace {

namespace fs = std::filesystem;

TEST(BuiltinWeather, StartsAndStopsWithTheDataManager) {
    const fs::path cache = fs::temp_directory_path() / ("builtin_weather_" + std::to_string(::getpid()));
    ::setenv("XDG_CACHE_HOME", cache.c_str(), 1);  // read when the service is made
    test::HttpServer server([](const std::string&) {
        return test::HttpReply{200, test::weather_fixture("forecast_full.json")};
    });
    Builtin builtin;
    config::Settings settings;
    settings.weather = {52.52, 13.41, "Berlin", "metric", server.url()};
    builtin.knobs.set_settings(settings);
    const auto has_forecast = [](const weather::WeatherView& v) { return v.forecast != nullptr; };
    EXPECT_FALSE(builtin.weather.wait_for(has_forecast, 0.2)->forecast) << "nothing before start_core";

    builtin.feedhub.start_core();
    EXPECT_TRUE(builtin.weather.wait_for(has_forecast, 10)->forecast);
    EXPECT_TRUE(fs::exists(cache / "touchscreen" / "weather.json"));
    builtin.feedhub.stop_core();
    const std::size_t asked = server.targets().size();
    settings.weather.units = "imperial";  // a change that would be asked at once if it still ran
    builtin.knobs.set_settings(settings);
    EXPECT_FALSE(builtin.weather.wait_for([](const weather::WeatherView& v) { return v.imperial; }, 0.3)->imperial);
    EXPECT_EQ(server.targets().size(), asked);
    ::unsetenv("XDG_CACHE_HOME");
    fs::remove_all(cache);
}

}  // namespace
}  // namespace ts::app
