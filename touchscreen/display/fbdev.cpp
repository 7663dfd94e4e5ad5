#include "fbdev.hpp"

#include "../core/log.hpp"

#include <fcntl.h>
#include <linux/fb.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace ts::display {

void* FbSystem::mmap(std::size_t length, int fd) {
    return ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
}
int FbSystem::munmap(void* addr, std::size_t length) { return ::munmap(addr, length); }
int FbSystem::fsync(int fd) { return ::fsync(fd); }

namespace {

std::runtime_error failure(const std::string& path, const std::string& what) {
    return std::runtime_error("framebuffer " + path + ": " + what);
}

std::string errno_text() { return std::strerror(errno); }

}  // namespace

FbdevPresenter::FbdevPresenter(const std::string& path, int rotation, int w, int h, std::shared_ptr<FbSystem> sys)
    : sys_(std::move(sys)), path_(path), rotation_(rotation) {
    if (rotation != 0 && rotation != 90 && rotation != 180 && rotation != 270) {
        throw failure(path, "rotation " + std::to_string(rotation) + " is not 0, 90, 180 or 270");
    }
    fd_ = sys_->open(path.c_str(), O_RDWR);
    if (fd_ < 0) throw failure(path, "cannot open: " + errno_text());
    try {
        fb_fix_screeninfo fix{};
        fb_var_screeninfo var{};
        if (sys_->ioctl(fd_, FBIOGET_FSCREENINFO, &fix) != 0 || sys_->ioctl(fd_, FBIOGET_VSCREENINFO, &var) != 0) {
            throw failure(path, "not a framebuffer device (" + errno_text() + ")");
        }
        if (fix.type != FB_TYPE_PACKED_PIXELS) {
            throw failure(path, "pixel type " + std::to_string(fix.type) + " is not packed pixels");
        }
        if (fix.visual != FB_VISUAL_TRUECOLOR) {
            throw failure(path, "visual " + std::to_string(fix.visual) + " is not true colour (palette framebuffers are not supported)");
        }
        if (var.xres == 0 || var.yres == 0 || var.xres_virtual < var.xres) {
            throw failure(path, "reports an empty screen");
        }
        // Some drivers report 16 or 24 bits a pixel on rows of exactly 4 bytes a pixel: that
        // stride tells the truth. Any other stride is padding (rows aligned to 64 bytes or more
        // make a narrow 16-bit screen's rows 3 or 4 bytes a pixel long).
        int bytes = static_cast<int>(var.bits_per_pixel / 8);
        if ((bytes == 2 || bytes == 3) && fix.line_length == 4u * var.xres_virtual) bytes = 4;
        PixelLayout layout{bytes,
                           static_cast<int>(var.red.offset),   static_cast<int>(var.red.length),
                           static_cast<int>(var.green.offset), static_cast<int>(var.green.length),
                           static_cast<int>(var.blue.offset),  static_cast<int>(var.blue.length)};
        const auto field_ok = [&](int off, int len) { return len >= 1 && len <= 8 && off >= 0 && off + len <= 8 * bytes; };
        if (bytes < 2 || bytes > 4 || !field_ok(layout.red_offset, layout.red_length) ||
            !field_ok(layout.green_offset, layout.green_length) || !field_ok(layout.blue_offset, layout.blue_length)) {
            throw failure(path, std::to_string(var.bits_per_pixel) + "-bit format (red " + std::to_string(var.red.length) +
                                    "@" + std::to_string(var.red.offset) + ", green " + std::to_string(var.green.length) +
                                    "@" + std::to_string(var.green.offset) + ", blue " + std::to_string(var.blue.length) +
                                    "@" + std::to_string(var.blue.offset) + ") is not supported");
        }
        const bool turned = rotation == 90 || rotation == 270;
        const int pw = turned ? h : w, ph = turned ? w : h;
        const int vw = static_cast<int>(var.xres), vh = static_cast<int>(var.yres);
        if (vw < pw || vh < ph) {
            throw failure(path, std::to_string(vw) + "x" + std::to_string(vh) + " is smaller than the picture (" +
                                    std::to_string(pw) + "x" + std::to_string(ph) + " at rotation " +
                                    std::to_string(rotation) + ")");
        }
        const std::size_t stride = fix.line_length;
        const std::size_t first = static_cast<std::size_t>(var.yoffset) * stride + std::size_t{var.xoffset} * bytes;
        const std::size_t span = (static_cast<std::size_t>(vh) - 1) * stride + static_cast<std::size_t>(vw) * bytes;
        if (stride < static_cast<std::size_t>(vw) * bytes || fix.smem_len < first + span) {
            throw failure(path, "its memory (" + std::to_string(fix.smem_len) + " bytes) does not hold the visible screen");
        }
        map_len_ = fix.smem_len;
        void* m = sys_->mmap(map_len_, fd_);
        if (m == MAP_FAILED || m == nullptr) throw failure(path, "cannot map its memory: " + errno_text());
        map_ = static_cast<std::uint8_t*>(m);

        visible_ = map_ + first;
        screen_w_ = vw;
        screen_h_ = vh;
        picture_w_ = pw;
        picture_h_ = ph;
        target_.layout = layout;
        target_.stride = static_cast<int>(stride);
        target_.origin = visible_ + static_cast<std::size_t>((vh - ph) / 2) * stride +
                         static_cast<std::size_t>((vw - pw) / 2) * bytes;
        // Black around a picture smaller than the screen, and under it until it is drawn.
        const std::uint32_t black = pack(0, layout);
        for (int y = 0; y < vh; ++y) {
            std::uint8_t* row = visible_ + static_cast<std::size_t>(y) * stride;
            for (int x = 0; x < vw; ++x) std::memcpy(row + static_cast<std::size_t>(x) * bytes, &black, bytes);
        }

        frame_ = core::make_opaque_surface(w, h);

        blank(FB_BLANK_UNBLANK);  // not every driver blanks
        // The console must not draw its text or cursor over the picture.
        console_ = std::make_unique<Console>(sys_);
    } catch (...) {
        if (map_) sys_->munmap(map_, map_len_);
        sys_->close(fd_);
        throw;
    }
    flusher_ = std::thread([this] { flush_loop(); });
}

