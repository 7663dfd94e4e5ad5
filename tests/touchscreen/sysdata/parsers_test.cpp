// The pure parsers: kernel text in, figures out, checked against values worked out by hand.
#include "fixture.hpp"

#include "sysdata/cpu.hpp"
#include "sysdata/diskstats.hpp"
#include "sysdata/host.hpp"
#include "sysdata/memory.hpp"
#include "sysdata/network.hpp"
#include "sysdata/processes.hpp"
#include "sysdata/units.hpp"

#include <gtest/gtest.h>

namespace ts::sysdata {
namespace {

using test::slurp;

constexpr std::uint64_t KiB = 1024;

TEST(ProcStat, AggregateLoadCountsStealAndLeavesGuestAndIowaitOut) {
    const auto a = parse_stat(slurp("stat/sample1"));
    const auto b = parse_stat(slurp("stat/sample2"));
    ASSERT_TRUE(a && b);
    // busy: user 300 (guest 100 inside) + system 100 + irq 20 + softirq 30 + steal 50 = 500;
    // idle: idle 400 + iowait 100 = 500.
    EXPECT_DOUBLE_EQ(*busy_percent(a->all, b->all), 50.0);
}

TEST(ProcStat, PerCoreLoadAndACoreGoneInTheSecondSample) {
    const auto a = parse_stat(slurp("stat/sample1"));
    const auto b = parse_stat(slurp("stat/sample2"));
    ASSERT_TRUE(a && b);
    ASSERT_EQ(a->cores.size(), 4u);
    const struct {
        std::size_t core;
        double percent;
    } cases[] = {{0, 75.0}, {1, 25.0}, {2, 100.0} /* idle went back: counted as zero */};
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(*busy_percent(*a->cores[c.core], *b->cores[c.core]), c.percent) << c.core;
    EXPECT_TRUE(b->cores.size() < 4 || !b->cores[3]);
}

TEST(ProcStat, NoTimePassedIsUnknownNotZero) {
    const auto a = parse_stat(slurp("stat/sample1"));
    EXPECT_FALSE(busy_percent(a->all, a->all));
}

TEST(ProcStat, MalformedAggregateLineGivesNothing) {
    const char* const bad[] = {"", "intr 1 2 3\n", "cpu  1 2 x 4\n", "cpu  1 2\n", "cpu0 1 2 3 4\n"};
    for (const char* text : bad) EXPECT_FALSE(parse_stat(text)) << text;
}

TEST(CpuList, RangesAndSingles) {
    const struct {
        const char* text;
        std::vector<int> cores;
    } cases[] = {
        {"0\n", {0}},       {"0-3\n", {0, 1, 2, 3}}, {"0-1,4,6-7", {0, 1, 4, 6, 7}}, {"", {}},
        {"3-1", {}},        {"0-x", {}},             {"a", {}},                       {"0,,1", {}},
        {"0-99999", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(parse_cpu_list(c.text), c.cores) << c.text;
}

TEST(LoadAverage, ThreeFiguresOrNothing) {
    const auto l = parse_loadavg("0.52 1.25 2.00 2/345 6789\n");
    ASSERT_TRUE(l);
    EXPECT_DOUBLE_EQ((*l)[0], 0.52);
    EXPECT_DOUBLE_EQ((*l)[2], 2.00);
    EXPECT_FALSE(parse_loadavg("0.52 1.25"));
    EXPECT_FALSE(parse_loadavg("-1 0 0\n"));
    EXPECT_FALSE(parse_loadavg("0.52 1.25 2.0"));  // cut short: the last figure may miss digits
}

TEST(CpuInfo, MegahertzAverageAndMaximum) {
    const auto f = parse_cpuinfo_mhz("processor\t: 0\ncpu MHz\t\t: 800.000\nprocessor\t: 1\ncpu MHz\t\t: 2400.000\n");
    ASSERT_TRUE(f);
    EXPECT_DOUBLE_EQ(f->average_mhz, 1600.0);
    EXPECT_DOUBLE_EQ(f->max_mhz, 2400.0);
    // Many ARM boards list no MHz at all.
    EXPECT_FALSE(parse_cpuinfo_mhz("processor\t: 0\nBogoMIPS\t: 108.00\nFeatures\t: fp asimd\n"));
}

TEST(MemInfo, UsedIsTotalLessAvailable) {
    const struct {
        const char* file;
        std::uint64_t total, used, available, swap_total, swap_used;
    } cases[] = {
        {"meminfo/swap", 8048576 * KiB, (8048576 - 5242880) * KiB, 5242880 * KiB, 2097152 * KiB, 524288 * KiB},
        {"meminfo/noswap", 1000000 * KiB, 400000 * KiB, 600000 * KiB, 0, 0},
        // No MemAvailable: free + buffers + cached.
        {"meminfo/old_kernel", 1000000 * KiB, 500000 * KiB, 500000 * KiB, 0, 0},
        // A container reporting more available than total, and more swap free than swap.
        {"meminfo/container", 512000 * KiB, 0, 512000 * KiB, 100000 * KiB, 0},
    };
    for (const auto& c : cases) {
        const auto m = parse_meminfo(slurp(c.file));
        ASSERT_TRUE(m) << c.file;
        EXPECT_EQ(m->total, c.total) << c.file;
        EXPECT_EQ(m->used, c.used) << c.file;
        EXPECT_EQ(m->available, c.available) << c.file;
        EXPECT_EQ(m->swap_total, c.swap_total) << c.file;
        EXPECT_EQ(m->swap_used, c.swap_used) << c.file;
    }
    const auto m = parse_meminfo(slurp("meminfo/swap"));
    EXPECT_EQ(m->cached, (3145728 + 131072) * KiB);
    EXPECT_EQ(m->buffers, 262144 * KiB);
}

TEST(MemInfo, MissingTotalIsUnknown) {
    EXPECT_FALSE(parse_meminfo("MemFree: 100 kB\n"));
    EXPECT_FALSE(parse_meminfo("MemTotal: 0 kB\nMemFree: 0 kB\n"));
    EXPECT_FALSE(parse_meminfo("MemTotal: lots kB\nMemFree: 1 kB\n"));
}

TEST(DiskStats, WholeDisksOnly) {
    const struct {
        const char* name;
        bool whole;
    } cases[] = {
        {"sda", true},         {"sda1", false},       {"vda", true},       {"xvdb3", false},
        {"nvme0n1", true},     {"nvme0n1p2", false},  {"mmcblk0", true},   {"mmcblk0p1", false},
        {"mmcblk0boot0", false}, {"mmcblk0rpmb", false}, {"loop7", false}, {"ram0", false},
        {"zram0", false},      {"dm-0", false},       {"md127", false},    {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(is_whole_disk(c.name), c.whole) << c.name;
}

TEST(DiskStats, BytesMovedCountEachDiskOnce) {
    const auto a = parse_diskstats(slurp("diskstats/sample1"));
    const auto b = parse_diskstats(slurp("diskstats/sample2"));
    ASSERT_EQ(a.size(), 3u);  // sda, nvme0n1, mmcblk0
    std::uint64_t r = 0, w = 0;
    ASSERT_TRUE(disk_delta(a, b, r, w));
    EXPECT_EQ(r, (2048 + 4096) * 512u);
    EXPECT_EQ(w, 8192 * 512u);
}

TEST(DiskStats, CountersPast32Bits) {
    // 5e9 and 2^33 + 1 sectors: 2.56 TB read, 4 TiB written since boot.
    const auto d = parse_diskstats("   8       0 sda 1 0 5000000000 0 1 0 8589934593 0 0 0 0 0 0 0 0 0 0\n");
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].read_bytes, 2'560'000'000'000u);
    EXPECT_EQ(d[0].write_bytes, 4'398'046'511'616u);
}

TEST(DiskStats, CountersGoingBackMakeTheIntervalUnknown) {
    constexpr std::uint64_t k4GiB = std::uint64_t{1} << 32;
    const struct {
        const char* what;
        std::uint64_t read_before, read_after;
        bool known;
        std::uint64_t read;
    } cases[] = {
        {"reset", 5000, 100, false, 0},
        {"growth across 4 GiB", k4GiB - 512, k4GiB + 512, true, 1024},
        {"far past 4 GiB", 3 * k4GiB, 5 * k4GiB + 7, true, 2 * k4GiB + 7},
        {"back by exactly 4 GiB (the same low 32 bits)", 2 * k4GiB + 512, k4GiB + 512, false, 0},
    };
    for (const auto& c : cases) {
        std::uint64_t r = 1, w = 1;
        const bool known = disk_delta({{"sda", c.read_before, 5000}}, {{"sda", c.read_after, 5000}}, r, w);
        EXPECT_EQ(known, c.known) << c.what;
        if (known) {
            EXPECT_EQ(r, c.read) << c.what;
        }
    }
    const std::vector<DiskCounters> before{{"sda", 5000, 5000}};
    std::uint64_t r = 0, w = 0;
    // A disk plugged in between has no earlier reading and adds nothing.
    const std::vector<DiskCounters> plugged{{"sda", 5000, 5000}, {"sdb", 1 << 30, 1 << 30}};
    ASSERT_TRUE(disk_delta(before, plugged, r, w));
    EXPECT_EQ(r + w, 0u);
}

TEST(NetDev, SplitsAtTheLastColon) {
    const auto c = parse_net_dev(slurp("net/dev"));
    ASSERT_EQ(c.size(), 5u);
    EXPECT_EQ(c[1].name, "eth0");
    EXPECT_EQ(c[1].rx_bytes, 987654321u);
    EXPECT_EQ(c[1].tx_bytes, 123456789u);
    EXPECT_EQ(c[3].name, "br-lan");
    EXPECT_EQ(c[3].rx_bytes, 99999999999u);  // no space after the colon
    EXPECT_EQ(c[4].name, "eth0:1");
    EXPECT_EQ(c[4].tx_bytes, 2424u);
}

TEST(Routes, DefaultRouteInterface) {
    EXPECT_EQ(parse_default_route(slurp("net/route_default")), "eth0");  // lowest metric
    EXPECT_EQ(parse_default_route(slurp("net/route_none")), "");
    EXPECT_EQ(parse_default_route(""), "");
    // IPv6: the lo reject route is not a way out.
    EXPECT_EQ(parse_default_route6(slurp("net/ipv6_route")), "wlan0");
}

TEST(PidStat, NameMayHoldSpacesAndParentheses) {
    const struct {
        const char* text;
        const char* name;
        std::uint64_t ticks, start;
        std::optional<std::uint64_t> resident;  // pages
    } cases[] = {
        {"1 (systemd) S 0 1 1 0 -1 4194560 50000 900000 100 300 1200 800 4000 2000 20 0 1 0 5 170000000 3000 "
         "18446744073709551615 1 1 0 0 0 0 671173123 4096 1260 0 0 0 17 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n",
         "systemd", 2000, 5, 3000},
        {"731 (my (odd) name) R 1 731 731 0 -1 0 0 0 0 0 500 100 0 0 20 0 4 0 1500 9 20000\n", "my (odd) name", 600, 1500,
         20000},
        {"9 () ) S 1 1 1 0 -1 0 0 0 0 0 7 3 0 0 20 0 1 0 77 0\n", ") ", 10, 77, std::nullopt},
        {"5 (cut) S 1 1 1 0 -1 0 0 0 0 0 7 3 0 0 20 0 1 0 77 0 -1\n", "cut", 10, 77, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto s = parse_pid_stat(c.text);
        ASSERT_TRUE(s) << c.text;
        EXPECT_EQ(s->name, c.name);
        EXPECT_EQ(s->ticks, c.ticks);
        EXPECT_EQ(s->start_time, c.start);
        EXPECT_EQ(s->resident_pages, c.resident) << c.text;
    }
    EXPECT_FALSE(parse_pid_stat("12 (cut short) S 1 2 3\n"));
    EXPECT_FALSE(parse_pid_stat("12 no parentheses S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19\n"));
}

TEST(Uptime, FirstFigure) {
    EXPECT_DOUBLE_EQ(*parse_uptime("12345.67 20000.00\n"), 12345.67);
    EXPECT_FALSE(parse_uptime("abc"));
    EXPECT_FALSE(parse_uptime("12x 3\n"));
    EXPECT_FALSE(parse_uptime("123"));
}

TEST(Units, ReadableFigures) {
    const struct {
        std::string got, want;
    } cases[] = {
        {format_bytes(0), "0 B"},
        {format_bytes(1023), "1023 B"},
        {format_bytes(1536), "1.5 KiB"},
        {format_bytes(512ull << 20), "512 MiB"},
        {format_bytes(3435973837ull), "3.2 GiB"},
        {format_bytes(99ull << 30), "99.0 GiB"},
        {format_bytes(1ull << 40), "1.0 TiB"},
        {format_bytes(16ull << 40), "16.0 TiB"},  // past 32 bits of bytes and of 4 KiB blocks
        {format_rate(1.4 * 1024 * 1024), "1.4 MiB/s"},
        {format_rate(std::nullopt), "\u2014"},
        {format_rate(-5), "\u2014"},
        {format_percent(42.4), "42 %"},
        {format_percent(std::nullopt), "\u2014"},
        {format_celsius(47.6), "48 \u00b0C"},
        {format_mhz(1800), "1.80 GHz"},
        {format_mhz(600), "600 MHz"},
        {format_mhz(std::nullopt), "\u2014"},
        {format_uptime(90061), "1 d 1 h"},
        {format_uptime(4294967296.0 + 3600), "49710 d 7 h"},  // past 2^32 seconds
        {format_uptime(3720), "1 h 2 min"},
        {format_uptime(59), "0 min"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
}

}  // namespace
}  // namespace ts::sysdata
