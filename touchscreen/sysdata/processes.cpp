#include "processes.hpp"

#include "parse.hpp"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <unistd.h>

namespace ts::sysdata {

std::optional<PidStat> parse_pid_stat(std::string_view text) {
    text = parse::whole_lines(text);
    const auto open = text.find('(');
    const auto close = text.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) return std::nullopt;
    PidStat s;
    s.name = text.substr(open + 1, close - open - 1);
    std::string_view rest = text.substr(close + 1);
    // After ')': state(3) ppid pgrp session tty tpgid flags minflt cminflt majflt cmajflt utime(14) stime(15)
    // cutime cstime priority nice threads itrealvalue starttime(22).
    if (parse::word(rest).empty()) return std::nullopt;
    std::uint64_t f[19];
    for (auto& x : f) {
        std::string_view w = parse::word(rest);
        // Some fields (tty, tpgid) are signed: only the ones used here must be unsigned.
        std::string_view probe = w;
        const auto v = parse::integer(probe);
        if (!v || !probe.empty()) return std::nullopt;
        x = static_cast<std::uint64_t>(*v);
    }
    // f[0] is ppid (field 4): utime is field 14 -> f[10], stime f[11], starttime field 22 -> f[18].
    s.ticks = f[10] + f[11];
    s.start_time = f[18];
    // vsize (23), then rss (24) in pages: one file per process instead of two.
    if (parse::unsigned_field(rest)) s.resident_pages = parse::unsigned_field(rest);
    return s;
}

ProcessScanner::ProcessScanner(Source src)
    : src_(std::move(src)), proc_dir_(src_.path("proc")),
      ticks_per_second_(static_cast<double>(std::max(1L, ::sysconf(_SC_CLK_TCK)))),
      page_size_(static_cast<std::uint64_t>(std::max(1L, ::sysconf(_SC_PAGESIZE)))) {
    buffer_.reserve(1024);
    path_.reserve(proc_dir_.size() + 32);
}

std::vector<ProcessRow> ProcessScanner::scan(double now, std::size_t count) {
    std::swap(previous_, current_);
    current_.clear();
    // Grown once in one step, not doubling through each size on the way.
    current_.reserve(previous_.size());
    const double elapsed = last_time_ < 0 ? 0 : now - last_time_;
    last_time_ = now;

    DIR* dir = ::opendir(proc_dir_.c_str());
    if (dir == nullptr) return {};
    while (const dirent* e = ::readdir(dir)) {
        const char* n = e->d_name;
        if (*n < '1' || *n > '9') continue;
        char* end = nullptr;
        const long pid = std::strtol(n, &end, 10);
        if (*end != '\0' || pid <= 0) continue;
        // The process may exit at any point from here on: every failure just skips it.
        path_.assign(proc_dir_);
        path_ += '/';
        path_ += n;
        path_ += "/stat";
        if (!Source::read_path(path_.c_str(), buffer_)) continue;
        const auto st = parse_pid_stat(buffer_);
        if (!st) continue;
        Entry entry;
        entry.pid = static_cast<int>(pid);
        entry.start_time = st->start_time;
        entry.ticks = st->ticks;
        entry.resident = st->resident_pages.value_or(0) * page_size_;
        const std::size_t len = std::min(st->name.size(), entry.name.size() - 1);
        std::memcpy(entry.name.data(), st->name.data(), len);
        current_.push_back(entry);
    }
    ::closedir(dir);

    std::sort(current_.begin(), current_.end(), [](const Entry& a, const Entry& b) { return a.pid < b.pid; });
    for (Entry& c : current_) {
        const auto p = std::lower_bound(previous_.begin(), previous_.end(), c.pid,
                                        [](const Entry& e, int pid) { return e.pid < pid; });
        // A reused PID is a new process: it starts its own history.
        if (p == previous_.end() || p->pid != c.pid || p->start_time != c.start_time || elapsed <= 0) continue;
        const std::uint64_t used = c.ticks > p->ticks ? c.ticks - p->ticks : 0;
        c.cpu = 100.0 * static_cast<double>(used) / ticks_per_second_ / elapsed;
    }

    std::vector<ProcessRow> top;
    const std::size_t n = std::min(count, current_.size());
    // Top by CPU, then by memory so an idle machine still lists what holds the memory.
    order_.clear();
    order_.reserve(current_.size());
    for (const Entry& c : current_) order_.push_back(&c);
    std::partial_sort(order_.begin(), order_.begin() + static_cast<std::ptrdiff_t>(n), order_.end(),
                      [](const Entry* a, const Entry* b) {
                          return a->cpu != b->cpu ? a->cpu > b->cpu : a->resident > b->resident;
                      });
    top.reserve(n);
    for (std::size_t i = 0; i < n; ++i) top.push_back({order_[i]->name.data(), order_[i]->cpu, order_[i]->resident});
    return top;
}

}  // namespace ts::sysdata
