// The real touchscreen program, copied into a folder beside a script named touchreader that
// swipes as the reader would: left, right, then down. The dashboard must log the three
// gestures and stop with status 0 on SIGTERM.
#include "reader_scripts.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using namespace std::chrono_literals;

// One line per 20 ms with a millisecond timestamp; a pause after each swipe lets the slide
// and the cooldown end. Once the dashboard is gone the next "idle" line ends the script.
const char* kSwipes = R"(line() { echo "$(date +%s%3N) $1 $2"; sleep 0.02; }
release() { line -1 -1; sleep 1.5; }
sleep 0.5
for x in 300 280 260 240 220 200; do line $x 500; done; release
for x in 100 120 140 160 180 200; do line $x 500; done; release
for y in 300 320 340 360 380; do line 180 $y; done; release
while :; do sleep 0.2; echo idle; done
)";

std::string slurp(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(EndToEnd, SwipesFromTheReaderReachTheDashboard) {
    ts::test::TempDir dir;
    const std::string program = dir.path() + "/touchscreen";
    std::filesystem::copy_file(TOUCHSCREEN_BINARY, program);
    dir.script("touchreader", kSwipes);
    const std::string log_path = dir.path() + "/stderr.log";

    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("TOUCHSCREEN_SETTINGS", (dir.path() + "/settings.conf").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
        dup2(open(log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }

    const std::string wanted[] = {"向左滑，从第1页切换到第2页", "向右滑，从第2页切换到第1页", "下滑打开控制中心"};
    std::string log;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline) {
        log = slurp(log_path);
        if (log.find(wanted[2]) != std::string::npos) break;
        std::this_thread::sleep_for(50ms);
    }
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    log = slurp(log_path);

    std::size_t at = 0;
    for (const std::string& line : wanted) {
        const std::size_t found = log.find(" - INFO - " + line + "\n", at);
        EXPECT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << log;
        if (found != std::string::npos) at = found;
    }
    EXPECT_NE(log.find("INFO - 触摸屏工具路径: " + dir.path() + "/touchreader\n"), std::string::npos) << log;
    ASSERT_TRUE(WIFEXITED(status)) << log;
    EXPECT_EQ(WEXITSTATUS(status), 0) << log;
}

}  // namespace
