// The built-in panel utilities: the runtime directory, a background picture that follows
// the time of day, and the RGB light's mode (kept here; the board has no light driver).
#pragma once

#include "../services/config.hpp"
#include "../services/panel_utilities.hpp"

#include <functional>
#include <mutex>

namespace ts::panel {

class PanelKit : public services::PanelUtilities {
public:
    explicit PanelKit(services::Config& config) : config_(config) {}

    void init_permission_dirs() override;
    core::Surface create_dynamic_background() override;
    void set_rgb_mode(const std::string& mode, const std::string& color) override;

    std::string rgb_mode() const;
    std::string rgb_color() const;
    const std::string& runtime_dir() const { return runtime_dir_; }

    // Hour of the day (0-23) the background follows; replaceable for tests.
    std::function<int()> hour_now;

private:
    services::Config& config_;
    std::string runtime_dir_;
    mutable std::mutex rgb_mutex_;
    std::string rgb_mode_ = "off";
    std::string rgb_color_ = "green";
};

}  // namespace ts::panel
