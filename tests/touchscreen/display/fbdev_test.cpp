// The framebuffer presenter on a fake device: each format with padded rows and a visible
// screen at an offset, centring on a larger screen, rotation, and every way a device can be
// wrong, which must give one clear error and leave nothing open.
#include "display/fbdev.hpp"

#include "log_capture.hpp"

#include <gtest/gtest.h>
#include <linux/fb.h>
#include <linux/kd.h>
#include <linux/vt.h>
#include <sys/mman.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace ts::display {
namespace {

struct FakeFb : FbSystem {
    fb_fix_screeninfo fix{};
    fb_var_screeninfo var{};
    std::vector<std::uint8_t> mem;
    bool exists = true, is_fb = true, mmap_fails = false;
    int open_fds = 0;
    std::atomic<int> fsyncs{0};
    bool unblanked = false;
    int blank_errno = 0;  // FBIOBLANK fails with it when set
    bool vt = false;  // /dev/tty is a virtual terminal
    std::vector<long> tty_modes;  // KDSETMODE values, in order
    std::vector<std::string> calls;  // "blank N", "KDSETMODE N", "VT_RELDISP N", in order
    static constexpr int kTty = 101;

    // A packed true-colour device: xres x yres visible at (xoff, yoff) of a virtual screen
    // `pad` bytes wider per row than needed.
    FakeFb(int xres, int yres, int bpp, PixelLayout l, int xoff = 0, int yoff = 0, int pad = 0) {
        std::strcpy(fix.id, "fake");
        fix.type = FB_TYPE_PACKED_PIXELS;
        fix.visual = FB_VISUAL_TRUECOLOR;
        var.xres = static_cast<unsigned>(xres);
        var.yres = static_cast<unsigned>(yres);
        var.xres_virtual = static_cast<unsigned>(xres + xoff);
        var.yres_virtual = static_cast<unsigned>(yres + yoff);
        var.xoffset = static_cast<unsigned>(xoff);
        var.yoffset = static_cast<unsigned>(yoff);
        var.bits_per_pixel = static_cast<unsigned>(bpp);
        var.red = {static_cast<unsigned>(l.red_offset), static_cast<unsigned>(l.red_length), 0};
        var.green = {static_cast<unsigned>(l.green_offset), static_cast<unsigned>(l.green_length), 0};
        var.blue = {static_cast<unsigned>(l.blue_offset), static_cast<unsigned>(l.blue_length), 0};
        fix.line_length = static_cast<unsigned>((xres + xoff) * l.bytes + pad);
        fix.smem_len = fix.line_length * var.yres_virtual;
        mem.assign(fix.smem_len, 0x5A);
    }

    int open(const char* path, int) override {
        if (std::strcmp(path, "/dev/tty") == 0) {
            if (vt) return kTty;
            errno = ENXIO;  // no controlling terminal
            return -1;
        }
        if (!exists) {
            errno = ENOENT;
            return -1;
        }
        ++open_fds;
        return 100;
    }
    int ioctl(int fd, unsigned long request, void* arg) override {
        if (fd == kTty) {
            if (request == KDGETMODE) *static_cast<int*>(arg) = KD_TEXT;
            const long value = static_cast<long>(reinterpret_cast<std::intptr_t>(arg));
            if (request == KDSETMODE) tty_modes.push_back(value), calls.push_back("KDSETMODE " + std::to_string(value));
            if (request == VT_RELDISP) calls.push_back("VT_RELDISP " + std::to_string(value));
            return 0;
        }
        if (!is_fb) {
            errno = ENOTTY;
            return -1;
        }
        if (request == FBIOGET_FSCREENINFO) std::memcpy(arg, &fix, sizeof fix);
        if (request == FBIOGET_VSCREENINFO) std::memcpy(arg, &var, sizeof var);
        if (request == FBIOBLANK) {
            calls.push_back("blank " + std::to_string(reinterpret_cast<std::intptr_t>(arg)));
            if (blank_errno != 0) return errno = blank_errno, -1;
            unblanked = reinterpret_cast<std::intptr_t>(arg) == FB_BLANK_UNBLANK;
        }
        return 0;
    }
    void* mmap(std::size_t length, int) override {
        if (mmap_fails || length > mem.size()) {
            errno = ENOMEM;
            return MAP_FAILED;
        }
        return mem.data();
    }
    int munmap(void*, std::size_t) override { return 0; }
    int fsync(int) override {
        ++fsyncs;
        return 0;
    }
    int close(int fd) override {
        if (fd == kTty) return 0;
        --open_fds;
        return 0;
    }

