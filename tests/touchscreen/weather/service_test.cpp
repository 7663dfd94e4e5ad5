// The weather thread against a loopback server: what it asks, what it publishes, how it
// lives through every kind of failure, and what it shows from its cache after a restart.
#include "http_server.hpp"
#include "log_capture.hpp"
#include "weather/cache.hpp"
#include "weather/service.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace ts::weather {
namespace {

namespace fs = std::filesystem;
using test::HttpReply;

const std::string kQuery =
    "/v1/forecast?latitude=52.52&longitude=13.41&timezone=auto&temperature_unit=celsius&wind_speed_unit=kmh"
    "&current=temperature_2m,apparent_temperature,relative_humidity_2m,weather_code,wind_speed_10m,is_day"
    "&daily=weather_code,temperature_2m_max,temperature_2m_min,sunrise,sunset"
    "&hourly=temperature_2m,weather_code,precipitation_probability&forecast_days=7";

// The server's answer, changed by the test while the thread runs.
class Replies {
public:
    void set(HttpReply r) {
        std::lock_guard guard(lock_);
        reply_ = std::move(r);
    }
    HttpReply operator()(const std::string&) {
        std::lock_guard guard(lock_);
        return reply_;
    }

private:
    std::mutex lock_;
    HttpReply reply_;
};

std::string good() { return test::weather_fixture("forecast_full.json"); }

std::string changed(const std::function<void(nlohmann::json&)>& change) {
    auto j = nlohmann::json::parse(good());
    change(j);
    return j.dump();
}

class Service : public ::testing::Test {
protected:
    void SetUp() override {
        cache_dir = fs::temp_directory_path() / ("weather_service_" + std::to_string(::getpid()) + "_" +
                                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(cache_dir);
        replies.set({200, good()});
        place(52.52, 13.41, "metric", server.url());
        options.limits = {1000, 400, 1 << 20};
        options.first_retry = 0.01;
        options.settings_poll = 0.01;
        options.cache_path = (cache_dir / "touchscreen" / "weather.json").string();
        options.wall_now = [this] { return wall.load(); };
    }
    void TearDown() override { fs::remove_all(cache_dir); }

    void place(std::optional<double> lat, std::optional<double> lon, const std::string& units, const std::string& url,
               const std::string& name = "Berlin") {
        config::Settings s;
        s.weather.latitude = lat;
        s.weather.longitude = lon;
        s.weather.units = units;
        s.weather.url = url;
        s.weather.place = name;
        std::lock_guard guard(settings_lock);
        settings = std::make_shared<const config::Settings>(std::move(s));
    }

    std::unique_ptr<WeatherService> make() {
        return std::make_unique<WeatherService>(
            [this] {
                std::lock_guard guard(settings_lock);
                return settings;
            },
            [this] { return interval.load(); }, options);
    }

    // Waits until the server has seen at least n requests.
    void wait_requests(std::size_t n, double timeout_s = 5) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout_s);
        while (server.targets().size() < n && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        ASSERT_GE(server.targets().size(), n);
    }

    std::size_t logged(const std::string& part) const {
        const auto m = log.messages();
        return static_cast<std::size_t>(
            std::count_if(m.begin(), m.end(), [&](const std::string& s) { return s.find(part) != std::string::npos; }));
    }

