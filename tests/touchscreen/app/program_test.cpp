// The real dashboard binary, headless, with no touch reader beside it: the start-up lines,
// a clean exit on SIGTERM or SIGINT.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <fcntl.h>
#include <poll.h>

namespace {

namespace fs = std::filesystem;

class Program {
public:
    explicit Program(const fs::path& dir) {
        const fs::path binary = dir / "touchscreen";
        fs::copy_file(TOUCHSCREEN_BINARY, binary, fs::copy_options::overwrite_existing);
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe2");
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[1], 2);
            setenv("SDL_VIDEODRIVER", "dummy", 1);
            setenv("TOUCHSCREEN_SETTINGS", (dir / "settings.conf").c_str(), 1);
            // Never the configuration of the machine the tests run on.
            setenv("TOUCHSCREEN_CONFIG", (dir / "config.toml").c_str(), 1);
            execl(binary.c_str(), binary.c_str(), nullptr);
            _exit(127);
        }
        close(fds[1]);
        fd_ = fds[0];
    }
    ~Program() {
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(fd_);
    }

    // Reads standard error until `text` appears or the time runs out.
    bool wait_for(const std::string& text, std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (err_.find(text) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char buf[4096];
            const ssize_t n = read(fd_, buf, sizeof buf);
            if (n <= 0) return err_.find(text) != std::string::npos;
            err_.append(buf, static_cast<std::size_t>(n));
        }
        return true;
    }

    // Exit status, or -1 when it has not exited within the limit.
    int wait_exit(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        reaped_ = true;
        wait_for("\n\n", std::chrono::milliseconds(200));  // drain what is left
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    pid_t pid() const { return pid_; }
    const std::string& stderr_text() const { return err_; }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    bool reaped_ = false;
    std::string err_;
};

fs::path fresh_dir(const std::string& name) {
    const fs::path dir = fs::temp_directory_path() / ("ts-program-" + name + "-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

class ProgramStop : public ::testing::TestWithParam<int> {};

TEST_P(ProgramStop, StartsInOrderAndStopsCleanlyOnSignal) {
    const int sig = GetParam();
    const fs::path dir = fresh_dir(std::to_string(sig));
    Program program(dir);
    ASSERT_TRUE(program.wait_for("进入主循环\n", std::chrono::seconds(20))) << program.stderr_text();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // a few frames
    kill(program.pid(), sig);
    // Within one frame, plus generous slack for a loaded machine.
    EXPECT_EQ(program.wait_exit(std::chrono::seconds(2)), 0);
    const std::string& err = program.stderr_text();
    const std::vector<std::string> in_order{"启动触屏显示", "屏幕初始化完成", "数据管理器启动", "刷新线程启动",
                                            "触摸监听线程启动", "进入主循环",
                                            "收到停止信号 (" + std::to_string(sig) + ")，准备优雅退出...",
                                            "屏幕监控主循环已退出"};
    std::size_t at = 0;
    for (const std::string& line : in_order) {
        const std::size_t found = err.find(" - INFO - " + line + "\n", at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << err;
        at = found;
    }
    EXPECT_EQ(err.find("ERROR - 错误"), std::string::npos) << err;
    fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Signals, ProgramStop, ::testing::Values(SIGTERM, SIGINT));

void save_by_rename(const fs::path& dir, const std::string& text) {
    const fs::path tmp = dir / "config.toml.new";
    FILE* f = fopen(tmp.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs(text.c_str(), f);
    fclose(f);
    fs::rename(tmp, dir / "config.toml");
}

TEST(ProgramConfig, ReportsTheFileReloadsItLiveAndRidesOutABadOne) {
    const fs::path dir = fresh_dir("config");
    save_by_rename(dir, "[weather]\nlatitdue = 3\n[refresh]\ncpu = \"fast\"\nmemory = 0\n");
    Program program(dir);
    ASSERT_TRUE(program.wait_for("进入主循环\n", std::chrono::seconds(20))) << program.stderr_text();
    const std::string file = (dir / "config.toml").string();
    EXPECT_NE(program.stderr_text().find("INFO - configuration: using " + file), std::string::npos);
    EXPECT_NE(program.stderr_text().find("WARNING - configuration: " + file +
                                         ":2:1: unknown key 'latitdue' in [weather]; did you mean 'latitude'?"),
              std::string::npos)
        << program.stderr_text();
    EXPECT_NE(program.stderr_text().find("ERROR - configuration: " + file + ":4:7: [refresh] cpu:"), std::string::npos);
    EXPECT_NE(program.stderr_text().find("WARNING - configuration: " + file +
                                         ":5:10: [refresh] memory: 0 is outside 0.2 to 3600 seconds; 0.2 is used"),
              std::string::npos)
        << program.stderr_text();

    save_by_rename(dir, "[clock]\nformat = \"12h\"\n");
    // Two seconds from the save to the screen.
    EXPECT_TRUE(program.wait_for("INFO - configuration: reloaded\n", std::chrono::seconds(2))) << program.stderr_text();
    save_by_rename(dir, "[clock\n");
    EXPECT_TRUE(program.wait_for("keeping the previous configuration\n", std::chrono::seconds(2))) << program.stderr_text();

    kill(program.pid(), SIGTERM);
    EXPECT_EQ(program.wait_exit(std::chrono::seconds(2)), 0);
    fs::remove_all(dir);
}

}  // namespace
