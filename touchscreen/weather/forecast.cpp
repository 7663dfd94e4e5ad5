#include "forecast.hpp"

#include <cmath>

namespace ts::weather {
namespace {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian), for any year.
std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool digits(std::string_view s, std::size_t at, std::size_t n, int& out) {
    if (at + n > s.size()) return false;
    out = 0;
    for (std::size_t i = at; i < at + n; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        out = out * 10 + (s[i] - '0');
    }
    return true;
}

std::int64_t floor_div(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

std::string_view error_name(ErrorKind kind) {
    switch (kind) {
        case ErrorKind::None: return "none";
        case ErrorKind::Dns: return "host not found";
        case ErrorKind::Connect: return "cannot connect";
        case ErrorKind::Timeout: return "timed out";
        case ErrorKind::HttpStatus: return "HTTP error";
        case ErrorKind::TooLarge: return "response too large";
        case ErrorKind::Transfer: return "transfer failed";
        case ErrorKind::InvalidJson: return "invalid JSON";
        case ErrorKind::MissingField: return "missing field";
        case ErrorKind::WrongType: return "field of the wrong type";
        case ErrorKind::WrongLength: return "arrays of the wrong length";
    }
    return "unknown";
}

bool parse_local_time(std::string_view s, std::int64_t& out) {
    int y, mo, d, h = 0, mi = 0;
    if (!digits(s, 0, 4, y) || s.size() < 10 || s[4] != '-' || !digits(s, 5, 2, mo) || s[7] != '-' ||
        !digits(s, 8, 2, d)) {
        return false;
    }
    if (s.size() != 10) {
        if (s.size() != 16 || s[10] != 'T' || !digits(s, 11, 2, h) || s[13] != ':' || !digits(s, 14, 2, mi)) {
            return false;
        }
    }
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59) return false;
    out = days_from_civil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) * 86400 + h * 3600 + mi * 60;
    return true;
}

std::vector<Hour> next_hours(const Forecast& f, double unix_now, std::size_t count) {
    const auto local_now = static_cast<std::int64_t>(std::floor(unix_now)) + f.utc_offset;
    std::vector<Hour> out;
    for (const Hour& h : f.hours) {
        if (out.size() == count) break;
        if (h.local_time + 3600 > local_now) out.push_back(h);
    }
    return out;
}

int today_index(const Forecast& f, double unix_now) {
    const auto local_now = static_cast<std::int64_t>(std::floor(unix_now)) + f.utc_offset;
    const std::int64_t midnight = floor_div(local_now, 86400) * 86400;
    for (std::size_t i = 0; i < f.days.size(); ++i) {
        if (f.days[i].local_date == midnight) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace ts::weather
