#include "units.hpp"

#include <cmath>
#include <cstdio>

namespace ts::sysdata {

std::string format_bytes(std::uint64_t bytes) {
    static const char* const kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    double v = static_cast<double>(bytes);
    int u = 0;
    while (v >= 1024 && u < 6) {
        v /= 1024;
        ++u;
    }
    char buf[32];
    // One decimal while it says something (3.2 GiB); none from 100 up or for bytes.
    if (u == 0 || v >= 99.95) {
        std::snprintf(buf, sizeof buf, "%.0f %s", v, kUnits[u]);
    } else {
        std::snprintf(buf, sizeof buf, "%.1f %s", v, kUnits[u]);
    }
    return buf;
}

std::string format_rate(std::optional<double> r) {
    if (!r || !std::isfinite(*r) || *r < 0) return kUnknown;
    return format_bytes(static_cast<std::uint64_t>(std::llround(*r))) + "/s";
}

std::string format_percent(std::optional<double> p) {
    if (!p || !std::isfinite(*p)) return kUnknown;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.0f %%", std::fmax(0.0, *p));
    return buf;
}

std::string format_celsius(std::optional<double> c) {
    if (!c || !std::isfinite(*c)) return kUnknown;
    char buf[24];
    std::snprintf(buf, sizeof buf, "%.0f \u00b0C", *c);
    return buf;
}

std::string format_mhz(std::optional<double> mhz) {
    if (!mhz || !std::isfinite(*mhz) || *mhz <= 0) return kUnknown;
    char buf[24];
    if (*mhz >= 1000) {
        std::snprintf(buf, sizeof buf, "%.2f GHz", *mhz / 1000);
    } else {
        std::snprintf(buf, sizeof buf, "%.0f MHz", *mhz);
    }
    return buf;
}

std::string format_uptime(std::optional<double> seconds) {
    if (!seconds || !std::isfinite(*seconds) || *seconds < 0) return kUnknown;
    const auto s = static_cast<long long>(*seconds);
    const long long d = s / 86400, h = s % 86400 / 3600, m = s % 3600 / 60;
    char buf[32];
    if (d > 0) {
        std::snprintf(buf, sizeof buf, "%lld d %lld h", d, h);
    } else if (h > 0) {
        std::snprintf(buf, sizeof buf, "%lld h %lld min", h, m);
    } else {
        std::snprintf(buf, sizeof buf, "%lld min", m);
    }
    return buf;
}

}  // namespace ts::sysdata
