#include "cpu.hpp"

#include "parse.hpp"

#include <algorithm>
#include <string>

namespace ts::sysdata {

namespace {

std::optional<CpuTimes> parse_times(std::string_view fields) {
    // user nice system idle iowait irq softirq steal [guest guest_nice]: at least four fields.
    std::uint64_t v[8] = {};
    int got = 0;
    for (; got < 8; ++got) {
        parse::skip_spaces(fields);
        if (fields.empty()) break;
        const auto x = parse::unsigned_field(fields);
        if (!x) return std::nullopt;
        v[got] = *x;
    }
    if (got < 4) return std::nullopt;
    CpuTimes t;
    t.idle = v[3] + v[4];
    t.busy = v[0] + v[1] + v[2] + v[5] + v[6] + v[7];
    return t;
}

}  // namespace

std::optional<StatSample> parse_stat(std::string_view text) {
    text = parse::whole_lines(text);
    StatSample s;
    bool have_all = false;
    while (!text.empty()) {
        std::string_view l = parse::line(text);
        if (l.substr(0, 3) != "cpu") continue;
        const std::string_view name = parse::word(l);
        const auto times = parse_times(l);
        if (name == "cpu") {
            if (!times) return std::nullopt;
            s.all = *times;
            have_all = true;
            continue;
        }
        std::string_view num = name.substr(3);
        const auto n = parse::integer(num);
        if (!n || !num.empty() || *n < 0 || *n >= 4096 || !times) continue;
        const auto idx = static_cast<std::size_t>(*n);
        if (s.cores.size() <= idx) s.cores.resize(idx + 1);
        s.cores[idx] = *times;
    }
    if (!have_all) return std::nullopt;
    return s;
}

std::optional<double> busy_percent(const CpuTimes& before, const CpuTimes& after) {
    const std::uint64_t busy = after.busy > before.busy ? after.busy - before.busy : 0;
    const std::uint64_t idle = after.idle > before.idle ? after.idle - before.idle : 0;
    if (busy + idle == 0) return std::nullopt;
    return 100.0 * static_cast<double>(busy) / static_cast<double>(busy + idle);
}

std::vector<int> parse_cpu_list(std::string_view text) {
    std::vector<int> out;
    while (!text.empty() && parse::is_space(text.back())) text.remove_suffix(1);
    while (!text.empty()) {
        const auto comma = text.find(',');
        std::string_view part = text.substr(0, comma);
        text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
        const auto first = parse::integer(part);
        if (!first || *first < 0) return {};
        long long last = *first;
        if (!part.empty() && part.front() == '-') {
            part.remove_prefix(1);
            const auto l = parse::integer(part);
            if (!l) return {};
            last = *l;
        }
        if (!part.empty() || last < *first || last >= 4096) return {};
        for (long long i = *first; i <= last; ++i) out.push_back(static_cast<int>(i));
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

std::optional<std::array<double, 3>> parse_loadavg(std::string_view text) {
    text = parse::whole_lines(text);
    std::array<double, 3> a{};
    for (double& x : a) {
        const auto v = parse::real(text);
        if (!v || *v < 0) return std::nullopt;
        x = *v;
    }
    return a;
}

std::optional<Frequency> parse_cpuinfo_mhz(std::string_view text) {
    text = parse::whole_lines(text);
    Frequency f;
    int n = 0;
    while (!text.empty()) {
        std::string_view l = parse::line(text);
        if (l.substr(0, 7) != "cpu MHz") continue;
        const auto colon = l.find(':');
        if (colon == std::string_view::npos) continue;
        l.remove_prefix(colon + 1);
        const auto mhz = parse::real(l);
        if (!mhz || *mhz <= 0) continue;
        f.average_mhz += *mhz;
        f.max_mhz = std::max(f.max_mhz, *mhz);
        ++n;
    }
    if (n == 0) return std::nullopt;
    f.average_mhz /= n;
    return f;
}

std::vector<CoreState> read_cores(const Source& src) {
    std::vector<CoreState> cores;
    const auto present = src.read_line("sys/devices/system/cpu/present");
    if (!present) return cores;
    for (int n : parse_cpu_list(*present)) {
        const auto online = src.read_int("sys/devices/system/cpu/cpu" + std::to_string(n) + "/online");
        cores.push_back({n, !online || *online != 0});
    }
    return cores;
}

std::optional<Frequency> read_frequency(const Source& src, const std::vector<CoreState>& cores) {
    const auto online = [&](int n) {
        return std::any_of(cores.begin(), cores.end(), [n](const CoreState& c) { return c.number == n && c.online; });
    };
    Frequency f;
    int counted = 0;
    for (const std::string& policy : src.list("sys/devices/system/cpu/cpufreq")) {
        if (policy.rfind("policy", 0) != 0) continue;
        const std::string dir = "sys/devices/system/cpu/cpufreq/" + policy;
        const auto khz = src.read_int(dir + "/scaling_cur_freq");
        const auto affected = src.read_line(dir + "/affected_cpus");
        if (!khz || *khz <= 0 || !affected) continue;
        const double mhz = static_cast<double>(*khz) / 1000.0;
        // affected_cpus is space separated: "0 1 2 3".
        std::string_view list = *affected;
        while (auto n = parse::integer(list)) {
            if (!online(static_cast<int>(*n))) continue;
            f.average_mhz += mhz;
            f.max_mhz = std::max(f.max_mhz, mhz);
            ++counted;
        }
    }
    if (counted > 0) {
        f.average_mhz /= counted;
        return f;
    }
    std::string cpuinfo;
    if (!src.read("proc/cpuinfo", cpuinfo)) return std::nullopt;
    return parse_cpuinfo_mhz(cpuinfo);
}

}  // namespace ts::sysdata
