// Panel utilities: directories the panel needs, the background picture and the RGB light.
#pragma once

#include "../core/sdl_types.hpp"

#include <string>

namespace ts::services {

class PanelUtilities {
public:
    virtual ~PanelUtilities() = default;
    // Main thread only.
    virtual void init_permission_dirs() = 0;
    // A full-screen picture, or an empty pointer when there is none; may throw.
    virtual core::Surface create_dynamic_background() = 0;
    // mode e.g. "rainbow", color e.g. "green".
    virtual void set_rgb_mode(const std::string& mode, const std::string& color) = 0;
    // Main thread, every frame with the screen on: the composed picture just before it is
    // presented (a last pass over it, within screen's clip rectangle only), and the moment
    // after (the picture is on the panel).
    virtual void finish_frame(SDL_Surface* /*screen*/) {}
    virtual void frame_presented() {}
};

}  // namespace ts::services
