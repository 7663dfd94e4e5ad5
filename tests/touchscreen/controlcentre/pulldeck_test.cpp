// The built-in control centre keeps its settings in a small file; a file that cannot be
// written must not stop the panel.
#include "controlcentre/pulldeck.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
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

}  // namespace
}  // namespace ts::controlcentre
