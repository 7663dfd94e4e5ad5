// The console under a presenter, on a recording stand-in for the VT: graphics mode and
// process-controlled switches when there is a VT, nothing at all without one, the release
// and return answered in order from the frame loop, and everything given back at the end.
#include "display/console.hpp"

#include <gtest/gtest.h>
#include <linux/kd.h>
#include <linux/vt.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace ts::display {
namespace {

struct FakeVt : DeviceSystem {
    bool has_tty = true, is_vt = true, set_mode_fails = false, release_refused = false;
    std::vector<std::string> calls;

    int open(const char* path, int) override {
        calls.push_back(std::string("open ") + path);
        if (!has_tty) {
            errno = ENXIO;
            return -1;
        }
        return 7;
    }
    int ioctl(int, unsigned long request, void* arg) override {
        const auto value = reinterpret_cast<std::intptr_t>(arg);
        if (!is_vt) {
            calls.push_back("ioctl");
            errno = ENOTTY;
            return -1;
        }
        switch (request) {
            case KDGETMODE:
                *static_cast<int*>(arg) = KD_TEXT;
                calls.push_back("KDGETMODE");
                return 0;
            case KDSETMODE:
                calls.push_back(value == KD_GRAPHICS ? "KD_GRAPHICS" : value == KD_TEXT ? "KD_TEXT" : "KD_?");
                return 0;
            case VT_SETMODE: {
                const auto* m = static_cast<const vt_mode*>(arg);
                calls.push_back("VT_SETMODE " + std::to_string(m->mode) + " " + std::to_string(m->relsig) + " " +
                                std::to_string(m->acqsig));
                if (set_mode_fails) {
                    errno = EPERM;
                    return -1;
                }
                return 0;
            }
            case VT_RELDISP:
                calls.push_back("VT_RELDISP " + std::to_string(value));
                if (release_refused && value == 1) {
                    errno = EINVAL;
                    return -1;
                }
                return 0;
            default:
                calls.push_back("ioctl " + std::to_string(request));
                errno = ENOTTY;
                return -1;
        }
    }
    int close(int fd) override {
        calls.push_back("close " + std::to_string(fd));
        return 0;
    }
};

const std::string kProcess = "VT_SETMODE " + std::to_string(VT_PROCESS) + " " + std::to_string(SIGUSR1) + " " +
                             std::to_string(SIGUSR2);
const std::string kAuto = "VT_SETMODE " + std::to_string(VT_AUTO) + " 0 0";

// SIGUSR1 and SIGUSR2 ignored around each test, so that a handler left behind shows and a
// signal raised after the console is gone cannot end the test program.
class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int sig : {SIGUSR1, SIGUSR2}) signal(sig, SIG_IGN);
    }
    void TearDown() override {
        for (int sig : {SIGUSR1, SIGUSR2}) signal(sig, SIG_DFL);
    }
    static bool ignored(int sig) {
        struct sigaction now {};
        sigaction(sig, nullptr, &now);
        return now.sa_handler == SIG_IGN;
    }
    std::shared_ptr<FakeVt> vt = std::make_shared<FakeVt>();
};

TEST_F(ConsoleTest, WithoutAControllingTerminalNothingIsDone) {
    vt->has_tty = false;
    {
        Console console(vt);
        EXPECT_FALSE(console.switching());
        raise(SIGUSR1);
        EXPECT_EQ(console.poll(), Console::Switch::none);
        EXPECT_TRUE(console.active());
    }
    EXPECT_EQ(vt->calls, (std::vector<std::string>{"open /dev/tty"}));
}

TEST_F(ConsoleTest, ATerminalThatIsNoVtIsClosedAndLeftAlone) {
    vt->is_vt = false;
    {
        Console console(vt);
        EXPECT_FALSE(console.switching());
        EXPECT_TRUE(ignored(SIGUSR1)) << "no handler taken";
    }
    EXPECT_EQ(vt->calls, (std::vector<std::string>{"open /dev/tty", "ioctl", "close 7"}));
}

