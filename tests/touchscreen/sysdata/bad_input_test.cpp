// Cut and garbled kernel files: every parser gives an unknown figure or the figure the whole
// file gives, never a crash and never a different number passed off as valid.
#include "fixture.hpp"

#include "sysdata/collector.hpp"
#include "sysdata/cpu.hpp"
#include "sysdata/diskstats.hpp"
#include "sysdata/host.hpp"
#include "sysdata/memory.hpp"
#include "sysdata/network.hpp"
#include "sysdata/processes.hpp"
#include "sysdata/temperatures.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace ts::sysdata {
namespace {

// Checks the parse of a cut text against the parse of the whole; returns a complaint or "".
using CutCheck = std::function<std::string(std::string_view whole, std::string_view cut)>;

template <typename T>
bool is_prefix(const std::vector<T>& part, const std::vector<T>& all, bool (*same)(const T&, const T&)) {
    if (part.size() > all.size()) return false;
    for (std::size_t i = 0; i < part.size(); ++i) {
        if (!same(part[i], all[i])) return false;
    }
    return true;
}

template <typename P>
CutCheck same_or_nothing(P parse) {
    return [parse](std::string_view whole, std::string_view cut) -> std::string {
        const auto got = parse(cut);
        return !got || got == parse(whole) ? "" : "a cut text gave a different figure";
    };
}

const struct {
    const char* file;
    CutCheck check;
} kCutCases[] = {
    {"stat/sample1",
     [](std::string_view whole, std::string_view cut) -> std::string {
         const auto got = parse_stat(cut);
         const auto all = parse_stat(whole);
         if (!got) return "";
         if (got->all.busy != all->all.busy || got->all.idle != all->all.idle) return "aggregate differs";
         for (std::size_t i = 0; i < got->cores.size(); ++i) {
             if (got->cores[i] && (got->cores[i]->busy != all->cores[i]->busy)) return "core differs";
         }
         return "";
     }},
    {"meminfo/swap",
     [](std::string_view whole, std::string_view cut) -> std::string {
         const auto got = parse_meminfo(cut);
         if (!got) return "";
         if (got->total != parse_meminfo(whole)->total) return "total differs";
         return got->used <= got->total && got->swap_used <= got->swap_total ? "" : "used above total";
     }},
    {"mounts/mountinfo",
     [](std::string_view whole, std::string_view cut) -> std::string {
         return is_prefix<Mount>(parse_mountinfo(cut), parse_mountinfo(whole),
                                 [](const Mount& a, const Mount& b) {
                                     return a.mount_point == b.mount_point && a.source == b.source &&
                                            a.fstype == b.fstype;
                                 })
                    ? ""
                    : "mounts differ";
     }},
    {"diskstats/sample2",
     [](std::string_view whole, std::string_view cut) -> std::string {
         return is_prefix<DiskCounters>(parse_diskstats(cut), parse_diskstats(whole),
                                        [](const DiskCounters& a, const DiskCounters& b) {
                                            return a.name == b.name && a.read_bytes == b.read_bytes &&
                                                   a.write_bytes == b.write_bytes;
                                        })
                    ? ""
                    : "disks differ";
     }},
    {"net/dev",
     [](std::string_view whole, std::string_view cut) -> std::string {
         return is_prefix<NetCounters>(parse_net_dev(cut), parse_net_dev(whole),
                                       [](const NetCounters& a, const NetCounters& b) {
                                           return a.name == b.name && a.rx_bytes == b.rx_bytes &&
                                                  a.tx_bytes == b.tx_bytes;
                                       })
                    ? ""
                    : "counters differ";
     }},
    {"net/route_default",
     [](std::string_view, std::string_view cut) -> std::string {
         const std::string r = parse_default_route(cut);
         return r.empty() || r == "eth0" || r == "wlan0" ? "" : "no such route: " + r;
     }},
    {"procs/proc/731/stat", same_or_nothing([](std::string_view t) {
         const auto s = parse_pid_stat(t);
         return s ? std::optional<std::tuple<std::uint64_t, std::uint64_t, std::uint64_t>>(
                        {s->ticks, s->start_time, s->resident_pages.value_or(0)})
                  : std::nullopt;
     })},
    {"procs/proc/uptime", same_or_nothing(parse_uptime)},
    {"sensors/desktop/sys/class/hwmon/hwmon1/temp1_input", same_or_nothing(parse_millidegrees)},
};

TEST(BadInput, EveryCutOfEveryFixtureFile) {
    for (const auto& c : kCutCases) {
        const std::string whole = test::slurp(c.file);
        for (std::size_t n = 0; n < whole.size(); ++n) {
            const std::string complaint = c.check(whole, std::string_view(whole).substr(0, n));
            EXPECT_EQ(complaint, "") << c.file << " cut at " << n << ": \"" << whole.substr(0, n) << "\"";
        }
    }
}

TEST(BadInput, GarbledBytesNeverCrash) {
    std::mt19937 random(20261209);
    const char* const files[] = {"stat/sample2", "meminfo/noswap", "mounts/mountinfo", "diskstats/sample1", "net/dev",
                                 "net/ipv6_route", "procs/proc/1/stat"};
    const char noise[] = {'\0', '\n', ' ', ':', '-', '(', ')', '\\', '9', 'x', '\xff'};
    for (const char* f : files) {
        const std::string whole = test::slurp(f);
        for (int round = 0; round < 300; ++round) {
            std::string text = whole;
            for (int k = 0; k < 4; ++k) text[random() % text.size()] = noise[random() % sizeof noise];
            // Whatever comes out must still be in range: no wrapped sizes or negative shares.
            if (const auto s = parse_stat(text)) {
                EXPECT_LE(s->cores.size(), 4096u);
            }
            if (const auto m = parse_meminfo(text)) {
                EXPECT_LE(m->used, m->total);
            }
            (void)parse_mountinfo(text);
            (void)parse_diskstats(text);
            (void)parse_net_dev(text);
            (void)parse_default_route6(text);
            (void)parse_pid_stat(text);
            (void)parse_loadavg(text);
        }
    }
}

TEST(BadInput, CollectorOverAnEmptyOrCutTreeLeavesFiguresUnknown) {
    test::TempRoot root;
    root.write("proc/stat", "cpu  1 2");
    root.write("proc/meminfo", "MemTotal: 1000");
    root.write("proc/self/mountinfo", "22 1 8:2 / / rw - ext4");
    root.write("proc/net/dev", "eth0: 12");
    root.write("proc/loadavg", "");
    root.write("sys/devices/system/cpu/present", "0-\n");
    Collector c{Source(root.path())};
    EXPECT_NO_THROW(c.sample_all(1.0));
    EXPECT_NO_THROW(c.sample_all(2.0));
    const Snapshot& s = c.current();
    EXPECT_FALSE(s.cpu.total);
    EXPECT_FALSE(s.cpu.load_average);
    EXPECT_FALSE(s.memory);
    ASSERT_TRUE(s.filesystems);
    EXPECT_TRUE(s.filesystems->empty());
    EXPECT_EQ(s.net.interface, "");
    EXPECT_FALSE(s.disk.read_rate);
    ASSERT_TRUE(s.temperatures);
    EXPECT_TRUE(s.temperatures->empty());
}

}  // namespace
}  // namespace ts::sysdata
