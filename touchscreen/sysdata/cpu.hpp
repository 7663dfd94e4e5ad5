// Processor figures: load from /proc/stat deltas, which cores exist and are online, their
// frequency from cpufreq (or /proc/cpuinfo), and the load average.
#pragma once

#include "source.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace ts::sysdata {

// Jiffies of one "cpu" line. guest and guest_nice are already inside user and nice.
struct CpuTimes {
    std::uint64_t busy = 0;
    std::uint64_t idle = 0;  // idle + iowait
};

struct StatSample {
    CpuTimes all;
    std::vector<std::optional<CpuTimes>> cores;  // index = core number; absent lines stay empty
};

// Parses /proc/stat; nothing when the aggregate "cpu" line is missing or malformed.
std::optional<StatSample> parse_stat(std::string_view text);
// Busy share 0-100 between two samples; nothing when no time passed. Negative deltas count as zero.
std::optional<double> busy_percent(const CpuTimes& before, const CpuTimes& after);
// "0-3,5,7-8" as the listed numbers; empty when malformed. At most 4096 cores.
std::vector<int> parse_cpu_list(std::string_view text);
// Parses /proc/loadavg's first three figures.
std::optional<std::array<double, 3>> parse_loadavg(std::string_view text);
// Average of the "cpu MHz" lines of /proc/cpuinfo, and their maximum, in MHz.
struct Frequency {
    double average_mhz = 0;
    double max_mhz = 0;
};
std::optional<Frequency> parse_cpuinfo_mhz(std::string_view text);

// Cores that exist (present) and whether each is online; a core without an "online" file is.
struct CoreState {
    int number;
    bool online;
};
std::vector<CoreState> read_cores(const Source& src);
// Frequency over the online cores from cpufreq policies, else /proc/cpuinfo.
std::optional<Frequency> read_frequency(const Source& src, const std::vector<CoreState>& cores);

}  // namespace ts::sysdata
