// The touch supervisor against real child processes: shell scripts stand in for the reader
// and are started through the same code as the real one. Pauses go through a manual clock,
// so restart cycles run at full speed.
#include "input/touch_monitor.hpp"

#include "core/events.hpp"
#include "emulation.hpp"
#include "fakes.hpp"
#include "reader_scripts.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace ts::input {
namespace {

using core::log::Level;
using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

std::string event_text(const SDL_Event& e) {
    if (e.type == core::TOUCH_END_EVENT) return "release";
    const core::TouchPoint p = core::touch_point_of(e);
    return "point " + std::to_string(p.x) + " " + std::to_string(p.y);
}

bool has(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Polls pred every 5 ms; false after the limit.
bool eventually(const std::function<bool()>& pred, std::chrono::seconds limit = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// Runs the supervisor on its own thread with recording seams; stops and joins on destruction.
class Supervision {
public:
    explicit Supervision(std::string touch_path) {
        options.touch_path = std::move(touch_path);
        options.diagnose = [] { return std::string(); };  // this machine's own bus stays out of it
    }
    ~Supervision() { stop(); }

    void start() {
        if (!options.post) options.post = [this](const SDL_Event& e) { locked([&] { events_.push_back(event_text(e)); }); };
        options.log = [this](Level level, std::string_view m) {
            const char* name = level == Level::DEBUG ? "DEBUG " : level == Level::INFO ? "INFO " : level == Level::WARNING ? "WARNING " : "ERROR ";
            locked([&] { logs_.push_back(name + std::string(m)); });
        };
        options.launch = [this](const std::string& path) {
            ReaderProcess child = start_reader(path);
            locked([&] { pids_.push_back(child.pid); });
            return child;
        };
        options.stop = &stop_flag;
        thread_ = std::thread([this] {
            _touch_monitor_thread(clock, options);
            returned = true;
        });
    }
    void stop() {
        stop_flag = true;
        if (thread_.joinable()) thread_.join();
    }
    Lines events() { return locked([&] { return events_; }); }
    Lines logs() { return locked([&] { return logs_; }); }
    std::vector<pid_t> pids() { return locked([&] { return pids_; }); }
    bool event_arrives(const std::string& e) { return eventually([&] { return has(events(), e); }); }
    bool log_arrives(const std::string& l) { return eventually([&] { return has(logs(), l); }); }
    // Stops the supervisor during its n-th restart pause; at_pause runs at every pause.
    void stop_at_pause(std::size_t n, std::function<void(std::size_t)> at_pause = {}) {
        clock.on_sleep = [this, n, at_pause, count = std::size_t{0}](double) mutable {
            if (at_pause) at_pause(++count); else ++count;
            if (count >= n) stop_flag = true;
        };
    }
    bool stopped_by_itself(std::chrono::seconds limit = 10s) { return eventually([&] { return stop_flag.load(); }, limit); }

    test::ManualClock clock;
    TouchMonitorOptions options;
    std::atomic<bool> stop_flag{false}, returned{false};

private:
    template <typename F>
    auto locked(F f) -> decltype(f()) {
        std::lock_guard lock(mutex_);
        return f();
    }
    std::mutex mutex_;
    Lines events_, logs_;
    std::vector<pid_t> pids_;
    std::thread thread_;
};

Lines with_prefix(const Lines& logs, const std::string& prefix, bool keep) {
    Lines out;
    for (const std::string& l : logs) {
        if ((l.rfind(prefix, 0) == 0) == keep) out.push_back(l);
    }
    return out;
}

const std::string kSentinel = "point 9999 9999";

// Feeds bytes through a reader script, then a sentinel line; returns what came out for the
// bytes alone: events and debug lines.
std::pair<Lines, Lines> run_bytes(const std::string& bytes) {
    test::TempDir dir;
    const std::string data = dir.write("data", bytes);
    Supervision s(dir.script("touchreader", "cat '" + data + "'\necho '1 9999 9999'\nexec sleep 60\n"));
    s.start();
    EXPECT_TRUE(s.event_arrives(kSentinel)) << bytes;
    s.stop();
    Lines events = s.events(), debug = with_prefix(s.logs(), "DEBUG", true);
    std::erase(events, kSentinel);
    std::erase(debug, "DEBUG 触摸原始数据: 1 9999 9999");
    return {events, debug};
}

TEST(TouchLines, EachLineGivesItsEventsAndDebugLines) {
    const std::string raw = "DEBUG 触摸原始数据: ";
    const struct {
        std::string bytes;
        Lines events, debug;
    } cases[] = {
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
    };
    for (const auto& c : cases) {
        const auto [events, debug] = run_bytes(c.bytes);
        EXPECT_EQ(events, c.events) << c.bytes;
        EXPECT_EQ(debug, c.debug) << c.bytes;
    }
}

TEST(TouchLines, EndlessLineIsCutAndLaterLinesStillCount) {
    test::TempDir dir;
    Supervision s(dir.script("touchreader",
                             "head -c 3000000 /dev/zero | tr '\\0' 'a'\n"
                             "printf '\\n123 10 20 '\nhead -c 100000 /dev/zero | tr '\\0' 'b'\n"
                             "printf '\\n123 5 6\\n'\nexec sleep 60\n"));
    s.start();
    ASSERT_TRUE(s.event_arrives("point 5 6"));
    // The head of an over-long line survives, so a touch line with a long tail still counts.
    EXPECT_EQ(s.events(), (Lines{"point 10 20", "point 5 6"}));
    EXPECT_EQ(with_prefix(s.logs(), "DEBUG", true).at(0), "DEBUG 触摸原始数据: " + std::string(4096, 'a'));
}

TEST(TouchLines, BurstIsHandedOutWithoutFurtherOutput) {
    // 30 lines at once, then silence: lines held in our buffer must not wait for the pipe.
    std::string burst;
    for (int i = 0; i < 30; ++i) burst += "77 " + std::to_string(i) + " 1\n";
    test::TempDir dir;
    Supervision s(dir.script("touchreader", "cat '" + dir.write("data", burst) + "'\nexec sleep 60\n"));
    s.start();
    EXPECT_TRUE(s.event_arrives("point 29 1")) << s.events().size() << " of 30 events arrived";
}

TEST(Restart, ReaderExitingAtOnceGivesFourLinesAndOnePausePerCycleAndItsCauseOnceUntilItChanges) {
    test::TempDir dir;
    const std::string path = dir.script("touchreader", "exit 1\n");
    Supervision s(path);
    // What the bus looks like after each exit: the cause is named when it first shows and when it changes.
    const std::vector<std::string> causes{"missing", "missing", "denied", "", "missing"};
    std::size_t asked = 0;
    s.options.diagnose = [&] { return causes.at(asked++); };
    s.stop_at_pause(5);
    s.start();
    ASSERT_TRUE(s.stopped_by_itself());
    s.stop();
    Lines expected{"INFO 触摸屏工具路径: " + path};
    for (int cycle = 0; cycle < 5; ++cycle) {
        expected.insert(expected.end(), {"INFO 启动触摸屏监听进程", "INFO 触摸屏监听进程已启动", "WARNING 触摸屏进程退出，返回码: 1"});
        if (cycle == 0 || cycle == 2 || cycle == 4) {
            expected.push_back("WARNING touch reader: cannot use its bus: " + causes[static_cast<std::size_t>(cycle)]);
        }
        expected.push_back("WARNING 触摸屏进程退出，3秒后重启");
    }
    EXPECT_EQ(with_prefix(s.logs(), "DEBUG", false), expected);
    EXPECT_EQ(s.clock.sleeps(), std::vector<double>(5, 3.0));
}

TEST(Restart, ReaderKilledBySignalReportsTheNegativeSignal) {
    test::TempDir dir;
    Supervision s(dir.script("touchreader", "kill -TERM $$\n"));
    s.stop_at_pause(1);
    s.start();
    EXPECT_TRUE(s.log_arrives("WARNING 触摸屏进程退出，返回码: -15"));
}

// An installed layout: the program in libexec/touchscreen, a relative link to it in bin.
struct InstalledLayout {
    test::TempDir dir;
    std::string bin = dir.path() + "/bin";
    std::string program_dir = dir.path() + "/libexec/touchscreen";
    InstalledLayout() {
        std::filesystem::create_directories(bin);
        std::filesystem::create_directories(program_dir);
        dir.script("libexec/touchscreen/touchscreen", "exit 0");
        std::filesystem::create_symlink("../libexec/touchscreen/touchscreen", bin + "/touchscreen");
        std::filesystem::create_symlink(program_dir + "/touchscreen", proc_exe);
    }
    std::string proc_exe = dir.path() + "/exe";  // what /proc/self/exe holds: an absolute path
};

TEST(PostToSdl, ATouchAfterShutdownIsDroppedNotAnError) {
    ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError();
    set_posting_to_sdl(true);
    post_to_sdl(core::make_touch_event(10, 20));
    SDL_Event got{};
    EXPECT_EQ(SDL_PeepEvents(&got, 1, SDL_GETEVENT, core::TOUCH_EVENT, core::TOUCH_EVENT), 1);
    set_posting_to_sdl(false);
    SDL_Quit();
    EXPECT_NO_THROW(post_to_sdl(core::make_touch_event(10, 20)));
    set_posting_to_sdl(true);
}

TEST(ReaderPath, FoundBesideTheResolvedProgramHoweverItWasStarted) {
    InstalledLayout layout;
    const std::string expected = layout.program_dir + "/touchreader";
    const std::string missing = layout.dir.path() + "/no-proc/exe";
    const std::string path_env = "/nonexistent:" + layout.bin;
    struct Case {
        const char* how;
        std::string self_link, argv0;
    };
    const Case cases[] = {
        {"kernel link to the program", layout.proc_exe, "anything"},
        {"no /proc, started through the bin link", missing, layout.bin + "/touchscreen"},
        {"no /proc, started by name from PATH", missing, "touchscreen"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(_touch_path_from(c.self_link, c.argv0, path_env.c_str()), expected) << c.how;
    }
}

TEST(ReaderPath, TheRunningTestFindsTheReaderBesideItsOwnFile) {
    EXPECT_EQ(_get_touch_path(),
              (std::filesystem::canonical("/proc/self/exe").parent_path() / "touchreader").string());
}

TEST(Restart, MissingReaderGivesTwoLinesAndNoStart) {
    test::TempDir dir;
    const std::string path = dir.path() + "/touchreader";
    Supervision s(path);
    s.start();
    ASSERT_TRUE(eventually([&] { return s.returned.load(); }));
    EXPECT_EQ(s.logs(), (Lines{"INFO 触摸屏工具路径: " + path, "ERROR 触摸屏工具不存在: " + path}));
    EXPECT_TRUE(s.pids().empty());
}

TEST(Restart, ReaderThatCannotRunIsRetriedEveryThreeSeconds) {
    // posix_spawn learns of a failed exec through memory it shares with the child (vfork);
    // QEMU's user mode forks instead, so the parent sees a start and then exit status 127.
    if (test::emulator_entry()) GTEST_SKIP() << "under QEMU's user mode posix_spawn cannot report a failed exec";
    test::TempDir dir;
    const std::string path = dir.script("touchreader", "exit 0\n", /*executable=*/false);
    Supervision s(path);
    s.stop_at_pause(2);
    s.start();
    ASSERT_TRUE(s.stopped_by_itself());
    s.stop();
    const std::string error = "ERROR 触摸屏监听错误: cannot start " + path + ": Permission denied";
    EXPECT_EQ(s.logs(), (Lines{"INFO 触摸屏工具路径: " + path, "INFO 启动触摸屏监听进程", error,
                               "INFO 启动触摸屏监听进程", error}));
    EXPECT_EQ(s.clock.sleeps(), (std::vector<double>{3.0, 3.0}));
}

std::size_t open_descriptors() {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}

std::size_t zombie_children() {
    std::size_t n = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::string stat;
        std::getline(std::ifstream(entry.path() / "stat"), stat);
        // "pid (comm) S ppid ...": comm may hold blanks, so read after the last ')'.
        std::istringstream rest(stat.substr(stat.rfind(')') + 1));
        char state = 0;
        pid_t ppid = 0;
        rest >> state >> ppid;
        n += (ppid == getpid() && state == 'Z');
    }
    return n;
}

TEST(Restart, FiftyRestartsLeakNoDescriptorsAndNoZombies) {
    test::TempDir dir;
    Supervision s(dir.script("touchreader", "echo '1 2 3'\nexit 1\n"));
    std::size_t fds[2] = {}, zombies[2] = {};
    s.stop_at_pause(50, [&](std::size_t pause) {
        if (pause == 1 || pause == 50) fds[pause / 50] = open_descriptors(), zombies[pause / 50] = zombie_children();
    });
    s.start();
    ASSERT_TRUE(s.stopped_by_itself(30s));
    s.stop();
    ASSERT_EQ(s.pids().size(), 50u);
    EXPECT_EQ(fds[1], fds[0]);
    EXPECT_EQ(zombies[0] + zombies[1], 0u);
}

TEST(Child, GetsOnlyThePipeAndDefaultSignals) {
    // Whatever we ignore, block or leave open without close-on-exec must not reach the reader.
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
    const int leaked = open("/dev/null", O_RDONLY);  // deliberately without O_CLOEXEC
    sigset_t block, old;
    sigemptyset(&block);
    sigaddset(&block, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &block, &old);  // the supervisor thread inherits this mask
    test::TempDir dir;
    Supervision s(dir.script("touchreader", "echo ready\nexec sleep 60\n"));
    s.start();
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    ASSERT_TRUE(s.log_arrives("DEBUG 触摸原始数据: ready"));
    const std::string proc = "/proc/" + std::to_string(s.pids().at(0));
    // The shell holds its script open until it has become sleep; a loaded machine takes a while.
    const auto comm = [&] {
        std::ifstream in(proc + "/comm");
        std::string name;
        std::getline(in, name);
        return name;
    };
    for (int i = 0; i < 500 && comm() != "sleep"; ++i) std::this_thread::sleep_for(10ms);
    ASSERT_EQ(comm(), "sleep");

    // Just after the exec the dynamic loader opens its cache and libraries one at a time, so the
    // listing can look clean between two of them. Once sleep waits in its timer the loader is done,
    // and a descriptor we leaked would still be there.
    const auto asleep = [&] {
        std::ifstream in(proc + "/stat");
        std::string line;
        std::getline(in, line);
        const auto paren = line.rfind(')');
        return paren != std::string::npos && paren + 2 < line.size() && line[paren + 2] == 'S';
    };
    for (int i = 0; i < 500 && !asleep(); ++i) std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(asleep());
    const auto open_fds = [&] {
        Lines fds;
        for (const auto& entry : std::filesystem::directory_iterator(proc + "/fd")) fds.push_back(entry.path().filename());
        std::sort(fds.begin(), fds.end());
        return fds;
    };
    EXPECT_EQ(open_fds(), (Lines{"0", "1", "2"}));
    const auto out = std::filesystem::read_symlink(proc + "/fd/1");
    EXPECT_EQ(out, std::filesystem::read_symlink(proc + "/fd/2"));
    EXPECT_EQ(out.string().rfind("pipe:", 0), 0u) << out;
    EXPECT_EQ(std::filesystem::read_symlink(proc + "/fd/0"), "/dev/null");
    std::ifstream status(proc + "/status");
    unsigned long long ignored = ~0ULL, blocked = ~0ULL;
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigIgn:", 0) == 0) ignored = std::stoull(line.substr(7), nullptr, 16);
        if (line.rfind("SigBlk:", 0) == 0) blocked = std::stoull(line.substr(7), nullptr, 16);
    }
    EXPECT_EQ(ignored & ((1ULL << (SIGPIPE - 1)) | (1ULL << (SIGXFSZ - 1))), 0u);
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
    ASSERT_TRUE(s.log_arrives("ERROR 触摸屏监听错误: queue full"));
    ASSERT_TRUE(eventually([&] { return s.pids().size() == 2; }));
    // The first child's pipe is closed: its next line ends it, and we reap it.
    const std::string first = "/proc/" + std::to_string(s.pids()[0]);
    EXPECT_TRUE(eventually([&] { return !std::filesystem::exists(first); }, 3s)) << "first child not reaped";
    EXPECT_EQ(s.clock.sleeps(), std::vector<double>{3.0});
}

TEST(Child, ReaderThatClosesItsOutputButRunsOnCausesNoBusyLoop) {
    test::TempDir dir;
    Supervision s(dir.script("touchreader", "exec >&- 2>&-\nsleep 1\nexit 3\n"));
    s.stop_at_pause(1);
    timespec before{}, after{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &before);
    s.start();
    ASSERT_TRUE(s.log_arrives("WARNING 触摸屏进程退出，返回码: 3"));
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &after);
    const double cpu = static_cast<double>(after.tv_sec - before.tv_sec) + (after.tv_nsec - before.tv_nsec) / 1e9;
    EXPECT_LT(cpu, 0.3) << "the supervisor spun while the reader ran without output";
}

}  // namespace
}  // namespace ts::input
