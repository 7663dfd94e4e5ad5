// Frames on a Linux framebuffer device (/dev/fbN): SPI panels through fbtft and boards whose
// display exposes nothing else. Packed true-colour framebuffers only; the picture is turned
// and converted to the device's format as its changed rows are written. Main thread only,
// except the flush thread, which only calls fsync.
#pragma once

#include "console.hpp"
#include "convert.hpp"
#include "presenter.hpp"

#include "../core/sdl_types.hpp"

#include <sys/types.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace ts::display {

// The system calls the presenter makes; tests stand in for a device with their own.
// Each returns what the libc call returns, with errno set on failure.
class FbSystem : public DeviceSystem {
public:
    virtual void* mmap(std::size_t length, int fd);  // shared, read and write
    virtual int munmap(void* addr, std::size_t length);
    virtual int fsync(int fd);
};

class FbdevPresenter : public Presenter {
public:
    // Opens and maps the device, unblanks it and puts the console into graphics mode. Throws
    // std::runtime_error naming the device and the cause. w x h: the composed picture.
    FbdevPresenter(const std::string& path, int rotation, int w, int h,
                   std::shared_ptr<FbSystem> sys = std::make_shared<FbSystem>());
    ~FbdevPresenter() override;
    FbdevPresenter(const FbdevPresenter&) = delete;
    FbdevPresenter& operator=(const FbdevPresenter&) = delete;

    SDL_Surface* frame() override { return frame_.get(); }
    // Writes nothing while the console is switched to another VT or the device is powered down.
    void present(std::span<const RowBand> bands) override;
    // Answers the console's switches; true on the return from another VT, with the margins
    // around the picture black again (the other VT's text was drawn there too).
    bool take_lost_picture() override;
    const char* name() const override { return "fbdev"; }
    // FBIOBLANK: FB_BLANK_POWERDOWN at screen off, FB_BLANK_UNBLANK at the wake; unblanked
    // again before the console is let go (another VT, the exit).
    void set_output_power(bool on) override;
    bool output_off() const override { return blanked_; }

    const PixelLayout& layout() const { return target_.layout; }

private:
    void flush_loop();
    int blank(int how);  // 0 or -1 with errno
    // Black on the visible screen around the picture.
    void blacken_margins();

    std::shared_ptr<FbSystem> sys_;
    std::string path_;
    int fd_ = -1;
    std::uint8_t* map_ = nullptr;
    std::size_t map_len_ = 0;
    int rotation_ = 0;
    Target target_;
    std::uint8_t* visible_ = nullptr;  // the visible screen's first pixel
    int screen_w_ = 0, screen_h_ = 0, picture_w_ = 0, picture_h_ = 0;
    core::Surface frame_;
    std::unique_ptr<Console> console_;
    bool blanked_ = false;  // screen off with the device powered down (or to be, once ours again)
    bool told_blank_ = false, told_blank_failed_ = false;
    // fsync of a deferred-I/O device waits for the transfer: it runs on its own thread.
    std::mutex flush_lock_;
    std::condition_variable flush_wanted_;
    bool flush_pending_ = false, stopping_ = false;
    std::thread flusher_;
};

std::unique_ptr<Presenter> open_fbdev(const std::string& path, int rotation, int w, int h);

}  // namespace ts::display
