#include "console.hpp"

#include "../core/log.hpp"

#include <fcntl.h>
#include <linux/kd.h>
#include <linux/vt.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <string>

namespace ts::display {

int DeviceSystem::open(const char* path, int flags) { return ::open(path, flags | O_CLOEXEC); }
int DeviceSystem::ioctl(int fd, unsigned long request, void* arg) { return ::ioctl(fd, request, arg); }
int DeviceSystem::close(int fd) { return ::close(fd); }

namespace {

constexpr int kReleaseSignal = SIGUSR1;
constexpr int kAcquireSignal = SIGUSR2;

// Set by the handlers (any thread), taken by the main thread in poll(). Lock-free, so safe
// from a signal handler.
std::atomic<bool> g_release_asked{false};
std::atomic<bool> g_acquire_asked{false};
// One console at a time owns the two signals.
std::atomic<bool> g_signals_taken{false};
struct sigaction g_old_release {}, g_old_acquire {};

void on_release(int) { g_release_asked.store(true); }
void on_acquire(int) { g_acquire_asked.store(true); }

void* int_arg(long v) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(v)); }

bool install_handlers() {
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // the other threads' calls go on undisturbed
    action.sa_handler = on_release;
    if (sigaction(kReleaseSignal, &action, &g_old_release) != 0) return false;
    action.sa_handler = on_acquire;
    if (sigaction(kAcquireSignal, &action, &g_old_acquire) != 0) {
        sigaction(kReleaseSignal, &g_old_release, nullptr);
        return false;
    }
    return true;
}

void restore_handlers() {
    sigaction(kReleaseSignal, &g_old_release, nullptr);
    sigaction(kAcquireSignal, &g_old_acquire, nullptr);
}

}  // namespace

Console::Console(std::shared_ptr<DeviceSystem> sys) : sys_(std::move(sys)) {
    tty_ = sys_->open("/dev/tty", O_RDWR);
    if (tty_ < 0) return;  // no controlling terminal
    int mode = 0;
    if (sys_->ioctl(tty_, KDGETMODE, &mode) != 0 || sys_->ioctl(tty_, KDSETMODE, int_arg(KD_GRAPHICS)) != 0) {
        sys_->close(tty_);  // a pty or a serial line: nothing to hide the picture from
        tty_ = -1;
        return;
    }
    if (g_signals_taken.exchange(true)) return;
    // The handlers first: the default action of SIGUSR1 would end the program.
    g_release_asked.store(false);
    g_acquire_asked.store(false);
    if (!install_handlers()) {
        g_signals_taken.store(false);
        return;
    }
    vt_mode process{};
    process.mode = VT_PROCESS;
    process.relsig = kReleaseSignal;
    process.acqsig = kAcquireSignal;
    if (sys_->ioctl(tty_, VT_SETMODE, &process) != 0) {
        core::log::warning(std::string("console: VT switches cannot be followed (") + std::strerror(errno) +
                           "); the picture is lost after one until it next changes");
        restore_handlers();
        g_signals_taken.store(false);
        return;
    }
    switching_ = true;
}

Console::~Console() {
    if (tty_ < 0) return;
    if (switching_) {
        poll();  // a switch asked for now is let through rather than dropped
        vt_mode automatic{};
        automatic.mode = VT_AUTO;
        sys_->ioctl(tty_, VT_SETMODE, &automatic);
        // After VT_AUTO: no switch signal comes any more to meet the default handlers.
        restore_handlers();
        g_signals_taken.store(false);
    }
    sys_->ioctl(tty_, KDSETMODE, int_arg(KD_TEXT));
    sys_->close(tty_);
}

Console::Switch Console::poll(const std::function<void()>& before_release) {
    if (!switching_) return Switch::none;
    Switch done = Switch::none;
    if (g_release_asked.exchange(false) && active_) {
        if (before_release) before_release();
        // Refused by the kernel when no switch is pending (a stray SIGUSR1): the VT stays ours.
        if (sys_->ioctl(tty_, VT_RELDISP, int_arg(1)) == 0) {
            active_ = false;
            done = Switch::released;
        } else if (before_release) {
            done = Switch::acquired;  // what before_release gave up is taken back
        }
    }
    if (g_acquire_asked.exchange(false)) {
        sys_->ioctl(tty_, VT_RELDISP, int_arg(VT_ACKACQ));
        active_ = true;
        done = Switch::acquired;
    }
    return done;
}

}  // namespace ts::display
