// The file the dashboard chooses, and the real watcher over a temporary folder: saves by rename
// and in place reach the Knobs, a bad save keeps everything as it was, a late file is seen.
#include "config/live_config.hpp"

#include "log_capture.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>
#include <unistd.h>

namespace ts::config {
namespace {

namespace fs = std::filesystem;

struct LocationCase {
    const char* name;
    const char* touchscreen_config;
    const char* xdg;
    const char* home;
    std::set<std::string> existing;
    std::string path;
    bool found;
};

TEST(ConfigLocation, ChoosesTheFirstFileThatExists) {
    const LocationCase cases[] = {
        {"variable wins even when missing", "/srv/t.toml", "/x", "/home/u", {"/x/touchscreen/config.toml"}, "/srv/t.toml", false},
        {"variable that exists", "/srv/t.toml", nullptr, "/home/u", {"/srv/t.toml"}, "/srv/t.toml", true},
        {"empty variable is unset", "", nullptr, "/home/u", {"/home/u/.config/touchscreen/config.toml"},
         "/home/u/.config/touchscreen/config.toml", true},
        {"xdg folder", nullptr, "/x", "/home/u", {"/x/touchscreen/config.toml", "/etc/touchscreen/config.toml"},
         "/x/touchscreen/config.toml", true},
        {"system file when the user has none", nullptr, "/x", "/home/u", {"/etc/touchscreen/config.toml"},
         "/etc/touchscreen/config.toml", true},
        {"none: watch the user's file", nullptr, nullptr, "/home/u", {}, "/home/u/.config/touchscreen/config.toml", false},
    };
    for (const LocationCase& c : cases) {
        const ConfigLocation got = locate_config(
            {c.touchscreen_config, c.xdg, c.home, "/etc", [&](const std::string& p) { return c.existing.count(p) > 0; }});
        EXPECT_EQ(got.path, c.path) << c.name;
        EXPECT_EQ(got.found, c.found) << c.name;
    }
}

class Reload : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("ts-config-" + std::to_string(getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        path = (dir / "config.toml").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    void write_in_place(const std::string& text) {
        std::ofstream out(path, std::ios::trunc);
        out << text;
    }
    void write_by_rename(const std::string& text) {
        const std::string tmp = (dir / ".config.toml.swp").string();
        std::ofstream(tmp) << text;
        fs::rename(tmp, path);
    }
    // Polls like the frame loop until a reload is applied; bounded at 5 s.
    std::optional<Applied> next_reload(LiveConfig& live) {
        for (int i = 0; i < 250; ++i) {
            if (auto a = live.apply_pending()) return a;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return std::nullopt;
    }

    fs::path dir;
    std::string path;
    Knobs knobs;
};

TEST_F(Reload, SaveByRenameAndInPlaceBothReachTheKnobs) {
    write_in_place("[refresh]\ncpu = 4\n");
    LiveConfig live(knobs, {path, true});
    EXPECT_EQ(live.start(), "");
    EXPECT_EQ(knobs.CPU_UPDATE_INTERVAL(), 4);

    write_by_rename("[refresh]\ncpu = 7\n[theme]\naccent = \"#010203\"\n");
    auto a = next_reload(live);
    ASSERT_TRUE(a);
    EXPECT_TRUE(a->changed);
    EXPECT_EQ(knobs.CPU_UPDATE_INTERVAL(), 7);
    EXPECT_EQ(knobs.color("accent"), (core::Color{1, 2, 3}));

    write_in_place("[weather]\ninterval = 1200\n[clock]\nformat = \"12h\"\n");
    a = next_reload(live);
    ASSERT_TRUE(a);
    EXPECT_EQ(knobs.WEATHER_UPDATE_INTERVAL(), 1200);
    EXPECT_EQ(knobs.settings()->clock.format, "12h");
    EXPECT_EQ(knobs.CPU_UPDATE_INTERVAL(), 1);  // gone from the file: back to its default
    EXPECT_EQ(knobs.color("accent"), (core::Color{0, 170, 255}));
}

TEST_F(Reload, ABadSaveKeepsTheWholePreviousConfigurationAndSaysSo) {
    write_in_place("[refresh]\ncpu = 4\n[weather]\nplace = \"Harbour\"\n");
    LiveConfig live(knobs, {path, true});
    live.start();
    const struct {
        const char* text;
        const char* notice_part;
    } bad[] = {
        {"[refresh]\ncpu = 9\n[weather]\nlatitude = \"52\"\n", "[weather] latitude"},
        {"[refresh]\ncpu = 9\n[theme]\nacent = \"#000000\"\n", "config.toml:4"},
        {"[refresh]\ncpu = 9\nplace = \"x\n", "config.toml:3"},
    };
    for (const auto& b : bad) {
        test::LogCapture log;
        write_by_rename(b.text);
        const auto a = next_reload(live);
        ASSERT_TRUE(a) << b.text;
        EXPECT_FALSE(a->changed);
        EXPECT_NE(a->notice.find("Config not applied"), std::string::npos) << a->notice;
        EXPECT_NE(a->notice.find(b.notice_part), std::string::npos) << a->notice;
        EXPECT_EQ(knobs.CPU_UPDATE_INTERVAL(), 4);
        EXPECT_EQ(knobs.settings()->weather.place, "Harbour");
        EXPECT_NE(log.text().find(path), std::string::npos);  // the log names the file
    }
    write_by_rename("[refresh]\ncpu = 2\n");  // mended: applies, and the notice goes
    const auto a = next_reload(live);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->notice, "");
    EXPECT_EQ(knobs.CPU_UPDATE_INTERVAL(), 2);
}

TEST_F(Reload, AtStartUpABadValueFallsBackAloneAndTheRestApplies) {
    write_in_place("[refresh]\ncpu = \"fast\"\nmemory = 8\n");
    LiveConfig live(knobs, {path, true});
    const std::string notice = live.start();
    EXPECT_NE(notice.find("[refresh] cpu"), std::string::npos) << notice;
    EXPECT_EQ(knobs.CPU_UPDATE_INTERVAL(), 1);
    EXPECT_EQ(knobs.MEMORY_UPDATE_INTERVAL(), 8);
}

TEST_F(Reload, AFileThatAppearsLaterIsPickedUp) {
    LiveConfig live(knobs, {path, false});
    live.start();
    EXPECT_FALSE(live.apply_pending());
    write_by_rename("[refresh]\ndisk = 11\n");
    ASSERT_TRUE(next_reload(live));
    EXPECT_EQ(knobs.DISK_UPDATE_INTERVAL(), 11);
}

TEST_F(Reload, AFolderThatAppearsLaterIsPickedUp) {
    const fs::path later = dir / "later";
    path = (later / "config.toml").string();
    LiveConfig live(knobs, {path, false});
    live.start();
    fs::create_directories(later);
    std::ofstream((later / "new").string()) << "[refresh]\nprocess = 6\n";
    fs::rename(later / "new", path);  // whole at once: the first reload must already see it
    ASSERT_TRUE(next_reload(live));
    EXPECT_EQ(knobs.PROCESS_UPDATE_INTERVAL(), 6);
}

TEST_F(Reload, StartOnlySectionsAreLoggedAsNeedingARestart) {
    LiveConfig live(knobs, {path, false});
    live.start();
    test::LogCapture log;
    write_by_rename("[display]\nrotation = 90\n[clock]\nseconds = false\n");
    ASSERT_TRUE(next_reload(live));
    EXPECT_NE(log.text().find("[display] changed; restart the dashboard to apply it"), std::string::npos) << log.text();
    EXPECT_EQ(log.text().find("[light]"), std::string::npos);
    EXPECT_FALSE(knobs.settings()->clock.seconds);
}

TEST_F(Reload, OtherFilesInTheFolderAreIgnored) {
    LiveConfig live(knobs, {path, false});
    live.start();
    std::ofstream((dir / "notes.txt").string()) << "x";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(live.apply_pending());
}

}  // namespace
}  // namespace ts::config
