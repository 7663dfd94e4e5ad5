// The busiest processes: CPU share between two scans of /proc/PID/stat, and resident memory
// from the same line. Once warmed up a scan allocates nothing per process.
#pragma once

#include "source.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ts::sysdata {

struct PidStat {
    std::string_view name;  // points into the parsed text
    std::uint64_t ticks = 0;       // utime + stime, clock ticks
    std::uint64_t start_time = 0;  // clock ticks after boot; tells a reused PID apart
    std::optional<std::uint64_t> resident_pages;  // the same figure statm gives; none on a short line
};
// The name sits between the first '(' and the last ')' and may hold spaces and ')'.
std::optional<PidStat> parse_pid_stat(std::string_view text);

struct ProcessRow {
    std::string name;
    double cpu_percent = 0;       // of one core, as top shows it
    std::uint64_t resident = 0;   // bytes
};

class ProcessScanner {
public:
    explicit ProcessScanner(Source src);
    // Scans every process; now in monotonic seconds. Returns the top `count` by CPU share;
    // the first scan only learns the counters and returns rows with 0 %.
    std::vector<ProcessRow> scan(double now, std::size_t count = 8);
    std::size_t tracked() const { return current_.size(); }

private:
    struct Entry {
        int pid = 0;
        std::uint64_t start_time = 0;
        std::uint64_t ticks = 0;
        std::uint64_t resident = 0;  // bytes
        double cpu = 0;
        std::array<char, 32> name{};
    };
    Source src_;
    std::string proc_dir_;
    std::vector<Entry> previous_, current_;
    std::vector<const Entry*> order_;
    std::string buffer_;
    std::string path_;
    double last_time_ = -1;
    double ticks_per_second_;
    std::uint64_t page_size_;
};

}  // namespace ts::sysdata
