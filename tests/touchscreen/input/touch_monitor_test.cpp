// The touch supervisor against real child processes: shell scripts stand in for the reader
// and are started through the same code as the real one. Pauses go through a manual clock,
// so restart cycles run at full speed.
#include "input/touch_monitor.hpp"

#include "core/events.hpp"
#include "fakes.hpp"
#include "reader_scripts.hpp"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace ts::input {
namespace {

using core::log::Level;
using namespace std::chrono_literals;

std::string level_name(Level level) {
    switch (level) {
        case Level::DEBUG: return "DEBUG";
        case Level::INFO: return "INFO";
        case Level::WARNING: return "WARNING";
        case Level::ERROR: return "ERROR";
    }
    return "?";
}

std::string event_text(const SDL_Event& e) {
    if (e.type == core::TOUCH_END_EVENT) return "release";
    if (e.type != core::TOUCH_EVENT) return "type " + std::to_string(e.type);
    const core::TouchPoint p = core::touch_point_of(e);
    return "point " + std::to_string(p.x) + " " + std::to_string(p.y);
}

// Runs the supervisor on its own thread with recording seams; stops and joins on destruction.
class Supervision {
public:
    explicit Supervision(std::string touch_path) { options.touch_path = std::move(touch_path); }
    ~Supervision() { stop(); }

    void start() {
        if (!options.post && !use_sdl_queue) options.post = [this](const SDL_Event& e) { record(events_, event_text(e)); };
        options.log = [this](Level level, std::string_view m) { record(logs_, level_name(level) + " " + std::string(m)); };
        options.launch = [this](const std::string& path) {
            ReaderProcess child = start_reader(path);
            record(pids_, child.pid);
            return child;
        };
        options.stop = &stop_flag;
        thread_ = std::thread([this] {
            _touch_monitor_thread(clock, options);
            returned_ = true;
        });
    }

    void stop() {
        stop_flag = true;
        if (thread_.joinable()) thread_.join();
    }

    // Waits until the thread returns without being asked to; false after the time limit.
    bool returns_by_itself(std::chrono::seconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!returned_ && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(5ms);
        return returned_;
    }

    bool wait_for_event(const std::string& event, std::chrono::seconds limit = 10s) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] {
            return std::find(events_.begin(), events_.end(), event) != events_.end();
        });
    }

    bool wait_for_log(const std::string& line, std::chrono::seconds limit = 10s) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return std::find(logs_.begin(), logs_.end(), line) != logs_.end(); });
    }

    std::vector<std::string> events() const { return copy(events_); }
    std::vector<std::string> logs() const { return copy(logs_); }
    std::vector<pid_t> pids() const { return copy(pids_); }

    test::ManualClock clock;
    TouchMonitorOptions options;
    bool use_sdl_queue = false;  // post through the program's own poster
    std::atomic<bool> stop_flag{false};

private:
    template <typename T>
    void record(std::vector<T>& into, T value) {
        {
            std::lock_guard lock(mutex_);
            into.push_back(std::move(value));
        }
        changed_.notify_all();
    }
    template <typename T>
    std::vector<T> copy(const std::vector<T>& from) const {
        std::lock_guard lock(mutex_);
        return from;
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> events_, logs_;
    std::vector<pid_t> pids_;
    std::thread thread_;
    std::atomic<bool> returned_{false};
};

std::vector<std::string> only_level(const std::vector<std::string>& logs, const std::string& level) {
    std::vector<std::string> out;
    for (const std::string& l : logs) {
        if (l.rfind(level + " ", 0) == 0) out.push_back(l);
    }
    return out;
}

const std::string kSentinel = "point 9999 9999";

// Feeds bytes through a reader script, then a sentinel line, and returns what came out for
// the bytes alone: events and debug lines.
std::pair<std::vector<std::string>, std::vector<std::string>> run_bytes(const std::string& bytes) {
    test::TempDir dir;
    const std::string data = dir.write("data", bytes);
    Supervision s(dir.script("touchreader", "cat '" + data + "'\necho '1 9999 9999'\nexec sleep 60\n"));
    s.start();
    EXPECT_TRUE(s.wait_for_event(kSentinel)) << "sentinel never arrived for " << bytes;
    s.stop();
    std::vector<std::string> events = s.events(), debug = only_level(s.logs(), "DEBUG");
    std::erase(events, kSentinel);
    std::erase(debug, "DEBUG 触摸原始数据: 1 9999 9999");
    return {events, debug};
}

