// Which presenters to try, in order, for the [display] backend setting and what the
// environment says about a display server. Pure: the caller reads the environment.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ts::display {

struct BackendChoice {
    std::vector<std::string> order;        // "sdl", "kms", "fbdev": the ones to try, in order
    std::vector<std::string> passed_over;  // "<backend>: <why>", for the log
    std::string error;                     // a setting we do not know; "auto" is used instead
};

// "auto": SDL first when a display server is there (DISPLAY, WAYLAND_DISPLAY) or a driver is
// named (SDL_VIDEODRIVER); otherwise KMS, then the framebuffer, then SDL with whatever driver
// it finds on its own (its KMSDRM driver on a board with a GPU). A named backend is tried alone.
BackendChoice choose_backends(std::string_view setting, bool display_server, bool driver_named);

}  // namespace ts::display
