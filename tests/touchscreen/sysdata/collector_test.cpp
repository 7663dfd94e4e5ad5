// The collector over fixture trees changed between samples, and over this machine,
// checked against an independent source.
#include "emulation.hpp"
#include "fixture.hpp"

#include "sysdata/collector.hpp"
#include "sysdata/sampler.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <thread>
#include <unistd.h>

namespace ts::sysdata {
namespace {

using test::TempRoot;

CollectorOptions no_address() {
    CollectorOptions o;
    o.address = [](const std::string& name) { return "addr-of-" + name; };
    return o;
}

TEST(CollectorCpu, CoreGoingOfflineBetweenSamples) {
    TempRoot root;
    root.write_fixture("proc/stat", "stat/sample1");
    root.write_cores(4);
    Collector c(Source(root.path()), no_address());
    c.sample_cpu(1.0);
    EXPECT_FALSE(c.current().cpu.total);  // one sample: no delta yet
    root.write_fixture("proc/stat", "stat/sample2");
    root.write("sys/devices/system/cpu/cpu3/online", "0\n");
    c.sample_cpu(2.0);
    const CpuFigures& cpu = c.current().cpu;
    EXPECT_DOUBLE_EQ(*cpu.total, 50.0);
    ASSERT_EQ(cpu.cores.size(), 4u);
    EXPECT_DOUBLE_EQ(*cpu.cores[0], 75.0);
    EXPECT_DOUBLE_EQ(*cpu.cores[1], 25.0);
    EXPECT_FALSE(cpu.cores[3]);
    ASSERT_EQ(cpu.history.size(), 2u);
    EXPECT_TRUE(std::isnan(cpu.history.at(0)));
    EXPECT_DOUBLE_EQ(cpu.history.at(1), 50.0);
    // It comes back: listed again, its first delta after return is unknown, then known.
    root.write("sys/devices/system/cpu/cpu3/online", "1\n");
    root.write_fixture("proc/stat", "stat/sample1");
    c.sample_cpu(3.0);
    EXPECT_EQ(c.current().cpu.cores.size(), 4u);
    EXPECT_FALSE(c.current().cpu.cores[3]);
}

TEST(CollectorCpu, FrequencyFromPoliciesCoversTheirCores) {
    TempRoot root;
    root.write_cores(4);
    root.write("sys/devices/system/cpu/cpu3/online", "0\n");
    // A big.LITTLE board: cores 0-1 at 600 MHz, 2-3 at 1800 MHz; core 3 is offline.
    root.write("sys/devices/system/cpu/cpufreq/policy0/scaling_cur_freq", "600000\n");
    root.write("sys/devices/system/cpu/cpufreq/policy0/affected_cpus", "0 1\n");
    root.write("sys/devices/system/cpu/cpufreq/policy2/scaling_cur_freq", "1800000\n");
    root.write("sys/devices/system/cpu/cpufreq/policy2/affected_cpus", "2 3\n");
    Collector c(Source(root.path()), no_address());
    c.sample_frequency();
    ASSERT_TRUE(c.current().cpu.frequency);
    EXPECT_DOUBLE_EQ(c.current().cpu.frequency->average_mhz, 1000.0);
    EXPECT_DOUBLE_EQ(c.current().cpu.frequency->max_mhz, 1800.0);
    root.remove("sys/devices/system/cpu/cpufreq");
    c.sample_frequency();
    EXPECT_FALSE(c.current().cpu.frequency);  // no cpufreq, no /proc/cpuinfo: unknown
}

TEST(CollectorDisk, RatesOverTheMonotonicInterval) {
    TempRoot root;
    root.write_fixture("proc/diskstats", "diskstats/sample1");
    Collector c(Source(root.path()), no_address());
    c.sample_disk_io(10.0);
    EXPECT_FALSE(c.current().disk.read_rate);
    root.write_fixture("proc/diskstats", "diskstats/sample2");
    c.sample_disk_io(12.0);
    EXPECT_DOUBLE_EQ(*c.current().disk.read_rate, 3.0 * 1024 * 1024 / 2);  // 1 MiB + 2 MiB in 2 s
    EXPECT_DOUBLE_EQ(*c.current().disk.write_rate, 4.0 * 1024 * 1024 / 2);
    // Back to the first counters (a reset): no spike, the interval is unknown.
    root.write_fixture("proc/diskstats", "diskstats/sample1");
    c.sample_disk_io(13.0);
    EXPECT_FALSE(c.current().disk.read_rate);
    EXPECT_EQ(c.current().disk.read_history.size(), 3u);
}

std::string net_dev(std::uint64_t rx, std::uint64_t tx) {
    return "Inter-|   Receive |  Transmit\n face |bytes packets|bytes packets\n  eth0: " + std::to_string(rx) +
           " 1 0 0 0 0 0 0 " + std::to_string(tx) + " 1 0 0 0 0 0 0\n";
}

TEST(CollectorNetwork, RatesAndCountersThatWrap) {
    TempRoot root("net/routed_tree");
    Collector c(Source(root.path()), no_address());
    const struct {
        double now;
        std::uint64_t rx, tx;
        std::optional<double> rx_rate, tx_rate;
    } steps[] = {
        {1.0, 4294967000u, 1000, std::nullopt, std::nullopt},  // first sample: no rate
        {2.0, 4294967290u, 3000, 290.0, 2000.0},
        {3.0, 100, 4000, std::nullopt, std::nullopt},  // 32-bit wrap: unknown, not a spike
        {5.0, 2100, 6000, 1000.0, 1000.0},
        // 64-bit counters past 4 GiB, as a busy NAS has them after a day.
        {7.0, 6'000'002'100, 8'589'940'592, 3e9, 4294967296.0},
        {8.0, 6'000'002'100 + 4'294'967'296, 8'589'940'592 + 1, 4294967296.0, 1.0},
        // Back by exactly 4 GiB: the low 32 bits alone would read as a standstill.
        {9.0, 6'000'002'100, 8'589'940'593, std::nullopt, std::nullopt},
    };
    for (const auto& s : steps) {
        root.write("proc/net/dev", net_dev(s.rx, s.tx));
        c.sample_network(s.now);
        const NetFigures& net = c.current().net;
        EXPECT_EQ(net.interface, "eth0");
        EXPECT_EQ(net.rx_rate, s.rx_rate) << s.now;
        EXPECT_EQ(net.tx_rate, s.tx_rate) << s.now;
        EXPECT_EQ(net.rx_total, s.rx);
    }
    EXPECT_EQ(c.current().net.speed_mbps, 1000);
    c.sample_host();
    EXPECT_EQ(c.current().net.ipv4, "addr-of-eth0");
}

TEST(CollectorNetwork, NoDefaultRouteTakesTheBusiestOwnInterfaceOrGoesOffline) {
    TempRoot root("net/offline_tree");
    Collector c(Source(root.path()), no_address());
    c.sample_network(1.0);
    // eth0 is down, br-lan is a bridge (its bytes are its ports'), lo is loopback.
    EXPECT_EQ(c.current().net.interface, "wlan0");
    root.write("sys/class/net/wlan0/operstate", "down\n");
    c.sample_network(2.0);
    EXPECT_EQ(c.current().net.interface, "");
    EXPECT_FALSE(c.current().net.rx_total);
}

TEST(CollectorNetwork, ConfiguredInterfaceWins) {
    TempRoot root("net/offline_tree");
    CollectorOptions o = no_address();
    o.interface = [] { return std::string("eth0"); };
    Collector c(Source(root.path()), o);
    c.sample_network(1.0);
    EXPECT_EQ(c.current().net.interface, "eth0");
    EXPECT_EQ(c.current().net.rx_total, 987654321u);
}

TEST(CollectorProcesses, VanishedProcessesAndReusedPids) {
    TempRoot root("procs");
    Collector c(Source(root.path()), no_address());
    c.sample_processes(100.0);
    ASSERT_TRUE(c.current().processes);
    ASSERT_EQ(c.current().processes->size(), 3u);  // pid 4000 exited: its folder is empty
    // Two seconds later: systemd used 50 ticks, pid 731 was replaced by a new process with
    // far more ticks (no history: 0 %), the kworker used 100 ticks.
    const long hz = ::sysconf(_SC_CLK_TCK);
    // systemd's line now stops before its resident size.
    root.write("proc/1/stat", "1 (systemd) S 0 1 1 0 -1 0 0 0 0 0 " + std::to_string(1200 + hz / 2) +
                                  " 800 0 0 20 0 1 0 5\n");
    root.write("proc/731/stat", "731 (new one) R 1 731 731 0 -1 0 0 0 0 0 90000 100 0 0 20 0 4 0 99999 0 20000\n");
    root.write("proc/1200/stat", "1200 (kworker/u8:2-events_unbound) I 2 0 0 0 -1 0 0 0 0 0 " +
                                     std::to_string(10 + hz) + " 30 0 0 20 0 1 0 90000 0 0\n");
    c.sample_processes(102.0);
    const auto& rows = *c.current().processes;
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].name, "kworker/u8:2-events_unbound");
    EXPECT_NEAR(rows[0].cpu_percent, 50.0, 1e-9);
    EXPECT_EQ(rows[1].name, "systemd");
    EXPECT_NEAR(rows[1].cpu_percent, 25.0, 1e-9);
    EXPECT_EQ(rows[1].resident, 0u);  // memory unknown, the row stays
    EXPECT_EQ(rows[2].name, "new one");
    EXPECT_EQ(rows[2].cpu_percent, 0.0);
    EXPECT_EQ(rows[2].resident, 20000u * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE)));
}

