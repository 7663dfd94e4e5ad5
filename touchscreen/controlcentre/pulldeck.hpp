// The built-in pull-down control centre: brightness and colour sliders, screen-timeout and
// RGB-mode buttons and a close bar, with its slide animation, ripples and press animations.
// Settings persist in a small key=value file. Main thread only.
#pragma once

#include "../config/knobs.hpp"
#include "../data/feedhub.hpp"
#include "../panel/panelkit.hpp"
#include "../services/control_centre.hpp"

#include <map>
#include <string>
#include <vector>

namespace ts::controlcentre {

class PullDeck : public services::ControlCentre {
public:
    PullDeck(config::Knobs& knobs, data::FeedHub& feed, panel::PanelKit& panel, std::string settings_path);

    void load_config() override;
    // The stored settings alone, without the hardware; exports the light's start mode and
    // colour to the environment (a launcher's value wins), so it must run before any other
    // thread starts. load_config() reads them itself when this did not run.
    void load_stored();
    bool is_settings_open() override { return open_; }
    double get_settings_progress() override { return progress_; }
    std::optional<core::AreaDescriptor> get_button_at(int x, int y) override;
    void handle_button_press(const core::AreaDescriptor& area_info) override;
    void open_settings() override { open_ = true; }
    void close_settings() override { open_ = false; }
    // Gone in the same frame, without the slide: the screen went dark, and the touch that
    // wakes it must find nothing it could press unseen.
    void close_at_once();
    void add_ripple(int x, int y, int size) override;
    void add_slide_ripple(int x, int y, int direction) override;
    void handle_color_slider(int x) override;
    void set_slide_start(int x) override { slide_start_x_ = x; }
    void start_button_animation(const std::string& btn_id) override;
    void release_button_animation(const std::string& btn_id) override;
    void reset_rgb_animation() override;
    void update_settings_animation() override;
    void draw_settings_panel(SDL_Surface* screen) override { draw_panel(screen, true); }
    std::uint32_t backdrop_dim() override;
    void draw_settings_panel_on_dimmed(SDL_Surface* screen) override { draw_panel(screen, false); }
    bool drawing_unchanged() override;

    int brightness() const { return brightness_; }  // percent
    int hue() const { return hue_; }                // degrees
    const std::string& rgb_mode() const { return rgb_mode_; }
    bool button_pressed(const std::string& btn_id) const;
    std::size_t ripple_count() const { return ripples_.size(); }
    const std::string& save_error() const { return save_error_; }
    // A problem with the configuration file, shown in the panel until a good file replaces it.
    void set_config_notice(std::string notice) { config_notice_ = std::move(notice); }

    static constexpr int kPanelHeight = 440;       // pixels
    static constexpr double kProgressStep = 0.2;   // per frame: opens in 5 frames

private:
    struct Ripple {
        int x, y, size, frame, direction;  // direction 0 for a press ripple
    };
    struct Button {
        SDL_Rect rect;  // panel coordinates
        core::AreaDescriptor area;
        std::string label;
    };

    int panel_top() const;  // screen y of the panel's top edge now
    std::string identifier_of(const std::string& id_or_text) const;
    void save();
    void draw_controls(SDL_Surface* screen, int top);
    // The panel over the screen, which is first darkened by backdrop_dim() when `darken`.
    void draw_panel(SDL_Surface* screen, bool darken);
    // Everything the panel's controls show; the cached panel is drawn again when it changes.
    struct Look {
        int brightness, hue, timeout;
        std::string rgb_mode, save_error;
        std::map<std::string, int> pressed;
        bool operator==(const Look&) const = default;
    };
    Look look() const;

    config::Knobs& knobs_;
    data::FeedHub& feed_;
    panel::PanelKit& panel_;
    std::string settings_path_;
    std::vector<Button> buttons_;
    bool open_ = false;
    double progress_ = 0.0;
    int brightness_ = 80;
    int hue_ = 120;
    int slide_start_x_ = 0;
    std::string rgb_mode_ = "rainbow";
    std::string save_error_;  // shown in the panel while the settings file cannot be written
    std::string config_notice_;
    bool stored_loaded_ = false;
    std::string unreadable_;  // why the stored settings could not be read; saves wait until they can
    bool unsaved_ = false;  // a slider changed a setting that is not stored yet
    std::vector<Ripple> ripples_;
    std::map<std::string, int> pressed_;  // button identifier -> frames since press
    // The controls drawn once into a surface of their own, laid on each frame that needs them.
    core::Surface panel_cache_;
    std::optional<Look> cached_look_;
    // The cache holds render::pixels::prepare_over_row's form, for 32-bit xRGB screens only.
    bool cache_prepared_ = false;
    // What the last draw_settings_panel call showed.
    std::optional<Look> drawn_look_;
    double drawn_progress_ = 0.0;
    bool drawn_ripples_ = false;
};

// Where the built-in control centre keeps its settings, from the environment and the account.
std::string default_settings_path();
// TOUCHSCREEN_SETTINGS, else under an absolute XDG_CONFIG_HOME, HOME or the account's home
// folder; "" when none is known, and the settings are then kept in memory only.
std::string settings_path_from(const char* settings, const char* xdg_config_home, const char* home,
                               const char* account_home);

}  // namespace ts::controlcentre