TEST_F(ConsoleTest, ReleaseAndReturnAreAnsweredInOrderFromTheFrameLoop) {
    std::vector<std::string> start;
    {
        Console console(vt);
        ASSERT_TRUE(console.switching());
        EXPECT_FALSE(ignored(SIGUSR1));
        EXPECT_FALSE(ignored(SIGUSR2));
        EXPECT_EQ(vt->calls, (std::vector<std::string>{"open /dev/tty", "KDGETMODE", "KD_GRAPHICS", kProcess}));
        vt->calls.clear();

        EXPECT_EQ(console.poll(), Console::Switch::none) << "nothing asked";
        raise(SIGUSR1);  // the kernel asks us to let the VT go
        EXPECT_TRUE(console.active()) << "ours until the frame loop answers";
        bool dropped = false;
        EXPECT_EQ(console.poll([&] {
            dropped = true;
            vt->calls.push_back("before release");
        }),
                  Console::Switch::released);
        EXPECT_TRUE(dropped);
        EXPECT_FALSE(console.active());
        EXPECT_EQ(console.poll(), Console::Switch::none) << "answered once";

        raise(SIGUSR2);  // the user came back
        EXPECT_EQ(console.poll(), Console::Switch::acquired);
        EXPECT_TRUE(console.active());
        EXPECT_EQ(console.poll(), Console::Switch::none);
        EXPECT_EQ(vt->calls, (std::vector<std::string>{"before release", "VT_RELDISP 1",
                                                       "VT_RELDISP " + std::to_string(VT_ACKACQ)}));
        vt->calls.clear();
    }
    EXPECT_EQ(vt->calls, (std::vector<std::string>{kAuto, "KD_TEXT", "close 7"}));
    EXPECT_TRUE(ignored(SIGUSR1)) << "the previous handlers are back";
    EXPECT_TRUE(ignored(SIGUSR2));
}

// A stray SIGUSR1 (kill -USR1, no switch pending): the kernel refuses the release and the VT
// stays ours; whatever was given up before it is taken back.
TEST_F(ConsoleTest, ARefusedReleaseKeepsTheVt) {
    vt->release_refused = true;
    Console console(vt);
    raise(SIGUSR1);
    EXPECT_EQ(console.poll(), Console::Switch::none);
    EXPECT_TRUE(console.active());
    raise(SIGUSR1);
    EXPECT_EQ(console.poll([] {}), Console::Switch::acquired);
    EXPECT_TRUE(console.active());
}

TEST_F(ConsoleTest, ASwitchAskedForAtTheEndIsLetThrough) {
    {
        Console console(vt);
        vt->calls.clear();
        raise(SIGUSR1);
    }
    EXPECT_EQ(vt->calls, (std::vector<std::string>{"VT_RELDISP 1", kAuto, "KD_TEXT", "close 7"}));
}

TEST_F(ConsoleTest, RefusedProcessModeKeepsGraphicsAndTheOldHandlers) {
    vt->set_mode_fails = true;
    {
        Console console(vt);
        EXPECT_FALSE(console.switching());
        EXPECT_TRUE(ignored(SIGUSR1));
        raise(SIGUSR1);
        EXPECT_EQ(console.poll(), Console::Switch::none);
    }
    EXPECT_EQ(vt->calls, (std::vector<std::string>{"open /dev/tty", "KDGETMODE", "KD_GRAPHICS", kProcess, "KD_TEXT",
                                                   "close 7"}));
}

TEST_F(ConsoleTest, OneConsoleAtATimeTakesTheSignals) {
    Console first(vt);
    auto other = std::make_shared<FakeVt>();
    {
        Console second(other);
        EXPECT_FALSE(second.switching());
    }
    EXPECT_EQ(other->calls, (std::vector<std::string>{"open /dev/tty", "KDGETMODE", "KD_GRAPHICS", "KD_TEXT", "close 7"}));
    EXPECT_TRUE(first.switching());
    EXPECT_FALSE(ignored(SIGUSR1)) << "still the first console's";
}

}  // namespace
}  // namespace ts::display
