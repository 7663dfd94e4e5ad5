// Starting the touch reader as a child: its standard output and standard error share one
// pipe, and nothing else of ours reaches it. Used by the touch thread only.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace ts::input {

// Sole owner of one file descriptor; -1 when empty.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) noexcept : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const noexcept { return fd_; }
    explicit operator bool() const noexcept { return fd_ >= 0; }
    void reset() noexcept;

private:
    int fd_ = -1;
};

struct ReaderProcess {
    pid_t pid = -1;
    UniqueFd output;   // read end of the pipe carrying the child's stdout and stderr
    UniqueFd exit_fd;  // readable once the child has ended; empty where the kernel has no pidfd
};

// Runs path with the argument vector {path}; stdin, working directory, environment and
// process group are ours; SIGPIPE and SIGXFSZ at their defaults and no signal blocked.
// Throws std::system_error carrying the system's reason when the child cannot be started.
ReaderProcess start_reader(const std::string& path);

// Without blocking: the exit status once the child has ended (the negative signal number
// when a signal ended it), reaping it; nothing while it runs.
std::optional<int> reap_if_exited(pid_t pid);

using ReaderLauncher = std::function<ReaderProcess(const std::string& path)>;

}  // namespace ts::input
