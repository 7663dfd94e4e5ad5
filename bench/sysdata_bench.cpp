// The cost of one full sample of every system figure, beside two yardsticks measured in the
// same run: a bare open/read/close of every process's stat, and "top -b -n 1".
// Set-up starts `sleep` children until at least 300 processes run, and reaps them after.
#include "sysdata/collector.hpp"

#include <benchmark/benchmark.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

std::vector<pid_t> g_children;

int count_processes() {
    int n = 0;
    DIR* d = ::opendir("/proc");
    if (d == nullptr) return 0;
    while (const dirent* e = ::readdir(d)) n += (e->d_name[0] >= '1' && e->d_name[0] <= '9');
    ::closedir(d);
    return n;
}

pid_t spawn(const char* const* argv, bool quiet) {
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    if (quiet) posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &fa, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&fa);
    return rc == 0 ? pid : -1;
}

void start_children() {
    static const char* const kSleep[] = {"sleep", "600", nullptr};
    while (count_processes() < 300) {
        const pid_t pid = spawn(kSleep, false);
        if (pid < 0) break;
        g_children.push_back(pid);
    }
}

void reap_children() {
    for (pid_t pid : g_children) ::kill(pid, SIGTERM);
    for (pid_t pid : g_children) ::waitpid(pid, nullptr, 0);
    g_children.clear();
}

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void BM_FullSample(benchmark::State& state) {
    ts::sysdata::Collector c{ts::sysdata::Source("/")};
    c.sample_all(now());  // warm: buffers sized, previous counters known
    for (auto _ : state) {
        c.sample_all(now());
        benchmark::DoNotOptimize(c.current().cpu.total);
    }
    state.counters["processes"] = static_cast<double>(count_processes());
}

void BM_BareStatRead(benchmark::State& state) {
    char buf[4096];
    for (auto _ : state) {
        DIR* d = ::opendir("/proc");
        while (const dirent* e = ::readdir(d)) {
            if (e->d_name[0] < '1' || e->d_name[0] > '9') continue;
            const std::string path = std::string("/proc/") + e->d_name + "/stat";
            const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) continue;
            benchmark::DoNotOptimize(::read(fd, buf, sizeof buf));
            ::close(fd);
        }
        ::closedir(d);
    }
}

void BM_TopBatch(benchmark::State& state) {
    static const char* const kTop[] = {"top", "-b", "-n", "1", nullptr};
    for (auto _ : state) {
        const pid_t pid = spawn(kTop, true);
        if (pid < 0) {
            state.SkipWithError("top not found");
            break;
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
}

BENCHMARK(BM_FullSample)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK(BM_BareStatRead)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK(BM_TopBatch)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(10)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    start_children();
    benchmark::RunSpecifiedBenchmarks();
    reap_children();
    benchmark::Shutdown();
    return 0;
}
