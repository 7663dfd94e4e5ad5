#include "child_process.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

extern char** environ;

namespace ts::input {
namespace {

[[noreturn]] void fail(int error, const std::string& what) {
    throw std::system_error(error, std::generic_category(), what);
}

// posix_spawn's attribute and action objects, destroyed on every path out.
struct SpawnSetup {
    posix_spawn_file_actions_t actions{};
    posix_spawnattr_t attributes{};
    SpawnSetup() {
        if (const int rc = posix_spawn_file_actions_init(&actions); rc != 0) fail(rc, "posix_spawn_file_actions_init");
        if (const int rc = posix_spawnattr_init(&attributes); rc != 0) {
            posix_spawn_file_actions_destroy(&actions);
            fail(rc, "posix_spawnattr_init");
        }
    }
    ~SpawnSetup() {
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

void check(int rc, const char* what) {
    if (rc != 0) fail(rc, what);
}

}  // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        reset();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void UniqueFd::reset() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

ReaderProcess start_reader(const std::string& path) {
    // Both ends close-on-exec: another thread's child must never hold our write end, or
    // the reader's exit would not reach us as end of file.
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) fail(errno, "pipe2");
    UniqueFd read_end(ends[0]), write_end(ends[1]);

    SpawnSetup setup;
    // dup2 clears close-on-exec on 1 and 2; everything above 2 is closed as well, which also
    // covers descriptors that some library opened without close-on-exec.
    // The reader reads nothing from its standard input: the service's console stays ours.
    check(posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0), "addopen");
    check(posix_spawn_file_actions_adddup2(&setup.actions, write_end.get(), STDOUT_FILENO), "adddup2");
    check(posix_spawn_file_actions_adddup2(&setup.actions, write_end.get(), STDERR_FILENO), "adddup2");
    check(posix_spawn_file_actions_addclosefrom_np(&setup.actions, STDERR_FILENO + 1), "addclosefrom");

    // The reader must die of SIGPIPE once we are gone, whatever we ignore or block here.
    sigset_t to_default, no_mask;
    sigemptyset(&to_default);
    sigaddset(&to_default, SIGPIPE);
    sigaddset(&to_default, SIGXFSZ);
    sigemptyset(&no_mask);
    check(posix_spawnattr_setsigdefault(&setup.attributes, &to_default), "setsigdefault");
    check(posix_spawnattr_setsigmask(&setup.attributes, &no_mask), "setsigmask");
    check(posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK), "setflags");

    std::string arg0 = path;
    char* argv[] = {arg0.data(), nullptr};
    pid_t pid = -1;
    // posix_spawn reports a failed exec (missing file, no execute permission) as its result.
    if (const int rc = posix_spawn(&pid, path.c_str(), &setup.actions, &setup.attributes, argv, environ); rc != 0) {
        fail(rc, "cannot start " + path);
    }

    ReaderProcess child;
    child.pid = pid;
    child.output = std::move(read_end);
    child.exit_fd = UniqueFd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));  // close-on-exec; -1 on old kernels
    return child;
}

std::optional<int> reap_if_exited(pid_t pid) {
    int status = 0;
    pid_t got;
    do {
        got = waitpid(pid, &status, WNOHANG);
    } while (got < 0 && errno == EINTR);
    if (got < 0) fail(errno, "waitpid");
    if (got == 0) return std::nullopt;
    if (WIFSIGNALED(status)) return -WTERMSIG(status);
    return WEXITSTATUS(status);
}

}  // namespace ts::input
