// The real program on a fake framebuffer (fake_fb.c, preloaded): after a few frames and
// SIGTERM, every byte of the device's memory is what the last picture, converted here by a
// converter of our own, must give, black border and untouched padding included. Bad devices
// give one clear line and "auto" goes on to the next output; a VT switch away and back shows
// the whole picture again; screen off powers the device down and writes nothing to it.
#include "reader_scripts.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using ts::test::TempDir;

constexpr int kW = 376, kH = 960;  // the composed picture
constexpr std::uint8_t kFill = 0x5A;  // memory before the program runs

struct Field {
    int offset, length;
};
struct Format {
    const char* name;
    int bpp;    // what the device reports
    int bytes;  // what each pixel really takes
    Field red, green, blue;
};
const Format kXrgb{"xrgb8888", 32, 4, {16, 8}, {8, 8}, {0, 8}};
const Format kXbgr{"xbgr8888", 32, 4, {0, 8}, {8, 8}, {16, 8}};
const Format kRgb565{"rgb565", 16, 2, {11, 5}, {5, 6}, {0, 5}};
const Format kBgr565{"bgr565", 16, 2, {0, 5}, {5, 6}, {11, 5}};
const Format kRgb888{"rgb888", 24, 3, {16, 8}, {8, 8}, {0, 8}};
const Format kBgr888{"bgr888", 24, 3, {0, 8}, {8, 8}, {16, 8}};
const Format k565On4{"rgb565_on_4_bytes", 16, 4, {11, 5}, {5, 6}, {0, 5}};

struct Device {
    Format format;
    int xres, yres, xoff, yoff;
    int stride;  // bytes; 0: exactly the virtual width
    int xvirt() const { return xres + xoff; }
    int yvirt() const { return yres + yoff; }
    int line() const { return stride ? stride : xvirt() * format.bytes; }
    std::size_t size() const { return static_cast<std::size_t>(line()) * static_cast<std::size_t>(yvirt()); }
    std::string layout() const {
        const auto f = [](Field x) { return std::to_string(x.offset) + ":" + std::to_string(x.length); };
        return "xres=" + std::to_string(xres) + " yres=" + std::to_string(yres) + " xoff=" + std::to_string(xoff) +
               " yoff=" + std::to_string(yoff) + " bpp=" + std::to_string(format.bpp) + " stride=" +
               std::to_string(line()) + " red=" + f(format.red) + " green=" + f(format.green) + " blue=" + f(format.blue);
    }
};

// One xRGB colour as the device stores it: each channel's top bits at its field, every other
// bit of the pixel set.
std::uint32_t device_pixel(std::uint32_t rgb, const Format& f) {
    std::uint32_t v = 0, used = 0;
    const auto put = [&](std::uint32_t c8, Field fl) {
        v |= (c8 >> (8 - fl.length)) << fl.offset;
        used |= ((1u << fl.length) - 1) << fl.offset;
    };
    put((rgb >> 16) & 0xFF, f.red);
    put((rgb >> 8) & 0xFF, f.green);
    put(rgb & 0xFF, f.blue);
    const std::uint32_t all = f.bytes == 4 ? 0xFFFFFFFFu : (1u << (8 * f.bytes)) - 1;
    return v | (all & ~used);
}