FbdevPresenter::~FbdevPresenter() {
    {
        std::lock_guard lock(flush_lock_);
        stopping_ = true;
    }
    flush_wanted_.notify_one();
    if (flusher_.joinable()) flusher_.join();
    if (blanked_ && console_->active()) blank(FB_BLANK_UNBLANK);  // the console's text must be seen
    console_.reset();
    sys_->munmap(map_, map_len_);
    sys_->close(fd_);
}

void FbdevPresenter::present(std::span<const RowBand> bands) {
    if (bands.empty() || blanked_ || !console_->active()) return;
    SDL_Surface* f = frame_.get();
    const Source src{static_cast<const std::uint32_t*>(f->pixels), f->w, f->h, f->pitch / 4};
    for (const RowBand& b : bands) convert_rows(src, b.y0, b.y1, target_, rotation_);
    {
        std::lock_guard lock(flush_lock_);
        flush_pending_ = true;
    }
    flush_wanted_.notify_one();
}

int FbdevPresenter::blank(int how) {
    return sys_->ioctl(fd_, FBIOBLANK, reinterpret_cast<void*>(static_cast<std::intptr_t>(how)));
}

bool FbdevPresenter::take_lost_picture() {
    // A VT in graphics mode is not unblanked by the console: the other VT's text is shown lit,
    // and the screen is powered down again on the return while it is off.
    const Console::Switch got = console_->poll([this] {
        if (blanked_) blank(FB_BLANK_UNBLANK);
    });
    if (got != Console::Switch::acquired) return false;
    // Only the picture's rows are ever written again, never the margins; while powered down
    // that waits for the wake.
    if (!blanked_) blacken_margins();
    if (blanked_ && blank(FB_BLANK_POWERDOWN) != 0) {
        blanked_ = false;  // the frame loop shows black meanwhile
        core::log::warning("fbdev: " + path_ + ": cannot power down again after another VT (" + errno_text() +
                           "); screen off shows a black picture");
    }
    return true;
}

void FbdevPresenter::set_output_power(bool on) {
    if (on) {
        if (!blanked_) return;
        blanked_ = false;
        if (console_->active() && blank(FB_BLANK_UNBLANK) != 0) {
            core::log::warning("fbdev: " + path_ + ": cannot unblank (" + errno_text() + ")");
        }
        if (console_->active()) blacken_margins();  // another VT may have drawn there meanwhile
        return;
    }
    if (blanked_) return;
    if (console_->active() && blank(FB_BLANK_POWERDOWN) != 0) {  // away: powered down on the return
        if (!told_blank_failed_) {
            core::log::warning("fbdev: " + path_ + ": cannot power down (FBIOBLANK: " + errno_text() +
                               "); screen off shows a black picture");
        }
        told_blank_failed_ = true;
        return;
    }
    blanked_ = true;
    if (!told_blank_) core::log::info("fbdev: screen off powers " + path_ + " down (FBIOBLANK)");
    told_blank_ = true;
}

void FbdevPresenter::blacken_margins() {
    const int bytes = target_.layout.bytes;
    const std::uint32_t black = pack(0, target_.layout);
    const int left = (screen_w_ - picture_w_) / 2, top = (screen_h_ - picture_h_) / 2;
    const auto fill = [&](std::uint8_t* row, int x0, int x1) {
        for (int x = x0; x < x1; ++x) std::memcpy(row + static_cast<std::size_t>(x) * bytes, &black, bytes);
    };
    for (int y = 0; y < screen_h_; ++y) {
        std::uint8_t* row = visible_ + static_cast<std::size_t>(y) * static_cast<std::size_t>(target_.stride);
        if (y < top || y >= top + picture_h_) {
            fill(row, 0, screen_w_);
        } else {
            fill(row, 0, left);
            fill(row, left + picture_w_, screen_w_);
        }
    }
}

void FbdevPresenter::flush_loop() {
    std::unique_lock lock(flush_lock_);
    for (;;) {
        flush_wanted_.wait(lock, [this] { return flush_pending_ || stopping_; });
        if (stopping_) return;
        flush_pending_ = false;
        lock.unlock();
        // Deferred-I/O drivers (fbtft) send the frame now instead of at their next tick;
        // others return at once. A failure only delays the picture.
        sys_->fsync(fd_);
        lock.lock();
    }
}

std::unique_ptr<Presenter> open_fbdev(const std::string& path, int rotation, int w, int h) {
    return std::make_unique<FbdevPresenter>(path, rotation, w, h);
}

}  // namespace ts::display