TEST(CollectorLive, AgreesWithIndependentSources) {
    CollectorOptions o;
    o.address = [](const std::string&) { return std::string(); };
    Collector c(Source("/"), o);
    c.sample_all(1.0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    c.sample_all(1.1);
    const Snapshot& s = c.current();
    EXPECT_EQ(static_cast<long>(s.cpu.cores.size()), ::sysconf(_SC_NPROCESSORS_CONF));
    struct sysinfo si{};
    ASSERT_EQ(::sysinfo(&si), 0);
    ASSERT_TRUE(s.memory);
    const std::uint64_t total = static_cast<std::uint64_t>(si.totalram) * si.mem_unit;
    std::uint64_t ours = s.memory->total;
    // QEMU's user mode hands a 32-bit program the host's figures cut to 32 bits (mem_unit 1),
    // where a kernel would scale mem_unit: only the low 32 bits can be compared then.
    if (ts::test::emulator_entry() && sizeof(si.totalram) == 4 && si.mem_unit == 1) ours &= 0xFFFFFFFFu;
    // meminfo counts in KiB: the two agree to within one KiB.
    EXPECT_NEAR(static_cast<double>(ours), static_cast<double>(total), 1024.0);
    ASSERT_TRUE(s.filesystems);
    struct statvfs st{};
    ASSERT_EQ(::statvfs("/", &st), 0);
    bool root_seen = false;
    for (const auto& f : *s.filesystems) {
        if (f.mount_point != "/") continue;
        root_seen = true;
        EXPECT_EQ(f.size.total, static_cast<std::uint64_t>(st.f_blocks) * st.f_frsize);
    }
    // Containers may mount / as overlay, which is never shown.
    if (!root_seen) GTEST_LOG_(INFO) << "/ is not a real filesystem here";
    ASSERT_TRUE(s.processes);
    EXPECT_GT(s.processes->size(), 0u);
    EXPECT_TRUE(s.cpu.total);
    EXPECT_TRUE(s.uptime);
}

// Runs the thread until it has published two rounds of CPU figures (2 s at most), then stops it.
std::shared_ptr<const Snapshot> two_rounds(Sampler& sampler) {
    sampler.start();
    std::shared_ptr<const Snapshot> s;
    for (int i = 0; i < 200 && !(s && s->cpu.history.size() >= 2); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        s = sampler.latest();
    }
    sampler.stop();
    return s;
}

TEST(SamplerThread, PublishesSnapshotsAndStops) {
    TempRoot root;
    root.write_fixture("proc/stat", "stat/sample1");
    root.write_fixture("proc/meminfo", "meminfo/swap");
    bool screen = true;
    Sampler sampler(Source(root.path()), no_address(), [] { return Intervals{0.2, 0.2, 0.2, 0.2, 0.2}; },
                    [&] { return screen; });
    EXPECT_FALSE(sampler.latest());
    const std::shared_ptr<const Snapshot> s = two_rounds(sampler);
    ASSERT_TRUE(s);
    EXPECT_GE(s->cpu.history.size(), 2u);
    ASSERT_TRUE(s->memory);
    EXPECT_EQ(s->memory->swap_total, 2097152u * 1024);
    // A published snapshot never changes under its reader.
    const auto before = s->cpu.history.size();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(s->cpu.history.size(), before);
}

TEST(SamplerThread, ScreenOffSamplesOnlyWhatTheGraphsNeed) {
    TempRoot root("procs");
    root.write_fixture("proc/stat", "stat/sample1");
    root.write_fixture("proc/meminfo", "meminfo/swap");
    Sampler sampler(Source(root.path()), no_address(), [] { return Intervals{0.2, 0.2, 0.2, 0.2, 0.2}; },
                    [] { return false; });
    const std::shared_ptr<const Snapshot> s = two_rounds(sampler);
    ASSERT_TRUE(s);
    EXPECT_GE(s->cpu.history.size(), 2u);
    EXPECT_GE(s->disk.read_history.size(), 1u);
    EXPECT_FALSE(s->memory);     // not on any graph
    EXPECT_FALSE(s->processes);  // the scan stops
}

// Scanning every process is most of a round: done from the start and while the rows are
// shown, paused otherwise, and back at once when they are shown again.
TEST(SamplerThread, ProcessesAreScannedOnlyWhileShown) {
    TempRoot root("procs");
    root.write_fixture("proc/stat", "stat/sample1");
    Sampler sampler(Source(root.path()), no_address(), [] { return Intervals{0.2, 0.2, 0.2, 0.2, 0.2}; },
                    [] { return true; });
    sampler.processes_kept_for = 0.3;  // three rounds of 0.2 s are longer: 0.6 s
    const auto wait_for = [&](const std::function<bool(const Snapshot&)>& ok, double seconds) {
        for (int i = 0; i < seconds * 100; ++i) {
            if (const auto s = sampler.latest(); s && ok(*s)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    };
    const auto renamed = [](const Snapshot& s) {
        return s.processes && std::any_of(s.processes->begin(), s.processes->end(),
                                          [](const ProcessRow& r) { return r.name == "renamed"; });
    };
    sampler.start();
    ASSERT_TRUE(wait_for([](const Snapshot& s) { return s.processes.has_value(); }, 5));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    root.write("proc/1/stat", "1 (renamed) S 0 1 1 0 -1 0 0 0 0 0 1300 800 0 0 20 0 1 0 5 0 3000\n");
    const std::size_t cpu_rounds = sampler.latest()->cpu.history.size();
    EXPECT_FALSE(wait_for(renamed, 1.0)) << "scanned while nobody looked";
    EXPECT_GT(sampler.latest()->cpu.history.size(), cpu_rounds) << "the other figures go on";
    sampler.processes_shown();
    EXPECT_TRUE(wait_for(renamed, 5.0));
    sampler.stop();
}

// How far a wall-clock time lies from the moment 10 ms before its nearest whole second.
double off_tick(double wall) {
    const double x = wall + 0.01;
    return std::abs(x - std::round(x));
}

TEST(SamplerRounds, IntervalsThatAreNotWholeSecondsKeepTheirLength) {
    struct Case {
        double every, expect;
    } cases[] = {{0.2, 0.2}, {0.05, 0.2}, {0.5, 0.5}, {1.5, 1.5}, {2.25, 2.25}};
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(due_after(100.0, c.every, 0.37), 100.0 + c.expect) << c.every;
}

// Whole-second rounds land just before the wall clock's second turns, from any start, and stay
// there with wake-ups that come late; the monotonic clock runs at any offset from the wall.
TEST(SamplerRounds, WholeSecondsLandJustBeforeTheTickAndStayThere) {
    for (const double offset : {0.0, 0.37, 1.8e9 + 0.123}) {
        for (const double every : {1.0, 2.0, 3.0, 5.0, 10.0}) {
            for (double phase = 0; phase < 1; phase += 0.05) {
                for (const double late : {0.0, 0.004, 0.3}) {
                    double now = 1000.0 + phase;
                    for (int round = 0; round < 4; ++round) {
                        const double due = due_after(now, every, offset);
                        ASSERT_LT(off_tick(due + offset), 1e-6) << "not on the tick: " << due - now;
                        ASSERT_LE(std::abs(due - now - every), 0.5 + 1e-6) << "every " << every;
                        // From the second round on, the length is the interval less the late wake-up.
                        if (round > 0) {
                            ASSERT_NEAR(due - now, every - late, 1e-6) << "every " << every;
                        }
                        now = due + late;
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace ts::sysdata
