// The weather thread: asks for the forecast every interval, keeps the last good one on
// failure, retries with a growing delay, caches the last good response on disk and
// publishes immutable views that the card draws. No SDL here; the frame never waits on it.
#pragma once

#include "../config/settings.hpp"
#include "cache.hpp"
#include "forecast.hpp"
#include "http.hpp"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace ts::weather {

// What the card shows; published whole and never changed afterwards.
struct WeatherView {
    std::shared_ptr<const Forecast> forecast;  // null until a good response or a matching cache
    double fetched_at = 0;                     // unix seconds the forecast arrived
    bool from_cache = false;                   // read from disk at start, not asked yet
    bool imperial = false;
    std::string place;
    std::string problem;                     // settings that allow no request, for the card
    ErrorKind last_error = ErrorKind::None;  // of the latest attempt; None after a success
    std::string last_error_detail;
    double interval = 600;  // seconds between requests
};

// 30 s after the first failure, doubling, never beyond the interval.
double retry_delay(int failures, double first_retry, double interval);
// The forecast is old when more than two intervals have passed since it arrived.
bool is_old(const WeatherView& view, double unix_now);
// "just now", "5 min ago", "3 h ago", "2 days ago".
std::string age_text(double seconds);

struct ServiceOptions {
    Limits limits;
    double first_retry = 30;                        // seconds
    double settings_poll = 1;                       // seconds between looks for changed settings
    std::string cache_path = default_cache_path();  // "" keeps nothing on disk
    std::function<double()> wall_now;               // unix seconds; the system clock by default
};

class WeatherService {
public:
    using SettingsSource = std::function<std::shared_ptr<const config::Settings>()>;
    // interval: seconds between requests, read at each request.
    WeatherService(SettingsSource settings, std::function<double()> interval, ServiceOptions options = {});
    ~WeatherService();
    WeatherService(const WeatherService&) = delete;
    WeatherService& operator=(const WeatherService&) = delete;

    // Main thread. start() again after stop() begins anew; stop() ends a transfer in flight.
    void start();
    void stop();

    // Any thread; never blocks on the network.
    std::shared_ptr<const WeatherView> view() const;
    // Any thread; waits up to timeout_s for a view that satisfies done. Returns the last view.
    std::shared_ptr<const WeatherView> wait_for(const std::function<bool(const WeatherView&)>& done,
                                                double timeout_s) const;

private:
    void run();
    void publish(std::shared_ptr<const WeatherView> next);
    bool sleep_until(std::chrono::steady_clock::time_point until);

    SettingsSource settings_;
    std::function<double()> interval_;
    ServiceOptions options_;

    mutable std::mutex lock_;  // guards view_ and stop_ waits; the weather thread and readers
    mutable std::condition_variable changed_;
    std::shared_ptr<const WeatherView> view_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace ts::weather
