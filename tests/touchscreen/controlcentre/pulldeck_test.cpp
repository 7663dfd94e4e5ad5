// The built-in control centre keeps its settings in a small file; a file that cannot be
// written must not stop the panel.
#include "controlcentre/pulldeck.hpp"

#include <gtest/gtest.h>

#include "log_capture.hpp"

#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace ts::controlcentre {
namespace {

TEST(ControlCentreSettings, UnwritableFileKeepsThePanelRunningAndSaysSo) {
    config::Knobs knobs;
    data::FeedHub feed;
    panel::PanelKit panel(knobs);
    PullDeck deck(knobs, feed, panel, "/proc/no-such-dir/settings.conf");
    EXPECT_NO_THROW(deck.handle_button_press({"timeout", "60"}));
    EXPECT_EQ(feed.auto_off_seconds(), 60);  // the choice still applies
    EXPECT_NE(deck.save_error(), "");

    const auto path = std::filesystem::temp_directory_path() / ("ts-settings-" + std::to_string(getpid()));
    PullDeck writable(knobs, feed, panel, path.string());
    writable.handle_button_press({"rgb_mode", "breath"});
    EXPECT_EQ(writable.save_error(), "");
    PullDeck restarted(knobs, feed, panel, path.string());
    unsetenv("config_rgb_mode");
    restarted.load_config();
    EXPECT_STREQ(std::getenv("config_rgb_mode"), "breath");
    unsetenv("config_rgb_mode");
    unsetenv("config_rgb_color");
    std::filesystem::remove(path);
}

std::string read_all(const std::filesystem::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() / ("ts-deck-" + std::to_string(getpid()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        path = dir / "settings.conf";
        unsetenv("config_rgb_mode");
        unsetenv("config_rgb_color");
    }
    void TearDown() override {
        std::filesystem::remove_all(dir);
        unsetenv("config_rgb_mode");
        unsetenv("config_rgb_color");
    }
    std::filesystem::path dir, path;
    config::Knobs knobs;
    data::FeedHub feed;
    panel::PanelKit panel{knobs};
};

struct DamagedCase {
    const char* name;
    std::string text;
    int brightness, hue, timeout;
    const char* mode;
    const char* logged;  // "" when nothing is logged
};

TEST_F(SettingsFile, DamagedFilesGiveDefaultsForWhatCannotBeReadAndAreLoggedOnce) {
    const DamagedCase cases[] = {
        {"intact", "brightness=40\nhue=200\ntimeout=60\nrgb_mode=breath\n", 40, 200, 60, "breath", ""},
        {"empty", "", 80, 120, 0, "rainbow", "are empty"},
        {"cut in a line", "brightness=40\nhue=2", 40, 2, 0, "rainbow", ""},
        {"cut in a key", "brightness=40\nhu", 40, 120, 0, "rainbow", "line(s) 2"},
        {"garbage numbers", "brightness=abc\nhue=12x\ntimeout=-5\nrgb_mode=disco\n", 80, 120, 0, "rainbow",
         "line(s) 1, 2, 3, 4"},
        {"binary", std::string("\0\xff\x01=\x80\n\xfe", 7), 80, 120, 0, "rainbow", "line(s) 1, 2"},
        {"out of range", "brightness=900\nhue=360\n", 80, 120, 0, "rainbow", "line(s) 1, 2"},
    };
    for (const DamagedCase& c : cases) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << c.text;
        data::FeedHub fresh_feed;
        PullDeck deck(knobs, fresh_feed, panel, path.string());
        test::LogCapture log;
        unsetenv("config_rgb_mode");
        EXPECT_NO_THROW(deck.load_config()) << c.name;
        EXPECT_EQ(deck.brightness(), c.brightness) << c.name;
        EXPECT_EQ(deck.hue(), c.hue) << c.name;
        EXPECT_EQ(fresh_feed.auto_off_seconds(), c.timeout) << c.name;
        EXPECT_EQ(deck.rgb_mode(), c.mode) << c.name;
        const auto lines = log.lines();
        if (*c.logged) {
            ASSERT_EQ(lines.size(), 1u) << c.name;
            EXPECT_NE(lines[0].find(c.logged), std::string::npos) << lines[0];
            EXPECT_NE(lines[0].find(path.string()), std::string::npos) << lines[0];
        } else {
            EXPECT_TRUE(lines.empty()) << c.name;
        }
    }
}

TEST_F(SettingsFile, SaveReplacesTheFileWholeAndLeavesNoTemporaryBehind) {
    std::ofstream(path) << "brightness=40\nhue=200\ntimeout=60\nrgb_mode=breath\n";
    PullDeck deck(knobs, feed, panel, path.string());
    deck.load_config();
    deck.handle_button_press({"rgb_mode", "off"});
    EXPECT_EQ(deck.save_error(), "");
    EXPECT_EQ(read_all(path), "brightness=40\nhue=200\ntimeout=60\nrgb_mode=off\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
}

// Saves in a loop in a child and kills it at random moments: whatever instant the kill
// lands on, the file holds one whole save, never nothing and never a mix of two.
TEST_F(SettingsFile, AKillAtAnyPointOfASaveLeavesTheOldOrTheNewSettings) {
    const std::set<std::string> whole{
        "brightness=80\nhue=120\ntimeout=30\nrgb_mode=rainbow\n", "brightness=80\nhue=120\ntimeout=30\nrgb_mode=off\n",
        "brightness=80\nhue=120\ntimeout=300\nrgb_mode=rainbow\n", "brightness=80\nhue=120\ntimeout=300\nrgb_mode=off\n"};
    {
        PullDeck first(knobs, feed, panel, path.string());
        first.handle_button_press({"timeout", "30"});
    }
    std::mt19937 random(12345);
    constexpr int kKills = 120;
    int changed = 0;
    std::string before = read_all(path);
    for (int i = 0; i < kKills; ++i) {
        int ready[2];
        ASSERT_EQ(pipe2(ready, O_CLOEXEC), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            PullDeck deck(knobs, feed, panel, path.string());
            if (write(ready[1], "r", 1) != 1) _exit(1);
            for (int n = 0;; ++n) {
                deck.handle_button_press({"timeout", n % 2 ? "300" : "30"});
                deck.handle_button_press({"rgb_mode", n % 3 ? "off" : "rainbow"});
            }
        }
        close(ready[1]);
        char byte;
        ASSERT_EQ(read(ready[0], &byte, 1), 1);
        close(ready[0]);
        // A save takes two disk flushes, some milliseconds each: spread the kills over several.
        std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 60000)(random)));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));  // it was still saving when killed
        const std::string after = read_all(path);
        ASSERT_EQ(whole.count(after), 1u) << "kill " << i << " left:\n" << after;
        changed += after != before;
        before = after;
    }
    EXPECT_GT(changed, kKills / 4);  // the kills did land between saves, not only before the first
}

}  // namespace
}  // namespace ts::controlcentre
