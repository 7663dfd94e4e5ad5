// Frames through an SDL window's own surface: a desktop, a display server, or SDL's dummy
// driver in tests. Main thread only.
#pragma once

#include "presenter.hpp"

#include "../core/sdl_types.hpp"

namespace ts::display {

class SdlPresenter : public Presenter {
public:
    explicit SdlPresenter(core::Window window) : window_(std::move(window)) {}
    SDL_Surface* frame() override;
    // Updates only the bands' rectangles of the window.
    void present(std::span<const RowBand> bands) override;
    const char* name() const override { return "sdl"; }
    // A window has no output of its own to switch: screen off is the black frame (logged once).
    void set_output_power(bool on) override;
    SDL_Window* window() const { return window_.get(); }

private:
    core::Window window_;
    bool told_off_ = false;
};

}  // namespace ts::display