struct LineCase {
    std::string bytes;
    std::vector<std::string> events;
    std::vector<std::string> debug;
};

TEST(TouchLines, EachLineGivesItsEventsAndDebugLines) {
    const std::string raw = "DEBUG 触摸原始数据: ";
    const LineCase cases[] = {
        {"123 120 480\n", {"point 120 480"}, {raw + "123 120 480"}},
        {"123 -1 -1\n", {"release"}, {raw + "123 -1 -1", "DEBUG 触摸结束事件"}},
        {"123 -1 5\n", {"point -1 5"}, {raw + "123 -1 5"}},
        {"123 10 20 extra\n", {"point 10 20"}, {raw + "123 10 20 extra"}},
        {"123 12\n", {}, {raw + "123 12"}},
        {"-5 10 10\n", {}, {raw + "-5 10 10"}},
        {"=== touchreader Touch ===\n", {}, {raw + "=== touchreader Touch ==="}},
        {"123 abc 5\n", {}, {raw + "123 abc 5"}},
        {"      \n\n", {}, {}},
        {"123 1\xff" "0 480\n", {"point 10 480"}, {raw + "123 10 480"}},
        {"\t123\t+7  8\r\n", {"point 7 8"}, {raw + "123\t+7  8"}},
        {"123 7.5 8\n", {}, {raw + "123 7.5 8"}},
    };
    for (const LineCase& c : cases) {
        const auto [events, debug] = run_bytes(c.bytes);
        EXPECT_EQ(events, c.events) << "line: " << c.bytes;
        EXPECT_EQ(debug, c.debug) << "line: " << c.bytes;
    }
}

TEST(TouchLines, EndlessLineIsCutAndLaterLinesStillCount) {
    test::TempDir dir;
    Supervision s(dir.script("touchreader",
                             "head -c 3000000 /dev/zero | tr '\\0' 'a'\n"
                             "printf '\\n123 10 20 '\nhead -c 100000 /dev/zero | tr '\\0' 'b'\n"
                             "printf '\\n123 5 6\\n'\nexec sleep 60\n"));
    s.start();
    ASSERT_TRUE(s.wait_for_event("point 5 6"));
    s.stop();
    // The head of an over-long line survives, so a touch line with a long tail still counts.
    EXPECT_EQ(s.events(), (std::vector<std::string>{"point 10 20", "point 5 6"}));
    const std::vector<std::string> debug = only_level(s.logs(), "DEBUG");
    ASSERT_EQ(debug.size(), 3u);
    EXPECT_EQ(debug[0], "DEBUG 触摸原始数据: " + std::string(4096, 'a'));
}

TEST(TouchLines, BurstIsHandedOutWithoutFurtherOutput) {
    // The reader writes 30 lines at once and then stays silent: lines held in our buffer must
    // not wait for the pipe to become readable again.
    std::string burst;
    for (int i = 0; i < 30; ++i) burst += "77 " + std::to_string(i) + " 1\n";
    test::TempDir dir;
    const std::string data = dir.write("data", burst);
    Supervision s(dir.script("touchreader", "cat '" + data + "'\nexec sleep 60\n"));
    s.start();
    ASSERT_TRUE(s.wait_for_event("point 29 1", 5s)) << s.events().size() << " of 30 events arrived";
    EXPECT_EQ(s.events().size(), 30u);
}

TEST(TouchLines, EventsReachTheSdlQueue) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    test::TempDir dir;
    Supervision s(dir.script("touchreader", "printf '5 120 480\\n5 -1 -1\\n'\nexec sleep 60\n"));
    s.use_sdl_queue = true;
    s.start();
    std::vector<std::string> seen;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (seen.size() < 2 && std::chrono::steady_clock::now() < deadline) {
        SDL_Event e;
        while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, core::TOUCH_EVENT, core::TOUCH_END_EVENT) == 1) {
            seen.push_back(event_text(e));
        }
        std::this_thread::sleep_for(5ms);
    }
    s.stop();
    SDL_QuitSubSystem(SDL_INIT_EVENTS);
    EXPECT_EQ(seen, (std::vector<std::string>{"point 120 480", "release"}));
}

// ---- starting, exiting and restarting ----

std::vector<std::string> not_debug(const std::vector<std::string>& logs) {
    std::vector<std::string> out;
    for (const std::string& l : logs) {
        if (l.rfind("DEBUG ", 0) != 0) out.push_back(l);
    }
    return out;
}

