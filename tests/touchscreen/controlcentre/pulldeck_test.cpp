// The built-in control centre keeps its settings in a small file; a file that cannot be
// written must not stop the panel.
#include "controlcentre/pulldeck.hpp"

#include <gtest/gtest.h>

#include "log_capture.hpp"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <cstring>
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

TEST(ControlCentreSettings, ThePathNeverFallsBackToASharedFolder) {
    const struct {
        const char *settings, *xdg, *home, *account, *path;
    } cases[] = {
        {"/srv/s.conf", "/x", "/h", "/a", "/srv/s.conf"},
        {"", "/x", "/h", "/a", "/x/touchscreen/settings.conf"},
        {nullptr, "relative", "/h", "/a", "/h/.config/touchscreen/settings.conf"},
        {nullptr, nullptr, nullptr, "/a", "/a/.config/touchscreen/settings.conf"},
        {nullptr, nullptr, "", "/a", "/a/.config/touchscreen/settings.conf"},
        {nullptr, nullptr, nullptr, nullptr, ""},
        {nullptr, "", "h", "", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(settings_path_from(c.settings, c.xdg, c.home, c.account), c.path) << c.path;

    config::Knobs knobs;
    data::FeedHub feed;
    panel::PanelKit panel(knobs);
    PullDeck deck(knobs, feed, panel, "");
    test::LogCapture log;
    deck.load_config();
    deck.handle_button_press({"timeout", "60"});
    EXPECT_EQ(feed.auto_off_seconds(), 60);
    EXPECT_EQ(deck.save_error(), "Settings not kept: no home folder (set TOUCHSCREEN_SETTINGS)");
    EXPECT_EQ(log.messages(), std::vector<std::string>{"WARNING Settings not kept: no home folder (set TOUCHSCREEN_SETTINGS)"});
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

TEST_F(SettingsFile, AFileThatCannotBeReadIsNeverReplacedWithTheDefaults) {
    std::filesystem::create_directories(path / "inside");  // a folder where the file belongs
    PullDeck deck(knobs, feed, panel, path.string());
    test::LogCapture log;
    deck.load_config();
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_NE(log.lines()[0].find(path.string() + ": a folder, not a file"), std::string::npos) << log.lines()[0];
    EXPECT_EQ(deck.save_error(), "Settings not kept: a folder, not a file");
    deck.handle_button_press({"rgb_mode", "off"});
    EXPECT_EQ(deck.rgb_mode(), "off") << "the choice still applies";
    EXPECT_TRUE(std::filesystem::is_directory(path / "inside"));
    EXPECT_EQ(deck.save_error(), "Settings not kept: a folder, not a file");
    std::filesystem::remove_all(path);  // once it can be read (here: gone), saves resume
    deck.handle_button_press({"rgb_mode", "breath"});
    EXPECT_EQ(deck.save_error(), "");
    EXPECT_NE(read_all(path).find("rgb_mode=breath\n"), std::string::npos) << read_all(path);
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

namespace ts::controlcentre {
namespace {

// The panel is drawn from a cached surface: these cases catch a cache that outlives what it
// shows, and a frame loop told "unchanged" while something on the panel still moves.
class PanelDrawing : public ::testing::Test {
protected:
    void SetUp() override { SDL_FillRect(screen.get(), nullptr, 0x00604020); }
    void settle() {
        for (int i = 0; i < 12; ++i) deck.update_settings_animation();
    }
    std::uint32_t px(int x, int y) const {
        return reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(screen->pixels) + y * screen->pitch)[x] &
               0xFFFFFF;
    }
    config::Knobs knobs;
    data::FeedHub feed;
    panel::PanelKit panel{knobs};
    PullDeck deck{knobs, feed, panel, "/proc/no-such-dir/settings.conf"};
    core::Surface screen = core::make_opaque_surface(376, 960);
};

TEST_F(PanelDrawing, UnchangedOnlyWhileNothingMoves) {
    EXPECT_FALSE(deck.drawing_unchanged()) << "never drawn";
    deck.draw_settings_panel(screen.get());
    EXPECT_TRUE(deck.drawing_unchanged()) << "closed and drawn";
    deck.open_settings();
    deck.update_settings_animation();
    EXPECT_FALSE(deck.drawing_unchanged()) << "opening";
    settle();
    deck.draw_settings_panel(screen.get());
    EXPECT_TRUE(deck.drawing_unchanged()) << "open at rest";

    const struct {
        const char* name;
        void (*touch)(PullDeck&);
    } changes[] = {
        {"brightness", [](PullDeck& d) { d.handle_button_press({"brightness", "40"}); }},
        {"colour", [](PullDeck& d) { d.handle_color_slider(200); }},
        {"timeout", [](PullDeck& d) { d.handle_button_press({"timeout", "300"}); }},
        {"press", [](PullDeck& d) { d.start_button_animation("timeout_30"); }},
        {"ripple", [](PullDeck& d) { d.add_ripple(100, 100, 40); }},
    };
    for (const auto& c : changes) {
        c.touch(deck);
        EXPECT_FALSE(deck.drawing_unchanged()) << c.name;
        deck.draw_settings_panel(screen.get());
        for (int i = 0; i < 12 && !deck.drawing_unchanged(); ++i) {  // animations run out
            deck.update_settings_animation();
            deck.draw_settings_panel(screen.get());
        }
        EXPECT_TRUE(deck.drawing_unchanged()) << c.name << " settles";
        deck.release_button_animation("timeout_30");
        deck.draw_settings_panel(screen.get());
    }
}

// A changed setting shows at once: the picture equals that of a panel that never showed the
// old value.
TEST_F(PanelDrawing, ACachedPanelShowsTheNewValue) {
    deck.open_settings();
    settle();
    deck.draw_settings_panel(screen.get());
    deck.handle_button_press({"brightness", "20"});
    deck.handle_button_press({"rgb_mode", "off"});
    SDL_FillRect(screen.get(), nullptr, 0x00604020);
    deck.draw_settings_panel(screen.get());

    PullDeck fresh(knobs, feed, panel, "/proc/no-such-dir/settings.conf");
    fresh.handle_button_press({"brightness", "20"});
    fresh.handle_button_press({"rgb_mode", "off"});
    fresh.open_settings();
    for (int i = 0; i < 12; ++i) fresh.update_settings_animation();
    core::Surface other = core::make_opaque_surface(376, 960);
    SDL_FillRect(other.get(), nullptr, 0x00604020);
    fresh.draw_settings_panel(other.get());
    EXPECT_EQ(std::memcmp(screen->pixels, other->pixels, static_cast<std::size_t>(screen->pitch) * screen->h), 0);
}

// Closed and opened again, the panel drawn from its cache looks as before.
TEST_F(PanelDrawing, ReopenedPanelLooksAsBefore) {
    const std::size_t bytes = static_cast<std::size_t>(screen->pitch) * screen->h;
    deck.open_settings();
    settle();
    deck.draw_settings_panel(screen.get());
    const std::vector<std::uint8_t> first(static_cast<std::uint8_t*>(screen->pixels),
                                          static_cast<std::uint8_t*>(screen->pixels) + bytes);
    deck.close_settings();
    settle();
    SDL_FillRect(screen.get(), nullptr, 0x00604020);
    deck.draw_settings_panel(screen.get());
    EXPECT_EQ(px(10, 10), 0x604020u) << "closed: nothing drawn";
    deck.open_settings();
    settle();
    deck.draw_settings_panel(screen.get());
    EXPECT_EQ(std::memcmp(screen->pixels, first.data(), bytes), 0);
}

// The panel laid from its cache looks as painted straight on the screen: the card at 240 over
// the page darkened by 120, within a level of rounding.
TEST_F(PanelDrawing, CardOverTheDarkenedPage) {
    deck.open_settings();
    settle();
    deck.draw_settings_panel(screen.get());
    const core::Color card = knobs.color("card");
    const auto expect = [&](int page, int c) { return (c * 240 + (page * 135 / 255) * 15) / 255; };
    const std::uint32_t inside = px(200, 30), below = px(200, 700);
    EXPECT_NEAR(static_cast<int>(inside >> 16), expect(0x60, card.r), 1);
    EXPECT_NEAR(static_cast<int>((inside >> 8) & 0xFF), expect(0x40, card.g), 1);
    EXPECT_NEAR(static_cast<int>(inside & 0xFF), expect(0x20, card.b), 1);
    EXPECT_EQ(below, (0x60u * 135 / 255) << 16 | (0x40u * 135 / 255) << 8 | (0x20u * 135 / 255));
}

// Five frames each way: a closed panel is closed in the fifth frame, not left a sliver open.
TEST_F(PanelDrawing, ClosesInAsManyFramesAsItOpens) {
    deck.open_settings();
    for (int i = 0; i < 5; ++i) deck.update_settings_animation();
    EXPECT_EQ(deck.get_settings_progress(), 1.0);
    deck.close_settings();
    for (int i = 0; i < 5; ++i) deck.update_settings_animation();
    EXPECT_EQ(deck.get_settings_progress(), 0.0);
    EXPECT_FALSE(deck.get_button_at(200, 0).has_value());
}

// Every frame of the opening and closing slide, over a page with every level of each channel:
// the one-pass darken and blend on a 32-bit xRGB screen shows what SDL's own fill and blit
// show on a screen of another format, and darkens every row. Two rounded steps (the darkening,
// then the card over it), each within a level of SDL's, may add up to two.
TEST_F(PanelDrawing, OnePassFramesMatchSdlsFillAndBlit) {
    core::Surface plain(SDL_CreateRGBSurfaceWithFormat(0, 376, 960, 32, SDL_PIXELFORMAT_BGR888));
    ASSERT_TRUE(plain);
    const auto paint_page = [](SDL_Surface* s) {
        for (int y = 0; y < s->h; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(s->pixels) + y * s->pitch);
            for (int x = 0; x < s->w; ++x) {
                row[x] = SDL_MapRGB(s->format, static_cast<Uint8>(x * 3 + y), static_cast<Uint8>(y * 5 + x),
                                    static_cast<Uint8>(x ^ y));
            }
        }
    };
    const auto worst = [&](const char* when) {
        int most = 0;
        for (int y = 0; y < 960; ++y) {
            for (int x = 0; x < 376; ++x) {
                Uint8 r1, g1, b1, r2, g2, b2;
                SDL_GetRGB(px(x, y), screen->format, &r1, &g1, &b1);
                const auto* row = static_cast<const std::uint8_t*>(plain->pixels) + y * plain->pitch;
                std::uint32_t v;
                std::memcpy(&v, row + x * 4, 4);
                SDL_GetRGB(v, plain->format, &r2, &g2, &b2);
                most = std::max({most, std::abs(r1 - r2), std::abs(g1 - g2), std::abs(b1 - b2)});
            }
        }
        EXPECT_LE(most, 2) << when;
    };
    deck.open_settings();
    for (int frame = 0; frame < 10; ++frame) {
        if (frame == 5) deck.close_settings();
        deck.update_settings_animation();
        paint_page(screen.get());
        paint_page(plain.get());
        const std::uint32_t untouched = px(370, 959);
        deck.draw_settings_panel(screen.get());
        deck.draw_settings_panel(plain.get());
        worst(("frame " + std::to_string(frame)).c_str());
        if (deck.get_settings_progress() > 0) {
            EXPECT_NE(px(370, 959), untouched) << "frame " << frame;
        }
    }
}

// The cached panel is kept in a form for 32-bit xRGB screens: handed a screen of another
// format, then an xRGB one again, the same deck draws what a deck that only ever saw that
// format draws, to the bit, at every step of the opening.
TEST_F(PanelDrawing, CacheFollowsTheScreenFormat) {
    const Uint32 formats[] = {SDL_PIXELFORMAT_RGB888, SDL_PIXELFORMAT_BGR888, SDL_PIXELFORMAT_RGB888,
                              SDL_PIXELFORMAT_BGR888, SDL_PIXELFORMAT_BGR888, SDL_PIXELFORMAT_RGB888};
    const auto fill = [](SDL_Surface* s) {
        for (int y = 0; y < s->h; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(s->pixels) + y * s->pitch);
            for (int x = 0; x < s->w; ++x) {
                row[x] = SDL_MapRGB(s->format, static_cast<Uint8>(x + y), static_cast<Uint8>(x * 3), static_cast<Uint8>(y));
            }
        }
    };
    deck.open_settings();
    int step = 0;
    for (const Uint32 format : formats) {
        deck.update_settings_animation();
        ++step;
        core::Surface mixed(SDL_CreateRGBSurfaceWithFormat(0, 376, 960, 32, format));
        core::Surface alone(SDL_CreateRGBSurfaceWithFormat(0, 376, 960, 32, format));
        ASSERT_TRUE(mixed && alone);
        fill(mixed.get());
        fill(alone.get());
        deck.draw_settings_panel(mixed.get());
        PullDeck fresh(knobs, feed, panel, "/proc/no-such-dir/settings.conf");
        fresh.open_settings();
        for (int i = 0; i < step; ++i) fresh.update_settings_animation();
        fresh.draw_settings_panel(alone.get());
        EXPECT_EQ(std::memcmp(mixed->pixels, alone->pixels, static_cast<std::size_t>(mixed->pitch) * mixed->h), 0)
            << "step " << step << ", " << SDL_GetPixelFormatName(format);
    }
}

// Rows with a gap after each (a pitch wider than the picture) are laid one by one, packed rows
// band by band: the same pixels either way, darkened or on a screen darkened already, and the
// gap left alone.
TEST_F(PanelDrawing, RowsWithGapsSameAsPackedRows) {
    constexpr int kGap = 8;  // pixels after each row
    std::vector<std::uint32_t> padded(static_cast<std::size_t>((376 + kGap) * 960), 0xDEADBEEFu);
    core::Surface gappy(SDL_CreateRGBSurfaceWithFormatFrom(padded.data(), 376, 960, 32, (376 + kGap) * 4,
                                                           screen->format->format));
    ASSERT_TRUE(gappy);
    const auto fill = [](SDL_Surface* s) {
        for (int y = 0; y < s->h; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(s->pixels) + y * s->pitch);
            for (int x = 0; x < s->w; ++x) row[x] = static_cast<std::uint32_t>(x * 2654435761u ^ y * 40503u) & 0xFFFFFF;
        }
    };
    deck.open_settings();
    for (int frame = 0; frame < 10; ++frame) {
        if (frame == 5) deck.close_settings();
        deck.update_settings_animation();
        for (const bool dimmed : {false, true}) {
            fill(screen.get());
            fill(gappy.get());
            for (SDL_Surface* s : {screen.get(), gappy.get()}) {
                if (dimmed) {
                    deck.draw_settings_panel_on_dimmed(s);
                } else {
                    deck.draw_settings_panel(s);
                }
            }
            int wrong = 0;
            for (int y = 0; y < 960; ++y) {
                const std::uint32_t* a = padded.data() + static_cast<std::size_t>(y) * (376 + kGap);
                for (int x = 0; x < 376; ++x) wrong += (a[x] & 0xFFFFFF) != px(x, y);
                for (int x = 376; x < 376 + kGap; ++x) wrong += a[x] != 0xDEADBEEFu;
            }
            EXPECT_EQ(wrong, 0) << "frame " << frame << (dimmed ? ", on a darkened screen" : "");
        }
    }
}

}  // namespace
}  // namespace ts::controlcentre
