#include "service.hpp"

#include "../core/log.hpp"
#include "parse.hpp"
#include "request.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <set>

namespace ts::weather {
namespace {

constexpr double kCacheRewriteAge = 3600;  // seconds

using Steady = std::chrono::steady_clock;

Steady::time_point after(double seconds) {
    return Steady::now() + std::chrono::duration_cast<Steady::duration>(std::chrono::duration<double>(seconds));
}

double system_now() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

std::string seconds_text(double s) {
    char buf[32];
    std::snprintf(buf, sizeof buf, s < 10 ? "%.1f s" : "%.0f s", s);
    return buf;
}

}  // namespace

double retry_delay(int failures, double first_retry, double interval) {
    if (failures <= 0) return interval;
    const double grown = first_retry * std::pow(2.0, std::min(failures - 1, 30));
    return std::min(grown, std::max(interval, first_retry));
}

bool is_old(const WeatherView& view, double unix_now) {
    return view.forecast != nullptr && unix_now - view.fetched_at > 2 * view.interval;
}

std::string age_text(double seconds) {
    if (seconds < 60) return "just now";
    const auto minutes = static_cast<long>(seconds / 60);
    if (minutes < 60) return std::to_string(minutes) + " min ago";
    const long hours = minutes / 60;
    if (hours < 48) return std::to_string(hours) + " h ago";
    return std::to_string(hours / 24) + " days ago";
}

WeatherService::WeatherService(SettingsSource settings, std::function<double()> interval, ServiceOptions options)
    : settings_(std::move(settings)),
      interval_(std::move(interval)),
      options_(std::move(options)),
      view_(std::make_shared<const WeatherView>()) {
    if (!options_.wall_now) options_.wall_now = system_now;
}

WeatherService::~WeatherService() { stop(); }

void WeatherService::start() {
    if (thread_.joinable()) return;
    stop_.store(false);
    thread_ = std::thread([this] { run(); });
}

void WeatherService::stop() {
    {
        std::lock_guard guard(lock_);
        stop_.store(true);
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

std::shared_ptr<const WeatherView> WeatherService::view() const {
    std::lock_guard guard(lock_);
    return view_;
}

std::shared_ptr<const WeatherView> WeatherService::wait_for(const std::function<bool(const WeatherView&)>& done,
                                                            double timeout_s) const {
    std::unique_lock guard(lock_);
    changed_.wait_until(guard, after(timeout_s), [&] { return done(*view_); });
    return view_;
}

void WeatherService::publish(std::shared_ptr<const WeatherView> next) {
    {
        std::lock_guard guard(lock_);
        view_ = std::move(next);
    }
    changed_.notify_all();
}

bool WeatherService::sleep_until(Steady::time_point until) {
    std::unique_lock guard(lock_);
    return !changed_.wait_until(guard, until, [&] { return stop_.load(); });
}

void WeatherService::run() {
    std::shared_ptr<const config::Settings> seen;  // the snapshot last looked at
    std::string url, problem;                      // what is asked now, or why nothing is
    WeatherView current;                           // the working copy of the published view
    Steady::time_point next_request = Steady::now();
    int failures = 0;
    std::set<ErrorKind> logged;  // kinds reported since the last success
    bool cache_problem_logged = false;
    // What the file on disk holds: it is rewritten only when it is for another request or an
    // hour old, since every answer differs a little and boards run from SD cards.
    std::string cached_request;
    double cached_at = 0;

    const auto interval = [&] {
        const double v = interval_();
        return std::isfinite(v) && v > 0 ? v : 600.0;
    };
    const auto share = [&] { publish(std::make_shared<const WeatherView>(current)); };

    while (!stop_.load()) {
        // Nothing may end this thread but stop(): an unexpected error is logged and retried.
        try {
            auto settings = settings_();
            if (settings && settings != seen) {
                seen = settings;
                const RequestPlan plan = plan_request(settings->weather);
                current.place = settings->weather.place;
                if (plan.url != url || plan.problem != problem) {
                    url = plan.url;
                    problem = plan.problem;
                    failures = 0;
                    logged.clear();
                    current = WeatherView{};
                    current.place = settings->weather.place;
                    current.imperial = plan.imperial;
                    current.problem = problem;
                    current.interval = interval();
                    next_request = Steady::now();
                    if (!problem.empty()) core::log::warning("weather: " + problem + "; no forecast is asked");
                    if (!url.empty() && !options_.cache_path.empty()) {
                        std::string why;
                        const auto cached = read_cache(options_.cache_path, why);
                        if (!why.empty()) core::log::warning("weather: cache ignored: " + why);
                        cached_request = cached ? cached->request : "";
                        cached_at = cached ? cached->fetched_at : 0;
                        if (cached && cached->request == url) {
                            ParseResult parsed = parse_forecast(cached->body);
                            if (parsed.forecast) {
                                current.forecast = std::make_shared<const Forecast>(std::move(*parsed.forecast));
                                current.fetched_at = cached->fetched_at;
                                current.from_cache = true;
                                // A recent answer is not asked again at once after a restart.
                                const double age = options_.wall_now() - cached->fetched_at;
                                if (age >= 0 && age < current.interval) next_request = after(current.interval - age);
                            } else {
                                core::log::warning("weather: cache ignored: " + options_.cache_path + ": " +
                                                   parsed.detail);
                            }
                        }
                    }
                }
                share();
            }

            if (!url.empty() && Steady::now() >= next_request) {
                current.interval = interval();
                FetchResult got = http_get(url, options_.limits, &stop_);
                if (stop_.load()) break;
                ParseResult parsed;
                if (got.error == ErrorKind::None) {
                    parsed = parse_forecast(got.body);
                } else {
                    parsed.error = got.error;
                    parsed.detail = got.detail;
                }
                if (parsed.forecast) {
                    current.forecast = std::make_shared<const Forecast>(std::move(*parsed.forecast));
                    current.fetched_at = options_.wall_now();
                    current.from_cache = false;
                    current.last_error = ErrorKind::None;
                    current.last_error_detail.clear();
                    if (failures > 0)
                        core::log::info("weather: forecast received again after " + std::to_string(failures) +
                                        " failed requests");
                    failures = 0;
                    logged.clear();
                    next_request = after(current.interval);
                    const double cache_age = current.fetched_at - cached_at;
                    const bool cache_due = cached_request != url || !(cache_age >= 0 && cache_age < kCacheRewriteAge);
                    if (!options_.cache_path.empty() && cache_due) {
                        const std::string why = write_cache(options_.cache_path, {url, current.fetched_at, got.body});
                        if (!why.empty() && !cache_problem_logged)
                            core::log::warning("weather: cache not saved: " + why);
                        cache_problem_logged = !why.empty();
                        if (why.empty()) {
                            cached_request = url;
                            cached_at = current.fetched_at;
                        }
                    }
                    share();
                } else {
                    ++failures;
                    const double delay = retry_delay(failures, options_.first_retry, current.interval);
                    current.last_error = parsed.error;
                    current.last_error_detail = parsed.detail;
                    next_request = after(delay);
                    share();
                    if (logged.insert(parsed.error).second) {
                        core::log::warning("weather: request to " + seen->weather.url +
                                           " failed: " + std::string(error_name(parsed.error)) + " (" + parsed.detail +
                                           "); " + (current.forecast ? "keeping the last forecast" : "no forecast yet") +
                                           ", retrying in " + seconds_text(delay));
                    }
                }
            }

        } catch (const std::exception& e) {
            if (logged.insert(ErrorKind::Transfer).second) core::log::error(std::string("weather: ") + e.what());
            next_request = after(retry_delay(++failures, options_.first_retry, interval()));
        }
        const auto poll = after(options_.settings_poll);
        sleep_until(url.empty() ? poll : std::min(poll, next_request));
    }
}

}  // namespace ts::weather