// Stops the supervisor during its n-th restart pause.
void stop_at_pause(Supervision& s, std::size_t n, std::function<void(std::size_t)> at_pause = {}) {
    s.clock.on_sleep = [&s, n, at_pause, count = std::size_t{0}](double) mutable {
        ++count;
        if (at_pause) at_pause(count);
        if (count >= n) s.stop_flag = true;
    };
}

TEST(Restart, ReaderExitingAtOnceGivesFourLinesAndOnePausePerCycle) {
    test::TempDir dir;
    const std::string path = dir.script("touchreader", "exit 1\n");
    Supervision s(path);
    stop_at_pause(s, 5);
    s.start();
    ASSERT_TRUE(s.wait_for_log("WARNING 触摸屏进程退出，3秒后重启"));
    for (int i = 0; i < 500 && !s.stop_flag; ++i) std::this_thread::sleep_for(10ms);
    s.stop();

    std::vector<std::string> expected{"INFO 触摸屏工具路径: " + path};
    for (int cycle = 0; cycle < 5; ++cycle) {
        expected.insert(expected.end(), {"INFO 启动触摸屏监听进程", "INFO 触摸屏监听进程已启动",
                                         "WARNING 触摸屏进程退出，返回码: 1", "WARNING 触摸屏进程退出，3秒后重启"});
    }
    EXPECT_EQ(not_debug(s.logs()), expected);
    EXPECT_EQ(s.clock.sleeps(), std::vector<double>(5, 3.0));
}

TEST(Restart, ReaderKilledBySignalReportsTheNegativeSignal) {
    test::TempDir dir;
    Supervision s(dir.script("touchreader", "kill -TERM $$\n"));
    stop_at_pause(s, 1);
    s.start();
    EXPECT_TRUE(s.wait_for_log("WARNING 触摸屏进程退出，返回码: -15"));
}

TEST(Restart, MissingReaderGivesTwoLinesAndNoStart) {
    test::TempDir dir;
    const std::string path = dir.path() + "/touchreader";
    Supervision s(path);
    s.start();
    ASSERT_TRUE(s.returns_by_itself(5s));
    EXPECT_EQ(s.logs(), (std::vector<std::string>{"INFO 触摸屏工具路径: " + path, "ERROR 触摸屏工具不存在: " + path}));
    EXPECT_TRUE(s.pids().empty());
    EXPECT_TRUE(s.clock.sleeps().empty());
}

TEST(Restart, ReaderThatCannotRunIsRetriedEveryThreeSeconds) {
    test::TempDir dir;
    const std::string path = dir.script("touchreader", "exit 0\n", /*executable=*/false);
    Supervision s(path);
    stop_at_pause(s, 2);
    s.start();
    for (int i = 0; i < 500 && !s.stop_flag; ++i) std::this_thread::sleep_for(10ms);
    s.stop();
    const std::string error = "ERROR 触摸屏监听错误: cannot start " + path + ": Permission denied";
    EXPECT_EQ(not_debug(s.logs()), (std::vector<std::string>{"INFO 触摸屏工具路径: " + path, "INFO 启动触摸屏监听进程",
                                                             error, "INFO 启动触摸屏监听进程", error}));
    EXPECT_EQ(s.clock.sleeps(), (std::vector<double>{3.0, 3.0}));
}

// ---- what the child gets, and what it leaves behind ----

std::size_t open_descriptors() {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

std::size_t zombie_children() {
    std::size_t n = 0;
    const pid_t self = getpid();
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string text;
        if (!std::getline(stat, text)) continue;
        // "pid (comm) S ppid ...": comm may hold blanks, so parse after the last ')'.
        std::istringstream rest(text.substr(text.rfind(')') + 1));
        char state = 0;
        pid_t ppid = 0;
        rest >> state >> ppid;
        if (ppid == self && state == 'Z') ++n;
    }
    return n;
}

TEST(Restart, FiftyRestartsLeakNoDescriptorsAndNoZombies) {
    test::TempDir dir;
    Supervision s(dir.script("touchreader", "echo '1 2 3'\nexit 1\n"));
    std::size_t fds_first = 0, fds_last = 0, zombies_first = 0, zombies_last = 0;
    stop_at_pause(s, 50, [&](std::size_t pause) {
        if (pause == 1) fds_first = open_descriptors(), zombies_first = zombie_children();
        if (pause == 50) fds_last = open_descriptors(), zombies_last = zombie_children();
    });
    s.start();
    for (int i = 0; i < 3000 && !s.stop_flag; ++i) std::this_thread::sleep_for(10ms);
    s.stop();
    ASSERT_EQ(s.pids().size(), 50u);
    EXPECT_EQ(fds_last, fds_first);
    EXPECT_EQ(zombies_first, 0u);
    EXPECT_EQ(zombies_last, 0u);
}

