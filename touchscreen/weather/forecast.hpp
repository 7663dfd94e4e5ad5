// What one forecast response holds, once checked: plain immutable data shared between the
// weather thread and the card. Times are the location's own local time (the request asks for
// timezone=auto), kept as seconds since 1970-01-01T00:00 of that local clock.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ts::weather {

struct Current {
    double temperature = 0;  // degrees in the requested unit
    double apparent = 0;     // feels-like, same unit
    double humidity = 0;     // percent
    double wind = 0;         // km/h or mph, as requested
    int code = 0;            // WMO weather code
    bool is_day = true;
};

struct Hour {
    std::int64_t local_time = 0;  // start of the hour, local seconds
    double temperature = 0;       // NaN when the service has no value
    int code = -1;                // -1 when unknown
    int precipitation = -1;       // probability in percent, -1 when unknown
};

struct Day {
    std::int64_t local_date = 0;  // local midnight, local seconds
    int code = -1;
    double high = 0, low = 0;     // NaN when unknown
    std::string sunrise, sunset;  // "HH:MM", local
};

struct Forecast {
    std::int64_t utc_offset = 0;  // seconds the location's clock is ahead of UTC
    std::string timezone;
    Current current;
    std::vector<Hour> hours;  // consecutive hours, oldest first
    std::vector<Day> days;    // consecutive days, today (at request time) first
};

// Why a request or a cached file gave no forecast. One log line per kind until a success.
enum class ErrorKind {
    None,
    Dns,         // host name did not resolve
    Connect,     // refused or unreachable
    Timeout,     // connect or whole-request time limit
    HttpStatus,  // 4xx or 5xx
    TooLarge,    // body over the cap
    Transfer,    // any other transfer failure
    InvalidJson,
    MissingField,
    WrongType,
    WrongLength,  // arrays of one block that disagree, or too short to show
};

std::string_view error_name(ErrorKind kind);

// "2026-12-09T14:00" (or a bare date) as local seconds; false when it is not such a time.
bool parse_local_time(std::string_view text, std::int64_t& out);

// The part of a forecast to show at unix_now (UTC seconds): the hours from the current one on,
// at most count of them, and today's and the following days.
std::vector<Hour> next_hours(const Forecast& f, double unix_now, std::size_t count);
// Index of the location's today in f.days, or -1 when the forecast does not reach it.
int today_index(const Forecast& f, double unix_now);

}  // namespace ts::weather
