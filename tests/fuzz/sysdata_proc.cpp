// The /proc and /sys readers on arbitrary text; the first byte picks the reader. Beyond not
// crashing: figures that come out are consistent (memory adds up, a core list stays in range,
// a share stays a share), so a damaged file never draws a wrong number as if it were valid.
#include "check.hpp"

#include "sysdata/cpu.hpp"
#include "sysdata/diskstats.hpp"
#include "sysdata/filesystems.hpp"
#include "sysdata/host.hpp"
#include "sysdata/memory.hpp"
#include "sysdata/network.hpp"
#include "sysdata/processes.hpp"
#include "sysdata/temperatures.hpp"

#include <cmath>
#include <cstdint>
#include <string_view>

namespace {

using namespace ts::sysdata;

void check_memory(std::string_view text) {
    const auto m = parse_meminfo(text);
    if (!m) return;
    FUZZ_CHECK(m->total > 0 && m->available <= m->total && m->used == m->total - m->available);
    FUZZ_CHECK(m->swap_used <= m->swap_total);
}

void check_stat(std::string_view text) {
    const auto s = parse_stat(text);
    if (!s) return;
    for (const auto& core : s->cores) {
        if (!core) continue;
        if (const auto share = busy_percent(CpuTimes{}, *core)) FUZZ_CHECK(*share >= 0 && *share <= 100);
    }
    if (const auto share = busy_percent(s->all, CpuTimes{})) FUZZ_CHECK(*share >= 0 && *share <= 100);
}

void check_cpu_list(std::string_view text) {
    const std::vector<int> cores = parse_cpu_list(text);
    FUZZ_CHECK(cores.size() <= 4096);
    for (int c : cores) FUZZ_CHECK(c >= 0);
}

void check_loadavg(std::string_view text) {
    if (const auto avg = parse_loadavg(text)) {
        for (double v : *avg) FUZZ_CHECK(std::isfinite(v) && v >= 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 12) {
    case 0: check_memory(text); break;
    case 1: check_stat(text); break;
    case 2: check_cpu_list(text); break;
    case 3: check_loadavg(text); break;
    case 4: (void)parse_cpuinfo_mhz(text); break;
    case 5: (void)parse_diskstats(text); break;
    case 6: (void)parse_mountinfo(text); break;
    case 7: (void)parse_net_dev(text); break;
    case 8: (void)parse_default_route(text); break;
    case 9:
    case 10: (void)parse_pid_stat(text); break;
    default:
        if (const auto t = parse_millidegrees(text)) FUZZ_CHECK(std::isfinite(*t));
        (void)parse_uptime(text);
        break;
    }
    return 0;
}