    std::uint32_t at(int x, int y, int bytes) const {  // visible screen coordinates
        std::uint32_t v = 0;
        const std::size_t off = (var.yoffset + static_cast<unsigned>(y)) * fix.line_length +
                                (var.xoffset + static_cast<unsigned>(x)) * static_cast<unsigned>(bytes);
        std::memcpy(&v, mem.data() + off, static_cast<std::size_t>(bytes));
        return v;
    }
};

// A picture in which each pixel has its own colour.
void draw_picture(SDL_Surface* s) {
    for (int y = 0; y < s->h; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(s->pixels) + y * s->pitch);
        for (int x = 0; x < s->w; ++x) row[x] = static_cast<std::uint32_t>((x * 71 + y * 13) << 12 | (x * 3 + y * 29));
    }
}

std::uint32_t frame_px(SDL_Surface* s, int x, int y) {
    return reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(s->pixels) + y * s->pitch)[x] & 0xFFFFFF;
}

// Each format on a device larger than the picture, with padded rows and a non-zero offset:
// the whole device shows the picture, converted, centred on black.
TEST(FbdevPresenter, EachFormatCentredOnBlackWithPaddingAndOffsets) {
    const int w = 40, h = 60;
    const struct {
        const char* name;
        int bpp;
        PixelLayout layout;
    } formats[] = {{"xrgb8888", 32, kXrgb8888}, {"xbgr8888", 32, kXbgr8888}, {"rgb565", 16, kRgb565},
                   {"bgr565", 16, kBgr565},     {"rgb888", 24, kRgb888},     {"16 bits said, 4 bytes used", 16, {4, 11, 5, 5, 6, 0, 5}}};
    for (const auto& f : formats) {
        for (const int rotation : {0, 90, 180, 270}) {
            auto fb = std::make_shared<FakeFb>(70, 70, f.bpp, f.layout, 5, 3, 12);
            if (f.layout.bytes == 4 && f.bpp == 16) fb->fix.line_length = 75 * 4;  // no padding: the stride is the hint
            FbdevPresenter p("/dev/fb-fake", rotation, w, h, fb);
            EXPECT_EQ(p.layout().bytes, f.layout.bytes) << f.name;
            EXPECT_TRUE(fb->unblanked);
            draw_picture(p.frame());
            const RowBand all{0, h};
            p.present({&all, 1});
            const bool turned = rotation == 90 || rotation == 270;
            const int ox = (70 - (turned ? h : w)) / 2, oy = (70 - (turned ? w : h)) / 2;
            int wrong = 0;
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    const Point q = rotate_point(x, y, w, h, rotation);
                    if (fb->at(ox + q.x, oy + q.y, f.layout.bytes) != pack(frame_px(p.frame(), x, y), f.layout)) ++wrong;
                }
            }
            EXPECT_EQ(wrong, 0) << f.name << " at " << rotation;
            const std::uint32_t black = pack(0, f.layout);
            EXPECT_EQ(fb->at(0, 0, f.layout.bytes), black) << f.name;
            EXPECT_EQ(fb->at(69, 69, f.layout.bytes), black) << f.name;
        }
    }
}

