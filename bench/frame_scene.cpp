#include "frame_scene.hpp"

#include "sample_page.hpp"

#include "render/frame_cache.hpp"

#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace ts::bench {

FrameScene::FrameScene() {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) throw core::SdlError("SDL_InitSubSystem");
    window_.reset(SDL_CreateWindow("frame bench", 0, 0, 376, 960, 0));
    if (!window_) throw core::SdlError("SDL_CreateWindow");
    screen_ = SDL_GetWindowSurface(window_.get());
    if (screen_ == nullptr) throw core::SdlError("SDL_GetWindowSurface");

    builtin_.panelkit.hour_now = [] { return 12; };
    render::check_background(state_, builtin_.components, screen_);
    double share = 0;
    for (int idx = 0; idx < core::PAGE_COUNT; ++idx) {
        state_._cached_pages[idx] = core::make_alpha_surface(376, 960);
        test::draw_sample_page(state_._cached_pages[idx].get(), 100 + static_cast<unsigned>(idx));
        share += test::drawn_share(state_._cached_pages[idx].get());
    }
    drawn_share_ = share / core::PAGE_COUNT;
    state_._previous_page = 1;
    state_._current_page = 2;
}

FrameScene::~FrameScene() {
    window_.reset();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void FrameScene::draw(render::Compositor how) {
    render::draw_page_with_transition(state_, builtin_.components, screen_, how);
    render::_draw_page_indicator(state_, builtin_.knobs, screen_);
}

void FrameScene::resting_frame(render::Compositor how) {
    state_._page_transitioning = false;
    state_._page_transition_progress = 0;
    draw(how);
}

void FrameScene::resting_frame_after_render() {
    render::frame_cache(state_).page_runs[static_cast<std::size_t>(state_._current_page)].stale = true;
    resting_frame();
}

void FrameScene::before_slide() {
    const int current = state_._current_page;
    state_._current_page = state_._previous_page;
    resting_frame();
    state_._current_page = current;
}

void FrameScene::slide_frame(int k, int direction, render::Compositor how) {
    state_._page_transitioning = true;
    state_._page_transition_direction = direction;
    state_._page_transition_progress = k;
    draw(how);
}

void FrameScene::control_centre_frame(int steps, bool closing) {
    controlcentre::PullDeck& deck = builtin_.pulldeck;
    if (std::abs(deck.get_settings_progress() - steps * controlcentre::PullDeck::kProgressStep) > 1e-9 ||
        deck.is_settings_open() == closing) {
        deck.close_settings();
        for (int i = 0; i < 10; ++i) deck.update_settings_animation();
        deck.open_settings();
        if (closing) {
            for (int i = 0; i < 5; ++i) deck.update_settings_animation();
            deck.close_settings();
        }
        for (int i = 0; i < (closing ? 5 - steps : steps); ++i) deck.update_settings_animation();
    }
    state_._page_transitioning = false;
    state_._page_transition_progress = 0;
    render::draw_frame_layers(state_, builtin_.components, screen_);
}

}  // namespace ts::bench
