#include "choice.hpp"

namespace ts::display {

BackendChoice choose_backends(std::string_view setting, bool display_server, bool driver_named) {
    BackendChoice choice;
    if (setting == "sdl" || setting == "kms" || setting == "fbdev") {
        choice.order = {std::string(setting)};
        return choice;
    }
    if (setting != "auto") {
        choice.error = "[display] backend = \"" + std::string(setting) +
                       "\" is not one of auto, sdl, kms, fbdev; using auto";
    }
    if (display_server || driver_named) {
        choice.order = {"sdl", "kms", "fbdev"};
    } else {
        choice.order = {"kms", "fbdev", "sdl"};
        choice.passed_over.push_back("sdl: no DISPLAY, WAYLAND_DISPLAY or SDL_VIDEODRIVER; tried last");
    }
    return choice;
}

}  // namespace ts::display
