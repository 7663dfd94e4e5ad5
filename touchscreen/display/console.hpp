// The virtual terminal under a presenter that writes to the glass itself (framebuffer, KMS):
// graphics mode so the console draws no text over the picture, and VT switches answered by
// the frame loop, because the console draws over our picture while another VT is shown and
// leaves it lost when the user comes back.
#pragma once

#include <functional>
#include <memory>

namespace ts::display {

// The device calls a console or a presenter makes; tests stand in for the devices with their
// own. Each returns what the libc call returns, with errno set on failure.
class DeviceSystem {
public:
    virtual ~DeviceSystem() = default;
    virtual int open(const char* path, int flags);  // close-on-exec is added
    virtual int ioctl(int fd, unsigned long request, void* arg);
    virtual int close(int fd);
};

class Console {
public:
    // Takes the controlling VT when there is one: KD_GRAPHICS, and switches by signal
    // (VT_PROCESS, SIGUSR1 to let go, SIGUSR2 on return). Without a VT (ssh, a service with no
    // tty, a pty) it does nothing and says nothing. Main thread.
    explicit Console(std::shared_ptr<DeviceSystem> sys);
    // Back to VT_AUTO, the previous signal handlers and KD_TEXT.
    ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    enum class Switch { none, released, acquired };
    // Main thread, once a frame: answers a switch the kernel asked for since the last call.
    // `released`: the VT was let go, after before_release ran (a KMS presenter drops DRM
    // master there); nothing may be written to the device until `acquired`, after which the
    // whole picture must be shown again.
    Switch poll(const std::function<void()>& before_release = {});

    // False between a release and the return: the device is not ours to write.
    bool active() const { return active_; }
    // Whether switches come to us at all (a VT in process-controlled mode).
    bool switching() const { return switching_; }

private:
    std::shared_ptr<DeviceSystem> sys_;
    int tty_ = -1;
    bool switching_ = false;
    bool active_ = true;
};

}  // namespace ts::display
