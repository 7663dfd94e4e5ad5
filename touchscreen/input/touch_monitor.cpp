#include "touch_monitor.hpp"

#include "bus_access.hpp"

#include "line_parser.hpp"

#include "../core/events.hpp"
#include "../core/sdl_types.hpp"

#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <optional>
#include <mutex>
#include <system_error>
#include <vector>

namespace ts::input {
namespace {

using core::log::Level;

constexpr double kRestartPause = 3.0;  // seconds, after an exit and after an error
constexpr int kReadyWaitMs = 100;      // readiness wait of one pass
constexpr std::size_t kReadBlock = 4096;  // bytes per read(2)

// Held across a push, so SDL_Quit never runs under one.
std::mutex g_post_lock;
bool g_posting_open = true;  // under g_post_lock

}  // namespace

void post_to_sdl(const SDL_Event& event) {
    std::lock_guard lock(g_post_lock);
    if (!g_posting_open) return;
    SDL_Event copy = event;
    if (SDL_PushEvent(&copy) < 0) throw core::SdlError("SDL_PushEvent");
}

void set_posting_to_sdl(bool open) noexcept {
    std::lock_guard lock(g_post_lock);
    g_posting_open = open;
}

namespace {

class Supervisor {
public:
    Supervisor(core::Clock& clock, TouchMonitorOptions options) : clock_(clock), o_(std::move(options)) {
        if (!o_.post) o_.post = post_to_sdl;
        if (!o_.log) o_.log = [](Level level, std::string_view m) { core::log::write(level, m); };
        if (!o_.launch) o_.launch = start_reader;
        if (!o_.diagnose) {
            // The reader's bus and address are fixed.
            o_.diagnose = [] { return touch_bus_problem("", "/dev/i2c-2", 0x2C, own_identity()); };
        }
    }

    void run() {
        const std::string touch_path = o_.touch_path.empty() ? _get_touch_path() : o_.touch_path;
        o_.log(Level::INFO, "触摸屏工具路径: " + touch_path);
        struct stat st{};
        if (::stat(touch_path.c_str(), &st) != 0) {
            o_.log(Level::ERROR, "触摸屏工具不存在: " + touch_path);
            return;
        }
        while (!stopping()) {
            try {
                reap_orphans();
                o_.log(Level::INFO, "启动触摸屏监听进程");
                child_ = o_.launch(touch_path);
                o_.log(Level::INFO, "触摸屏监听进程已启动");
                if (!read_until_exit()) break;
                o_.log(Level::WARNING, "触摸屏进程退出，3秒后重启");
                clock_.sleep_for(kRestartPause);
            } catch (const std::exception& e) {
                abandon_child();
                o_.log(Level::ERROR, std::string("触摸屏监听错误: ") + e.what());
                clock_.sleep_for(kRestartPause);
            }
        }
        end_children();
    }

private:
    bool stopping() const { return o_.stop && o_.stop->load(); }

    // Once per cause, until it changes: the reader restarts every 3 s for as long as it lasts.
    void explain_exit(int status) {
        std::string cause = status == 0 ? "" : o_.diagnose();
        if (cause == explained_) return;
        if (!cause.empty()) o_.log(Level::WARNING, "touch reader: cannot use its bus: " + cause);
        explained_ = std::move(cause);
    }

    // One pass after another until the child has exited (true; it is reaped) or a stop
    // request (false). A pass hands out at most one line.
    bool read_until_exit() {
        LineBuffer lines;
        bool at_eof = false;
        for (;;) {
            if (stopping()) return false;
            if (!orphans_.empty()) reap_orphans();
            if (const std::optional<int> status = reap_if_exited(child_->pid)) {
                child_.reset();
                o_.log(Level::WARNING, "触摸屏进程退出，返回码: " + std::to_string(*status));
                explain_exit(*status);
                return true;
            }
            // Lines already held go out before any wait: a burst costs no readiness time-outs.
            std::optional<std::string> line = lines.next_line();
            if (!line) {
                if (!wait_readable(at_eof)) continue;
                char block[kReadBlock];
                const ssize_t n = ::read(child_->output.get(), block, sizeof block);
                if (n < 0) {
                    if (errno == EINTR || errno == EAGAIN) continue;
                    throw std::system_error(errno, std::generic_category(), "read");
                }
                if (n == 0) {
                    at_eof = true;
                    line = lines.finish();
                } else {
                    lines.feed(block, static_cast<std::size_t>(n));
                    line = lines.next_line();
                }
                if (!line) continue;
            }
            handle_line(*line);
        }
    }