    test::LogCapture log;
    Replies replies;
    test::HttpServer server{[this](const std::string& t) { return replies(t); }};
    std::mutex settings_lock;
    std::shared_ptr<const config::Settings> settings;
    std::atomic<double> interval{0.1};
    std::atomic<double> wall{1796824800};
    ServiceOptions options;
    fs::path cache_dir;
};

const auto has_forecast = [](const WeatherView& v) { return v.forecast != nullptr; };

TEST_F(Service, AServedForecastIsPublishedAndTheQueryIsExact) {
    interval = 600;
    auto service = make();
    EXPECT_FALSE(service->view()->forecast) << "nothing before the thread starts";
    service->start();
    const auto v = service->wait_for(has_forecast, 5);
    ASSERT_TRUE(v->forecast);
    EXPECT_EQ(v->forecast->hours.size(), 168u);
    EXPECT_EQ(v->fetched_at, wall.load());
    EXPECT_EQ(v->place, "Berlin");
    EXPECT_FALSE(v->imperial);
    EXPECT_EQ(v->last_error, ErrorKind::None);
    ASSERT_EQ(server.targets().size(), 1u);
    EXPECT_EQ(server.targets()[0], kQuery);
    EXPECT_TRUE(fs::exists(options.cache_path));
}

struct Failure {
    const char* name;
    HttpReply reply;
    ErrorKind kind;
};

TEST_F(Service, FailuresKeepTheLastForecastAreLoggedOncePerKindAndTheForecastRecovers) {
    const std::string big(2 << 20, ' ');
    const Failure failures[] = {
        {"HTTP 500", {500, "{\"error\":true,\"reason\":\"busy\"}"}, ErrorKind::HttpStatus},
        {"HTTP 400", {400, "{\"error\":true}"}, ErrorKind::HttpStatus},
        {"invalid JSON", {200, "<html>busy</html>"}, ErrorKind::InvalidJson},
        {"a field missing",
         {200, changed([](auto& j) { j["current"].erase("weather_code"); })},
         ErrorKind::MissingField},
        {"a field mistyped", {200, changed([](auto& j) { j["current"]["is_day"] = "yes"; })}, ErrorKind::WrongType},
        {"arrays of the wrong length",
         {200, changed([](auto& j) { j["daily"]["sunrise"].erase(0); })},
         ErrorKind::WrongLength},
        {"a body over the cap", {200, "[" + big + "]"}, ErrorKind::TooLarge},
        {"a body over the cap, no length given", {200, "[" + big + "]", false, true}, ErrorKind::TooLarge},
        {"a server that never answers", {200, "", true}, ErrorKind::Timeout},
    };
    auto service = make();
    service->start();
    const auto first = service->wait_for(has_forecast, 5)->forecast;
    ASSERT_TRUE(first);

    for (const Failure& f : failures) {
        replies.set(f.reply);
        const auto v = service->wait_for([&](const WeatherView& v) { return v.last_error == f.kind; }, 5);
        ASSERT_EQ(v->last_error, f.kind) << f.name << ": " << v->last_error_detail;
        EXPECT_EQ(v->forecast, first) << f.name << ": the last good forecast stays";
        // Retries go on, with no new log line for a kind already reported.
        wait_requests(server.targets().size() + 2);
        EXPECT_EQ(service->view()->forecast, first) << f.name;
    }
    for (const char* kind : {"HTTP error", "invalid JSON", "missing field", "field of the wrong type",
                             "arrays of the wrong length", "response too large", "timed out"}) {
        EXPECT_EQ(logged(std::string("failed: ") + kind + " ("), 1u) << kind << "\n" << log.text();
    }

    replies.set({200, good()});
    const auto back = service->wait_for(
        [&](const WeatherView& v) { return v.last_error == ErrorKind::None && v.forecast != first; }, 5);
    EXPECT_EQ(back->last_error, ErrorKind::None);
    EXPECT_NE(back->forecast, first);
    EXPECT_EQ(logged("forecast received again"), 1u);

    // After a success the same kind is reported again.
    replies.set({500, ""});
    service->wait_for([](const WeatherView& v) { return v.last_error == ErrorKind::HttpStatus; }, 5);
    service->stop();
    EXPECT_EQ(logged("failed: HTTP error ("), 2u);
}

TEST_F(Service, AServerThatRefusesGivesNoForecastAndANamedError) {
    place(52.52, 13.41, "metric", "http://127.0.0.1:" + std::to_string(test::closed_port()) + "/v1/forecast");
    auto service = make();
    service->start();
    const auto v = service->wait_for([](const WeatherView& v) { return v.last_error != ErrorKind::None; }, 5);
    EXPECT_EQ(v->last_error, ErrorKind::Connect) << v->last_error_detail;
    EXPECT_FALSE(v->forecast);
    service->stop();
    EXPECT_EQ(logged("WARNING weather: request to http://127.0.0.1:"), 1u) << log.text();
}

TEST_F(Service, AfterARestartWithoutNetworkTheCachedForecastShowsWithItsAge) {
    interval = 600;
    const double served_at = wall.load();
    {
        auto service = make();
        service->start();
        ASSERT_TRUE(service->wait_for(has_forecast, 5)->forecast);
    }
    server.stop();
    wall = served_at + 3 * 600 + 1;  // a board that was off for half an hour

    auto service = make();
    service->start();
    const auto v = service->wait_for(has_forecast, 5);
    ASSERT_TRUE(v->forecast);
    EXPECT_EQ(v->fetched_at, served_at);
    EXPECT_TRUE(is_old(*v, wall.load()));
    EXPECT_EQ(age_text(wall.load() - v->fetched_at), "30 min ago");
    // It is old, so it asks at once; the failure keeps the cached forecast on screen.
    const auto after = service->wait_for([](const WeatherView& v) { return v.last_error != ErrorKind::None; }, 5);
    EXPECT_EQ(after->last_error, ErrorKind::Connect);
    EXPECT_EQ(after->forecast, v->forecast);
}

TEST_F(Service, AFreshCacheIsNotAskedAgainAndACacheForAnotherPlaceIsNotShown) {
    interval = 600;
    {
        auto service = make();
        service->start();
        ASSERT_TRUE(service->wait_for(has_forecast, 5)->forecast);
    }
    wall = wall.load() + 60;
    {
        auto service = make();
        service->start();
        const auto v = service->wait_for(has_forecast, 5);
        EXPECT_TRUE(v->from_cache);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(server.targets().size(), 1u) << "a minute-old forecast is not asked again";
    }
    place(48.85, 2.35, "metric", server.url(), "Paris");
    replies.set({503, ""});
    auto service = make();
    service->start();
    const auto v = service->wait_for([](const WeatherView& v) { return v.last_error != ErrorKind::None; }, 5);
    EXPECT_FALSE(v->forecast) << "Berlin's forecast is not Paris's";
    EXPECT_EQ(v->place, "Paris");
}

TEST_F(Service, TheCacheFileIsRewrittenOnlyOnceItIsAnHourOld) {
    const double start = wall.load();
    const auto cached_at = [&] {
        std::string why;
        const auto cached = read_cache(options.cache_path, why);
        return cached ? cached->fetched_at : -1.0;
    };
    auto service = make();
    service->start();
    wait_requests(2);
    EXPECT_EQ(cached_at(), start);
    const struct {
        double later;
        double written_at;
    } steps[] = {{1800, start}, {3599, start}, {3600, start + 3600}, {3700, start + 3600}};
    for (const auto& step : steps) {
        wall = start + step.later;
        wait_requests(server.targets().size() + 2);
        EXPECT_EQ(cached_at(), step.written_at) << step.later << " s on";
    }
}

TEST_F(Service, ChangedSettingsAreNoticedAndAskedAnew) {
    interval = 600;
    auto service = make();
    service->start();
    const auto first = service->wait_for(has_forecast, 5);
    ASSERT_TRUE(first->forecast);

    place(52.52, 13.41, "imperial", server.url(), "Berlin");
    wait_requests(2);
    const auto v =
        service->wait_for([&](const WeatherView& v) { return v.forecast && v.forecast != first->forecast; }, 5);
    EXPECT_TRUE(v->imperial);
    const std::string target = server.targets()[1];
    EXPECT_NE(target.find("&temperature_unit=fahrenheit&wind_speed_unit=mph&"), std::string::npos) << target;

    // A new name alone is shown without asking again.
    place(52.52, 13.41, "imperial", server.url(), "Home");
    EXPECT_EQ(service->wait_for([](const WeatherView& v) { return v.place == "Home"; }, 5)->place, "Home");
    EXPECT_EQ(server.targets().size(), 2u);
}

TEST_F(Service, WithoutALocationNothingIsAskedAndTheProblemIsShown) {
    place(std::nullopt, std::nullopt, "metric", server.url());
    auto service = make();
    service->start();
    const auto v = service->wait_for([](const WeatherView& v) { return !v.problem.empty(); }, 5);
    EXPECT_EQ(v->problem, "set latitude and longitude in [weather]");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(server.targets().empty());
    EXPECT_EQ(logged("WARNING weather: set latitude and longitude in [weather]"), 1u) << log.text();

    place(52.52, 13.41, "metric", server.url());  // set at run time: asked at once
    EXPECT_TRUE(service->wait_for(has_forecast, 5)->forecast);
}

TEST_F(Service, StopEndsARequestInFlightAtOnce) {
    options.limits.total_ms = 60000;
    replies.set({200, "", true});
    auto service = make();
    service->start();
    wait_requests(1);
    const auto t0 = std::chrono::steady_clock::now();
    service->stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
}

}  // namespace
}  // namespace ts::weather