TEST(FbdevPresenter, WritesOnlyTheBandsGivenAndFlushes) {
    auto fb = std::make_shared<FakeFb>(10, 20, 32, kXrgb8888);
    {
        FbdevPresenter p("/dev/fb-fake", 0, 10, 20, fb);
        SDL_FillRect(p.frame(), nullptr, 0x00FF0000);
        const RowBand band{4, 6};
        p.present({&band, 1});
        for (int y = 0; y < 20; ++y) EXPECT_EQ(fb->at(3, y, 4), y >= 4 && y < 6 ? 0xFFFF0000u : 0xFF000000u) << y;
        for (int i = 0; i < 200 && fb->fsyncs.load() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_GE(fb->fsyncs.load(), 1);
    }
    EXPECT_EQ(fb->open_fds, 0);
}

// On a VT: nothing is written while another VT is shown, the return asks for the whole
// picture once and blackens the margins the other VT's text was drawn on, and the console is
// back in text mode at the end.
TEST(FbdevPresenter, WritesNothingWhileSwitchedAwayAndAsksForAllOnReturn) {
    for (int sig : {SIGUSR1, SIGUSR2}) signal(sig, SIG_IGN);  // should the console not take them
    auto fb = std::make_shared<FakeFb>(14, 26, 32, kXrgb8888);  // the 10 x 20 picture at (2, 3)
    fb->vt = true;
    {
        FbdevPresenter p("/dev/fb-fake", 0, 10, 20, fb);
        const RowBand all{0, 20};
        SDL_FillRect(p.frame(), nullptr, 0x00FF0000);
        EXPECT_FALSE(p.take_lost_picture());
        raise(SIGUSR1);
        EXPECT_FALSE(p.take_lost_picture()) << "let go: nothing lost yet";
        p.present({&all, 1});
        EXPECT_EQ(fb->at(5, 6, 4), 0xFF000000u) << "written while switched away";
        // The other VT's login prompt, all over the screen.
        const std::size_t visible = fb->var.yoffset * fb->fix.line_length + fb->var.xoffset * 4u;
        std::memset(fb->mem.data() + visible, 0x77, 25u * fb->fix.line_length + 14u * 4u);
        raise(SIGUSR2);
        EXPECT_TRUE(p.take_lost_picture());
        EXPECT_FALSE(p.take_lost_picture());
        p.present({&all, 1});
        for (int y = 0; y < 26; ++y) {
            for (int x = 0; x < 14; ++x) {
                const bool picture = x >= 2 && x < 12 && y >= 3 && y < 23;
                EXPECT_EQ(fb->at(x, y, 4) & 0xFFFFFFu, picture ? 0xFF0000u : 0u) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(fb->tty_modes, (std::vector<long>{KD_GRAPHICS, KD_TEXT}));
    EXPECT_EQ(fb->open_fds, 0);
    for (int sig : {SIGUSR1, SIGUSR2}) signal(sig, SIG_DFL);
}

// Screen off powers the device down once and writes nothing to it until the wake, which
// unblanks it before the next picture. Another VT shown meanwhile gets its text lit, and the
// return powers down again. Closed while off, it is unblanked before the console's text mode.
TEST(FbdevPresenter, ScreenOffPowersDownAndWritesNothingUntilTheWake) {
    for (int sig : {SIGUSR1, SIGUSR2}) signal(sig, SIG_IGN);
    auto fb = std::make_shared<FakeFb>(10, 20, 32, kXrgb8888);
    fb->vt = true;
    {
        FbdevPresenter p("/dev/fb-fake", 0, 10, 20, fb);
        const RowBand all{0, 20};
        SDL_FillRect(p.frame(), nullptr, 0x00FF0000);
        p.present({&all, 1});
        p.set_output_power(false);
        EXPECT_TRUE(p.output_off());
        SDL_FillRect(p.frame(), nullptr, 0x0000FF00);
        p.present({&all, 1});
        EXPECT_EQ(fb->at(3, 3, 4), 0xFFFF0000u) << "written while powered down";
        raise(SIGUSR1);
        EXPECT_FALSE(p.take_lost_picture());
        raise(SIGUSR2);
        EXPECT_TRUE(p.take_lost_picture());
        EXPECT_TRUE(p.output_off());
        p.set_output_power(true);
        EXPECT_FALSE(p.output_off());
        p.present({&all, 1});
        EXPECT_EQ(fb->at(3, 3, 4), 0xFF00FF00u);
        p.set_output_power(false);
    }
    EXPECT_EQ(fb->calls, (std::vector<std::string>{"blank 0", "KDSETMODE 1", "blank 4", "blank 0", "VT_RELDISP 1",
                                                   "VT_RELDISP 2", "blank 4", "blank 0", "blank 4", "blank 0",
                                                   "KDSETMODE 0"}));
    for (int sig : {SIGUSR1, SIGUSR2}) signal(sig, SIG_DFL);
}

// A driver that cannot blank keeps taking frames (the black one), and says so once.
TEST(FbdevPresenter, ADeviceThatCannotBlankKeepsShowingFrames) {
    auto fb = std::make_shared<FakeFb>(10, 20, 32, kXrgb8888);
    fb->blank_errno = EINVAL;
    test::LogCapture log;
    FbdevPresenter p("/dev/fb-fake", 0, 10, 20, fb);
    const RowBand all{0, 20};
    for (const std::uint32_t colour : {0x00FF0000u, 0x000000FFu}) {
        p.set_output_power(false);
        EXPECT_FALSE(p.output_off());
        SDL_FillRect(p.frame(), nullptr, colour);
        p.present({&all, 1});
        EXPECT_EQ(fb->at(3, 3, 4), 0xFF000000u | colour);
        p.set_output_power(true);
    }
    int said = 0;
    for (const std::string& m : log.messages()) said += m.find("cannot power down (FBIOBLANK: Invalid argument)") != std::string::npos;
    EXPECT_EQ(said, 1);
}

// A 16-bit screen whose rows are padded to three or four bytes a pixel is still 16-bit.
TEST(FbdevPresenter, WidePaddingIsNotTakenForWiderPixels) {
    for (const int stride : {40 * 3 + 8, 40 * 4 + 16}) {
        auto fb = std::make_shared<FakeFb>(40, 60, 16, kRgb565);
        fb->fix.line_length = static_cast<unsigned>(stride);
        fb->fix.smem_len = fb->fix.line_length * 60;
        fb->mem.assign(fb->fix.smem_len, 0);
        FbdevPresenter p("/dev/fb-fake", 0, 40, 60, fb);
        EXPECT_EQ(p.layout().bytes, 2) << stride;
    }
}

TEST(FbdevPresenter, BadDevicesGiveOneClearErrorAndLeaveNothingOpen) {
    const struct {
        const char* name;
        void (*spoil)(FakeFb&);
        const char* says;
    } cases[] = {
        {"missing", [](FakeFb& f) { f.exists = false; }, "cannot open"},
        {"not a framebuffer", [](FakeFb& f) { f.is_fb = false; }, "not a framebuffer"},
        {"8-bit palette", [](FakeFb& f) { f.fix.visual = FB_VISUAL_PSEUDOCOLOR; f.var.bits_per_pixel = 8; }, "not true colour"},
        {"planar", [](FakeFb& f) { f.fix.type = FB_TYPE_PLANES; }, "not packed pixels"},
        {"mmap fails", [](FakeFb& f) { f.mmap_fails = true; }, "cannot map"},
        {"smaller than the picture", [](FakeFb& f) { f.var.yres = 10; }, "smaller than the picture"},
        {"memory short of the screen", [](FakeFb& f) { f.fix.smem_len = 100; }, "does not hold"},
        {"odd bitfields", [](FakeFb& f) { f.var.red.length = 12; }, "not supported"},
        {"1-byte pixels", [](FakeFb& f) { f.var.bits_per_pixel = 8; f.fix.line_length = 40; }, "not supported"},
    };
    for (const auto& c : cases) {
        auto fb = std::make_shared<FakeFb>(40, 60, 32, kXrgb8888);
        c.spoil(*fb);
        try {
            FbdevPresenter p("/dev/fb-fake", 0, 40, 60, fb);
            ADD_FAILURE() << c.name << ": opened";
        } catch (const std::runtime_error& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find("/dev/fb-fake"), std::string::npos) << what;
            EXPECT_NE(what.find(c.says), std::string::npos) << c.name << ": " << what;
            EXPECT_EQ(what.find('\n'), std::string::npos) << what;
        }
        EXPECT_EQ(fb->open_fds, 0) << c.name;
    }
    auto fb = std::make_shared<FakeFb>(40, 60, 32, kXrgb8888);
    EXPECT_THROW(FbdevPresenter("/dev/fb-fake", 45, 40, 60, fb), std::runtime_error);
}

}  // namespace
}  // namespace ts::display
