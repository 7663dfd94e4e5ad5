#include "parse.hpp"

#include <nlohmann/json.hpp>

#include <cmath>
#include <limits>

namespace ts::weather {
namespace {

using nlohmann::json;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The first problem found ends the parse; thrown inside, returned as a ParseResult.
struct Problem {
    ErrorKind kind;
    std::string detail;
};

std::string type_of(const json& v) { return v.type_name(); }

const json& field(const json& obj, const char* name, const std::string& where) {
    if (!obj.is_object()) throw Problem{ErrorKind::WrongType, where + " is " + type_of(obj) + ", expected an object"};
    const auto it = obj.find(name);
    if (it == obj.end())
        throw Problem{ErrorKind::MissingField, (where.empty() ? "" : where + ".") + name + " is missing"};
    return *it;
}

std::string path(const std::string& where, const char* name) { return where.empty() ? name : where + "." + name; }

double number(const json& v, const std::string& where) {
    if (!v.is_number()) throw Problem{ErrorKind::WrongType, where + " is " + type_of(v) + ", expected a number"};
    const double d = v.get<double>();
    if (!std::isfinite(d)) throw Problem{ErrorKind::WrongType, where + " is not a finite number"};
    return d;
}

int integer(const json& v, const std::string& where) {
    const double d = number(v, where);
    if (d != std::floor(d) || d < -1e6 || d > 1e6) {
        throw Problem{ErrorKind::WrongType, where + " is not a whole number"};
    }
    return static_cast<int>(d);
}

const json& array(const json& obj, const char* name, const std::string& where, std::size_t length) {
    const json& a = field(obj, name, where);
    if (!a.is_array())
        throw Problem{ErrorKind::WrongType, path(where, name) + " is " + type_of(a) + ", expected an array"};
    if (a.size() != length) {
        throw Problem{ErrorKind::WrongLength, path(where, name) + " has " + std::to_string(a.size()) + " entries, " +
                                                  where + ".time has " + std::to_string(length)};
    }
    return a;
}

// Values inside the series may be null where the service has none; a wrong type is an error.
double number_or_nan(const json& v, const std::string& where) { return v.is_null() ? kNaN : number(v, where); }
int integer_or(const json& v, const std::string& where, int absent) { return v.is_null() ? absent : integer(v, where); }

std::int64_t time_of(const json& v, const std::string& where) {
    std::int64_t t = 0;
    if (!v.is_string() || !parse_local_time(v.get_ref<const std::string&>(), t)) {
        throw Problem{ErrorKind::WrongType, where + " is not a local time"};
    }
    return t;
}

// "2026-12-09T08:05" -> "08:05"; null -> "" (polar day or night).
std::string clock_of(const json& v, const std::string& where) {
    if (v.is_null()) return {};
    const std::int64_t t = time_of(v, where);
    const auto minutes = ((t % 86400) + 86400) % 86400 / 60;
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d:%02d", static_cast<int>(minutes / 60), static_cast<int>(minutes % 60));
    return buf;
}

// One array of a series block, named as the response names it ("hourly.weather_code") so a
// wrong value says where it is. Values may be null where the service has none.
struct Column {
    const json& values;
    std::string name;

    std::string at(std::size_t i) const { return name + "[" + std::to_string(i) + "]"; }
    double number(std::size_t i) const { return number_or_nan(values[i], at(i)); }
    int whole(std::size_t i) const { return integer_or(values[i], at(i), -1); }
    std::int64_t time(std::size_t i) const { return time_of(values[i], at(i)); }
    std::string clock(std::size_t i) const { return clock_of(values[i], at(i)); }
};

// A block of equal-length arrays ("hourly", "daily") that its time array sets the length of.
class Series {
public:
    Series(const json& root, const char* block, std::size_t minimum) : name_(block), block_(field(root, block, "")) {
        const json& times = field(block_, "time", name_);
        if (!times.is_array())
            throw Problem{ErrorKind::WrongType, name_ + ".time is " + type_of(times) + ", expected an array"};
        if (times.size() < minimum) {
            throw Problem{ErrorKind::WrongLength, name_ + ".time has " + std::to_string(times.size()) +
                                                      " entries, at least " + std::to_string(minimum) + " are needed"};
        }
        size_ = times.size();
    }
    std::size_t size() const { return size_; }
    Column operator[](const char* name) const { return {array(block_, name, name_, size_), path(name_, name)}; }

private:
    std::string name_;
    const json& block_;
    std::size_t size_ = 0;
};

Forecast read(const json& root) {
    if (!root.is_object())
        throw Problem{ErrorKind::WrongType, "the response is " + type_of(root) + ", expected an object"};
    Forecast f;
    f.utc_offset = integer(field(root, "utc_offset_seconds", ""), "utc_offset_seconds");
    const json& tz = field(root, "timezone", "");
    if (!tz.is_string()) throw Problem{ErrorKind::WrongType, "timezone is " + type_of(tz) + ", expected a string"};
    f.timezone = tz.get<std::string>();

    const json& cur = field(root, "current", "");
    const auto cur_number = [&](const char* name) {
        return number(field(cur, name, "current"), path("current", name));
    };
    f.current.temperature = cur_number("temperature_2m");
    f.current.apparent = cur_number("apparent_temperature");
    f.current.humidity = cur_number("relative_humidity_2m");
    f.current.wind = cur_number("wind_speed_10m");
    f.current.code = integer(field(cur, "weather_code", "current"), "current.weather_code");
    const int is_day = integer(field(cur, "is_day", "current"), "current.is_day");
    if (is_day != 0 && is_day != 1) throw Problem{ErrorKind::WrongType, "current.is_day is neither 0 nor 1"};
    f.current.is_day = is_day == 1;

    const Series hourly(root, "hourly", kMinHours);
    const Column htime = hourly["time"], htemp = hourly["temperature_2m"], hcode = hourly["weather_code"],
                 hprec = hourly["precipitation_probability"];
    f.hours.resize(hourly.size());
    for (std::size_t i = 0; i < hourly.size(); ++i) {
        Hour& h = f.hours[i];
        h.local_time = htime.time(i);
        h.temperature = htemp.number(i);
        h.code = hcode.whole(i);
        h.precipitation = hprec.whole(i);
    }

    const Series daily(root, "daily", kMinDays);
    const Column dtime = daily["time"], dcode = daily["weather_code"], dmax = daily["temperature_2m_max"],
                 dmin = daily["temperature_2m_min"], rise = daily["sunrise"], set = daily["sunset"];
    f.days.resize(daily.size());
    for (std::size_t i = 0; i < daily.size(); ++i) {
        Day& d = f.days[i];
        d.local_date = dtime.time(i);
        d.code = dcode.whole(i);
        d.high = dmax.number(i);
        d.low = dmin.number(i);
        d.sunrise = rise.clock(i);
        d.sunset = set.clock(i);
    }
    return f;
}

}  // namespace

ParseResult parse_forecast(std::string_view text) {
    ParseResult result;
    const json root = json::parse(text.begin(), text.end(), nullptr, false);
    if (root.is_discarded()) {
        result.error = ErrorKind::InvalidJson;
        result.detail = "the response is not valid JSON";
        return result;
    }
    try {
        result.forecast = read(root);
    } catch (const Problem& p) {
        result.error = p.kind;
        result.detail = p.detail;
    }
    return result;
}

}  // namespace ts::weather