// The whole memory as it must be: the fill outside the visible screen, black on it, and the
// picture turned clockwise by `rotation` and centred. Each device pixel looks up its source.
std::vector<std::uint8_t> expected_memory(const Device& d, SDL_Surface* picture, int rotation) {
    std::vector<std::uint8_t> mem(d.size(), kFill);
    const bool turned = rotation == 90 || rotation == 270;
    const int pw = turned ? kH : kW, ph = turned ? kW : kH;
    const int ox = (d.xres - pw) / 2, oy = (d.yres - ph) / 2;
    for (int v = 0; v < d.yres; ++v) {
        for (int u = 0; u < d.xres; ++u) {
            std::uint32_t rgb = 0;
            const int pu = u - ox, pv = v - oy;
            if (pu >= 0 && pu < pw && pv >= 0 && pv < ph) {
                int x = pu, y = pv;
                if (rotation == 90) x = pv, y = kH - 1 - pu;
                if (rotation == 180) x = kW - 1 - pu, y = kH - 1 - pv;
                if (rotation == 270) x = kW - 1 - pv, y = pu;
                const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(picture->pixels) +
                                                                         y * picture->pitch);
                rgb = row[x] & 0xFFFFFF;
            }
            const std::uint32_t px = device_pixel(rgb, d.format);
            const std::size_t at = static_cast<std::size_t>(d.yoff + v) * static_cast<std::size_t>(d.line()) +
                                   static_cast<std::size_t>(d.xoff + u) * static_cast<std::size_t>(d.format.bytes);
            for (int b = 0; b < d.format.bytes; ++b) mem[at + static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(px >> (8 * b));
        }
    }
    return mem;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The real program in a folder of its own, beside an idle touch reader, with every file it
// reads or writes inside that folder and the fake device preloaded.
class ProgramRun {
public:
    ProgramRun() {
        program_ = dir_.path() + "/touchscreen";
        std::filesystem::copy_file(TOUCHSCREEN_BINARY, program_);
        // Writes now and then so it ends (SIGPIPE) once the program is gone.
        dir_.script("touchreader", "while :; do sleep 0.2; echo idle; done\n");
        std::filesystem::create_directories(dir_.path() + "/sys");
        env_ = {
            {"LD_PRELOAD", FAKE_FB_LIBRARY},
            {"FAKE_FB_DEVICE", "/dev/fb-fake"},
            {"FAKE_FB_MEMORY", memory()},
            {"FAKE_FB_LOG", device_log()},
            {"SDL_FBDEV", "/dev/fb-fake"},
            {"TOUCHSCREEN_FRAME_DUMP", dump()},
            {"TOUCHSCREEN_CONFIG", dir_.path() + "/config.toml"},
            {"TOUCHSCREEN_SETTINGS", dir_.path() + "/settings.conf"},
            {"TOUCHSCREEN_SYSFS_ROOT", dir_.path() + "/sys"},
            {"XDG_RUNTIME_DIR", dir_.path()},
            {"XDG_CACHE_HOME", dir_.path()},
            {"HOME", dir_.path()},
        };
        // An unsanitized library preloaded ahead of the AddressSanitizer runtime.
        const char* asan = std::getenv("ASAN_OPTIONS");
        env_.emplace_back("ASAN_OPTIONS", std::string(asan ? asan : "") + (asan && *asan ? ":" : "") +
                                              "verify_asan_link_order=0");
    }
    ~ProgramRun() {
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    void set(const std::string& name, const std::string& value) { env_.emplace_back(name, value); }
    void config(const std::string& text) const { dir_.write("config.toml", text); }
    void file(const std::string& name, const std::string& text) const { dir_.write(name, text); }
    void reader(const std::string& body) const { dir_.script("touchreader", body); }
    void fill_memory(std::size_t size) const { dir_.write("fb.mem", std::string(size, static_cast<char>(kFill))); }

    void start() {
        pid_ = fork();
        ASSERT_GE(pid_, 0);
        if (pid_ == 0) {
            setsid();  // no controlling terminal: the machine's own console is never touched
            for (const char* name : {"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY"}) unsetenv(name);
            for (const auto& [name, value] : env_) setenv(name.c_str(), value.c_str(), 1);
            dup2(::open(log_path().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600), STDERR_FILENO);
            execl(program_.c_str(), program_.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }

    // Waits until one of the texts is in the file or the time is up.
    static bool wait_for(const std::string& path, std::initializer_list<std::string> texts,
                         std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            const std::string now = read_file(path);
            for (const std::string& t : texts) {
                if (now.find(t) != std::string::npos) return true;
            }
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(10ms);
        }
    }
    bool wait_for_loop() const { return wait_for(log_path(), {"进入主循环\n"}, 20s); }

    // Exit status; 128 + signal when killed by one, -1 when still running after the limit.
    int wait_exit(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) return -1;
            std::this_thread::sleep_for(5ms);
        }
        reaped_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    int stop() {
        kill(pid_, SIGTERM);
        return wait_exit(5s);
    }

    pid_t pid() const { return pid_; }
    std::string memory() const { return dir_.path() + "/fb.mem"; }
    std::string dump() const { return dir_.path() + "/frame.bmp"; }
    std::string device_log() const { return dir_.path() + "/device.log"; }
    std::string log_path() const { return dir_.path() + "/stderr.log"; }
    std::string log() const { return read_file(log_path()); }
    const std::string& dir() const { return dir_.path(); }

private:
    TempDir dir_;
    std::string program_;
    std::vector<std::pair<std::string, std::string>> env_;
    pid_t pid_ = -1;
    bool reaped_ = false;
};

struct SurfaceFree {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using Picture = std::unique_ptr<SDL_Surface, SurfaceFree>;

// The dumped frame as 32-bit xRGB.
Picture load_dump(const std::string& path) {
    Picture bmp(SDL_LoadBMP(path.c_str()));
    if (!bmp) return nullptr;
    return Picture(SDL_ConvertSurfaceFormat(bmp.get(), SDL_PIXELFORMAT_RGB888, 0));
}

// Compares the device memory with what the dumped picture must give; "" when they agree.
std::string compare_memory(const ProgramRun& run, const Device& d, int rotation) {
    const Picture picture = load_dump(run.dump());
    if (!picture) return "no frame dump: " + std::string(SDL_GetError());
    if (picture->w != kW || picture->h != kH) return "dump is " + std::to_string(picture->w) + "x" + std::to_string(picture->h);
    const std::vector<std::uint8_t> want = expected_memory(d, picture.get(), rotation);
    const std::string got = read_file(run.memory());
    if (got.size() != want.size()) return "memory is " + std::to_string(got.size()) + " bytes";
    std::size_t wrong = 0, first = 0;
    for (std::size_t i = 0; i < want.size(); ++i) {
        if (static_cast<std::uint8_t>(got[i]) != want[i] && wrong++ == 0) first = i;
    }
    if (wrong == 0) return "";
    std::ostringstream why;
    why << wrong << " bytes differ; first at byte " << first << " (row " << first / static_cast<std::size_t>(d.line())
        << ", byte " << first % static_cast<std::size_t>(d.line()) << " of the row): 0x" << std::hex
        << int(static_cast<std::uint8_t>(got[first])) << " for 0x" << int(want[first]);
    return why.str();
}

struct Case {
    const char* name;
    Device device;
    int rotation;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class FbdevProgram : public ::testing::TestWithParam<Case> {};

TEST_P(FbdevProgram, DeviceMemoryIsTheLastPictureConverted) {
    const Case& c = GetParam();
    ProgramRun run;
    run.config("[display]\nbackend = \"fbdev\"\ndevice = \"/dev/fb-fake\"\nrotation = " + std::to_string(c.rotation) + "\n");
    run.fill_memory(c.device.size());
    run.set("FAKE_FB_LAYOUT", c.device.layout());
    run.start();
    ASSERT_TRUE(run.wait_for_loop()) << run.log();
    std::this_thread::sleep_for(500ms);  // a dozen frames
    ASSERT_EQ(run.stop(), 0) << run.log();
    EXPECT_NE(run.log().find("display output: fbdev"), std::string::npos) << run.log();
    EXPECT_EQ(compare_memory(run, c.device, c.rotation), "") << c.device.layout();
    // Unblanked at start, unmapped and closed at exit.
    EXPECT_EQ(read_file(run.device_log()), "open\nmmap " + std::to_string(c.device.size()) + "\nblank 0\nmunmap\nclose\n");
}

INSTANTIATE_TEST_SUITE_P(
    FormatsRotationsOffsets, FbdevProgram,
    ::testing::Values(
        Case{"xrgb8888_exact", {kXrgb, kW, kH, 0, 0, 0}, 0},
        Case{"xbgr8888_turned_padded_offset", {kXbgr, 1000, 400, 16, 8, (1016 * 4) + 64}, 90},
        Case{"rgb565_second_page", {kRgb565, 400, 1000, 0, 1000, 400 * 2 + 32}, 180},
        Case{"bgr565_turned_exact", {kBgr565, kH, kW, 4, 0, 0}, 270},
        Case{"rgb888_padded_odd_offset", {kRgb888, 380, 964, 3, 1, 1152}, 0},
        Case{"bgr888_turned_centred", {kBgr888, 964, 380, 1, 3, 0}, 270},
        Case{"rgb565_said_on_4_byte_rows", {k565On4, kH, kW, 0, 0, kH * 4}, 90},
        // Rows 3 bytes a pixel long that are padding, not 24-bit pixels.
        Case{"rgb565_wide_rows", {kRgb565, kW, kH, 0, 0, 1152}, 0}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

struct BadCase {
    const char* name;
    const char* layout;  // FAKE_FB_LAYOUT
    const char* fail;    // FAKE_FB_FAIL
    bool missing;        // a path that does not exist
    const char* says;
};

void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }

class FbdevBadDevice : public ::testing::TestWithParam<BadCase> {};

// "auto" on a machine with no display server: the KMS output fails (no /dev/dri), the bad
// framebuffer gives one warning naming it, and SDL is tried next (its offscreen driver opens
// where the library has one). Never a crash.
TEST_P(FbdevBadDevice, OneClearLineAndAutoGoesOn) {
    const BadCase& c = GetParam();
    ProgramRun run;
    const std::string device = c.missing ? run.dir() + "/no-such-fb" : "/dev/fb-fake";
    run.config("[display]\nbackend = \"auto\"\n");
    run.set("SDL_FBDEV", device);
    run.set("FAKE_FB_LAYOUT", c.layout);
    run.set("FAKE_FB_FAIL", c.fail);
    run.start();
    ASSERT_TRUE(ProgramRun::wait_for(run.log_path(), {"进入主循环\n", "ERROR - 错误"}, 20s)) << run.log();
    const std::string log = run.log();
    const std::string line = "WARNING - fbdev: framebuffer " + device + ": " + c.says;
    EXPECT_EQ(count(log, "WARNING - fbdev: "), 1u) << log;
    const std::size_t fb = log.find(line);
    ASSERT_NE(fb, std::string::npos) << line << "\n" << log;
    const std::size_t sdl_warning = log.find("WARNING - sdl: ", fb), sdl_opened = log.find("display output: sdl", fb);
    EXPECT_TRUE(sdl_warning != std::string::npos || sdl_opened != std::string::npos) << log;
    const int status = sdl_opened != std::string::npos ? run.stop() : run.wait_exit(5s);
    EXPECT_EQ(status, sdl_opened != std::string::npos ? 0 : 1) << log;
    // What was opened was closed again before the next output was tried.
    const std::string calls = read_file(run.device_log());
    EXPECT_EQ(count(calls, "open\n"), count(calls, "close\n")) << calls;
    EXPECT_EQ(count(calls, "mmap"), count(calls, "munmap")) << calls;
}

INSTANTIATE_TEST_SUITE_P(
    Devices, FbdevBadDevice,
    ::testing::Values(BadCase{"missing", "", "", true, "cannot open: No such file or directory"},
                      BadCase{"not_a_framebuffer", "", "ioctl", false, "not a framebuffer device"},
                      BadCase{"palette_8_bit", "bpp=8 visual=3", "", false, "visual 3 is not true colour"},
                      BadCase{"planar", "type=1", "", false, "pixel type 1 is not packed pixels"},
                      BadCase{"mmap_fails", "", "mmap", false, "cannot map its memory: No such device"}),
    [](const ::testing::TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

// Switched away, the program writes nothing to the device while the console draws over it;
// back, it shows the whole picture again. At exit the VT is given back in text mode.
TEST(FbdevConsole, AwayWritesNothingAndTheReturnShowsTheWholePicture) {
    const Device d{kXrgb, kW, kH, 0, 0, 0};
    ProgramRun run;
    run.config("[display]\nbackend = \"fbdev\"\n");
    run.fill_memory(d.size());
    run.set("FAKE_FB_LAYOUT", d.layout());
    run.set("FAKE_FB_TTY", "1");
    run.start();
    ASSERT_TRUE(run.wait_for_loop()) << run.log();
    std::this_thread::sleep_for(300ms);
    kill(run.pid(), SIGUSR1);  // what the kernel sends when the user switches away
    ASSERT_TRUE(ProgramRun::wait_for(run.device_log(), {"tty VT_RELDISP 1\n"}, 5s)) << read_file(run.device_log());
    // The other VT's text over the memory, written in place: the program has it mapped.
    const std::string other(d.size(), '\x33');
    const int fd = ::open(run.memory().c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, other.data(), other.size(), 0), static_cast<ssize_t>(other.size()));
    ::close(fd);
    std::this_thread::sleep_for(1500ms);  // the clock's seconds change meanwhile
    EXPECT_TRUE(read_file(run.memory()) == other) << "the device was written while switched away";
    kill(run.pid(), SIGUSR2);  // and back
    ASSERT_TRUE(ProgramRun::wait_for(run.device_log(), {"tty VT_RELDISP 2\n"}, 5s)) << read_file(run.device_log());
    std::this_thread::sleep_for(300ms);
    ASSERT_EQ(run.stop(), 0) << run.log();
    EXPECT_EQ(compare_memory(run, d, 0), "");
    EXPECT_EQ(read_file(run.device_log()),
              "open\nmmap " + std::to_string(d.size()) +
                  "\nblank 0\ntty open\ntty KDSETMODE 1\ntty VT_SETMODE 1 10 12\ntty VT_RELDISP 1\ntty VT_RELDISP 2\n"
                  "tty VT_SETMODE 0 0 0\ntty KDSETMODE 0\ntty close\nmunmap\nclose\n");
}

// Screen off (the idle switch-off after 1 s) powers the device down and writes nothing to it,
// not even black; a touch unblanks it before the whole picture is written again, and a stop
// while it is off unblanks it before the memory is let go.
TEST(FbdevScreenOff, PoweredDownUntilATouchAndOnAgainAtTheStop) {
    const Device d{kXrgb, kW, kH, 0, 0, 0};
    ProgramRun run;
    run.config("[display]\nbackend = \"fbdev\"\n");
    run.file("settings.conf", "timeout=1\n");
    run.fill_memory(d.size());
    run.set("FAKE_FB_LAYOUT", d.layout());
    // A tap each time the test leaves a file named "touch".
    run.reader("cd '" + run.dir() + "'\nwhile :; do sleep 0.1\n"
               "  if [ -e touch ]; then rm -f touch; echo \"$(date +%s%3N) 188 480\"; echo \"$(date +%s%3N) -1 -1\"; fi\n"
               "  echo idle; done\n");
    run.start();
    ASSERT_TRUE(run.wait_for_loop()) << run.log();
    // The device's calls so far, as each step must leave them.
    std::string calls = "open\nmmap " + std::to_string(d.size()) + "\nblank 0\nblank 4\n";
    ASSERT_TRUE(ProgramRun::wait_for(run.device_log(), {calls}, 5s)) << read_file(run.device_log());
    const std::string other(d.size(), '\x33');
    const int fd = ::open(run.memory().c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, other.data(), other.size(), 0), static_cast<ssize_t>(other.size()));
    ::close(fd);
    std::this_thread::sleep_for(3500ms);  // past the next screen-off frame, 3 s on
    EXPECT_TRUE(read_file(run.memory()) == other) << "the device was written while powered down";
    run.file("touch", "");
    calls += "blank 0\n";
    ASSERT_TRUE(ProgramRun::wait_for(run.device_log(), {calls}, 5s)) << read_file(run.device_log());
    calls += "blank 4\n";  // off again 1 s after the tap, and stopped while off
    ASSERT_TRUE(ProgramRun::wait_for(run.device_log(), {calls}, 5s)) << read_file(run.device_log());
    ASSERT_EQ(run.stop(), 0) << run.log();
    EXPECT_EQ(compare_memory(run, d, 0), "") << "the whole picture after the wake";
    EXPECT_EQ(read_file(run.device_log()), calls + "blank 0\nmunmap\nclose\n");
    EXPECT_EQ(count(run.log(), "fbdev: screen off powers /dev/fb-fake down (FBIOBLANK)"), 1u) << run.log();
}

}  // namespace
