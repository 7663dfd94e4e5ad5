// The built-in panel utilities: a background picture that follows the time of day and the
// runtime directory.
#include "fakes.hpp"
#include "panel/panelkit.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <tuple>
#include <unistd.h>

namespace ts::panel {
namespace {

class PanelKitTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError(); }
    void TearDown() override { SDL_Quit(); }
    config::Knobs knobs;
};

TEST_F(PanelKitTest, BackgroundIsAFullScreenPictureThatFollowsTheDay) {
    knobs.screen_width = 200;
    knobs.screen_height = 300;
    PanelKit panel(knobs);
    panel.hour_now = [] { return 12; };
    core::Surface noon = panel.create_dynamic_background();
    ASSERT_TRUE(noon);
    EXPECT_EQ(noon->w, 200);
    EXPECT_EQ(noon->h, 300);
    panel.hour_now = [] { return 2; };
    core::Surface night = panel.create_dynamic_background();
    const SDL_Color a = test::pixel_at(noon.get(), 10, 0), b = test::pixel_at(night.get(), 10, 0);
    EXPECT_NE(std::make_tuple(a.r, a.g, a.b), std::make_tuple(b.r, b.g, b.b));
    // Top to bottom the picture darkens toward the panel's base colour.
    const SDL_Color bottom = test::pixel_at(noon.get(), 10, 299);
    EXPECT_LT(bottom.b, a.b);
}

TEST_F(PanelKitTest, RuntimeDirectoryIsCreatedUnderXdgRuntimeDir) {
    const auto dir = std::filesystem::temp_directory_path() / ("ts-rt-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = old ? old : "";
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    PanelKit panel(knobs);
    panel.init_permission_dirs();
    panel.init_permission_dirs();  // a second start finds it there
    EXPECT_TRUE(std::filesystem::is_directory(dir / "touchscreen"));
    old ? setenv("XDG_RUNTIME_DIR", saved.c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace ts::panel
