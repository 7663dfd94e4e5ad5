// The one seam between the composed frame (a 376 x 960 picture in 32-bit xRGB) and the glass:
// the frame loop composes into frame() and hands over the rows that changed, and never knows
// whether they go to an SDL window, a KMS plane or a Linux framebuffer.
#pragma once

#include <SDL.h>

#include <span>

namespace ts::display {

// Rows [y0, y1) of the composed frame, in pixels.
struct RowBand {
    int y0 = 0, y1 = 0;
    friend bool operator==(const RowBand&, const RowBand&) = default;
};

class Presenter {
public:
    virtual ~Presenter() = default;
    // The surface every frame is composed into; valid for the presenter's life. Main thread only.
    virtual SDL_Surface* frame() = 0;
    // Shows the given bands of frame() on the glass; nothing else of it may have changed since
    // the last call. Main thread only. Throws on a failure of the output.
    virtual void present(std::span<const RowBand> bands) = 0;
    // Main thread, once a frame before it is composed: true once after the glass lost the
    // picture (the console came back from another VT), and the next frame must be presented
    // whole. Presenters on the console also answer its switch requests here.
    virtual bool take_lost_picture() { return false; }
    // Main thread, when the screen goes off (false) and before the first frame after it comes
    // back on (true): switches the output itself off and on where the device can (DPMS, a
    // powered-down framebuffer), beside the backlight. Coming back restores the mode; the
    // frame loop then presents the whole picture. Presenters that can switch nothing leave
    // the glass to the black frame. Closing the presenter switches the output on again.
    virtual void set_output_power(bool /*on*/) {}
    // True while the presenter keeps the output switched off: nothing need be presented, and
    // nothing would be shown.
    virtual bool output_off() const { return false; }
    // "sdl", "kms" or "fbdev", for the log.
    virtual const char* name() const = 0;
};

}  // namespace ts::display
