// The built-in control centre keeps its settings in a small file; a file that cannot be
// written must not stop the panel.
#include "controlcentre/pulldeck.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
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