TEST(Child, GetsOnlyThePipeAndDefaultSignals) {
    // Whatever we ignore, block or leave open without close-on-exec must not reach the reader.
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
    const int leaked = open("/dev/null", O_RDONLY);  // deliberately without O_CLOEXEC
    ASSERT_GE(leaked, 0);
    sigset_t block, old;
    sigemptyset(&block);
    sigaddset(&block, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &block, &old);  // the supervisor thread inherits this mask

    test::TempDir dir;
    Supervision s(dir.script("touchreader", "echo ready\nexec sleep 60\n"));
    s.start();
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    ASSERT_TRUE(s.wait_for_log("DEBUG 触摸原始数据: ready"));
    std::this_thread::sleep_for(100ms);  // let the shell become sleep
    const std::string proc = "/proc/" + std::to_string(s.pids().at(0));

    std::vector<std::string> fds;
    for (const auto& entry : std::filesystem::directory_iterator(proc + "/fd")) fds.push_back(entry.path().filename());
    std::sort(fds.begin(), fds.end());
    EXPECT_EQ(fds, (std::vector<std::string>{"0", "1", "2"}));
    const auto out = std::filesystem::read_symlink(proc + "/fd/1"), err = std::filesystem::read_symlink(proc + "/fd/2");
    EXPECT_EQ(out, err);
    EXPECT_EQ(out.string().rfind("pipe:", 0), 0u) << out;

    std::ifstream status(proc + "/status");
    unsigned long long ignored = ~0ULL, blocked = ~0ULL;
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigIgn:", 0) == 0) ignored = std::stoull(line.substr(7), nullptr, 16);
        if (line.rfind("SigBlk:", 0) == 0) blocked = std::stoull(line.substr(7), nullptr, 16);
    }
    EXPECT_EQ(ignored & (1ULL << (SIGPIPE - 1)), 0u);
    EXPECT_EQ(ignored & (1ULL << (SIGXFSZ - 1)), 0u);
    EXPECT_EQ(blocked, 0u);

    s.stop();
    close(leaked);
    signal(SIGPIPE, SIG_DFL);
    signal(SIGXFSZ, SIG_DFL);
}

TEST(Child, ErrorStartsANewChildAndTheOldOneIsReaped) {
    test::TempDir dir;
    Supervision s(dir.script("touchreader", "echo '1 5 5'\nwhile :; do sleep 0.05; echo tick; done\n"));
    std::atomic<int> posts{0};
    s.options.post = [&](const SDL_Event&) {
        if (posts++ == 0) throw std::runtime_error("queue full");
    };
    s.start();
    ASSERT_TRUE(s.wait_for_log("ERROR 触摸屏监听错误: queue full"));
    ASSERT_TRUE(s.wait_for_log("DEBUG 触摸原始数据: tick"));  // the second child runs
    const pid_t first = s.pids().at(0);
    // The first child's pipe is closed: its next line ends it, and we reap it.
    bool gone = false;
    for (int i = 0; i < 200 && !gone; ++i) {
        gone = !std::filesystem::exists("/proc/" + std::to_string(first));
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(gone) << "first child not reaped";
    EXPECT_EQ(s.pids().size(), 2u);
    EXPECT_EQ(s.clock.sleeps(), std::vector<double>{3.0});
}

double process_cpu_seconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

TEST(Child, ReaderThatClosesItsOutputButRunsOnCausesNoBusyLoop) {
    test::TempDir dir;
    Supervision s(dir.script("touchreader", "exec >&- 2>&-\nsleep 1\nexit 3\n"));
    stop_at_pause(s, 1);
    const double cpu_before = process_cpu_seconds();
    s.start();
    ASSERT_TRUE(s.wait_for_log("WARNING 触摸屏进程退出，返回码: 3"));
    const double cpu = process_cpu_seconds() - cpu_before;
    EXPECT_LT(cpu, 0.3) << "the supervisor spun while the reader ran without output";
}

}  // namespace
}  // namespace ts::input
