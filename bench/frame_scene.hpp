// The scene both frame measurements draw: a 376 x 960 window on SDL's dummy driver, the
// built-in components with the built-in background picture, and four cached pages of
// dashboard-like content (about a third of their pixels drawn), all clean.
#pragma once

#include "core/app_state.hpp"
#include "render/frame.hpp"
#include "app/builtin.hpp"

namespace ts::bench {

class FrameScene {
public:
    FrameScene();
    ~FrameScene();
    FrameScene(const FrameScene&) = delete;
    FrameScene& operator=(const FrameScene&) = delete;

    // One frame's page area and indicator, as the frame loop draws them.
    void resting_frame(render::Compositor how = render::Compositor::fast);
    // A frame at rest right after the page was rendered again: what a render adds to the
    // composition (finding the page's runs, composing the resting picture), not the drawing.
    void resting_frame_after_render();
    // Page 1 at rest, as the screen shows it right before a swipe from it to page 2.
    void before_slide();
    // Slide frame k (0-9) from page 1 to page 2, with direction -1 or +1.
    void slide_frame(int k, int direction, render::Compositor how = render::Compositor::fast);

    // A resting frame with the control centre over it, `steps` animation steps (of 5) open,
    // reached by opening or, with `closing`, by closing from fully open; the panel's controls
    // come from their cached surface after the first call.
    void control_centre_frame(int steps, bool closing = false);

    SDL_Surface* screen() const { return screen_; }
    double drawn_share() const { return drawn_share_; }

private:
    void draw(render::Compositor how);

    app::Builtin builtin_;
    core::AppState state_;
    core::Window window_;
    SDL_Surface* screen_ = nullptr;
    double drawn_share_ = 0;
};

}  // namespace ts::bench