    // Waits up to 0.1 s for output, or for the child's end. Once the pipe is at end of file
    // it is always "readable", so it leaves the wait: a child that closed its output but
    // runs on must not turn this loop into a busy one.
    bool wait_readable(bool at_eof) {
        pollfd fds[2];
        nfds_t count = 0;
        const bool watch_output = !at_eof;
        if (watch_output) fds[count++] = {child_->output.get(), POLLIN, 0};
        if (child_->exit_fd) fds[count++] = {child_->exit_fd.get(), POLLIN, 0};
        const int rc = ::poll(fds, count, kReadyWaitMs);
        if (rc < 0) {
            if (errno == EINTR) return false;
            throw std::system_error(errno, std::generic_category(), "poll");
        }
        return watch_output && fds[0].revents != 0;
    }

    void handle_line(const std::string& raw) {
        const ParsedLine line = parse_touch_line(raw);
        if (line.kind == ParsedLine::Kind::empty) return;
        o_.log(Level::DEBUG, "触摸原始数据: " + line.text);
        if (line.kind == ParsedLine::Kind::release) {
            o_.post(core::make_touch_end_event());
            o_.log(Level::DEBUG, "触摸结束事件");
        } else if (line.kind == ParsedLine::Kind::point) {
            const TouchXY p = picture_point(line.x, line.y, o_.rotation, o_.width, o_.height);
            o_.post(core::make_touch_event(p.x, p.y));
        }
    }

    // After an error the child may still run: its pipe is closed (it ends at its next line)
    // and it is reaped later, so neither pipes nor processes pile up.
    void abandon_child() {
        if (!child_) return;
        if (child_->pid > 0) orphans_.push_back(child_->pid);
        child_.reset();
    }

    void reap_orphans() {
        std::erase_if(orphans_, [](pid_t pid) {
            try {
                return reap_if_exited(pid).has_value();
            } catch (const std::system_error&) {
                return true;  // not our child any more
            }
        });
    }

    // Only on a test's stop request: leave nothing running behind.
    void end_children() {
        abandon_child();
        for (pid_t pid : orphans_) {
            ::kill(pid, SIGKILL);
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
        orphans_.clear();
    }

    core::Clock& clock_;
    TouchMonitorOptions o_;
    std::optional<ReaderProcess> child_;
    std::string explained_;  // the cause last logged by explain_exit
    std::vector<pid_t> orphans_;
};

}  // namespace

std::string _touch_path_from(const std::string& self_link, const std::string& argv0, const char* path_env) {
    // The kernel's link names the executable itself, so a start through a link in bin/ still
    // finds the reader in the program folder.
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink(self_link, ec);
    if (ec || !self.is_absolute()) {
        // Without /proc: the name we were started with, found on PATH when it has no slash,
        // with its links resolved the same way.
        self = argv0;
        if (argv0.find('/') == std::string::npos && path_env != nullptr) {
            std::string_view dirs = path_env;
            while (!dirs.empty()) {
                const std::size_t colon = std::min(dirs.find(':'), dirs.size());
                const std::filesystem::path candidate =
                    std::filesystem::path(colon == 0 ? "." : dirs.substr(0, colon)) / argv0;
                if (::access(candidate.c_str(), X_OK) == 0) {
                    self = candidate;
                    break;
                }
                dirs.remove_prefix(std::min(colon + 1, dirs.size()));
            }
        }
        if (std::filesystem::path absolute = std::filesystem::absolute(self, ec); !ec) {
            std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, ec);
            self = ec ? absolute : resolved;
        }
    }
    return (self.parent_path() / "touchreader").string();
}

std::string _get_touch_path() {
    return _touch_path_from("/proc/self/exe", program_invocation_name, std::getenv("PATH"));
}

void _touch_monitor_thread(core::Clock& clock, TouchMonitorOptions options) {
    Supervisor(clock, std::move(options)).run();
}

}  // namespace ts::input
