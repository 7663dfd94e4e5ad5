// One frame of the page area: the background, then the current page at rest or one frame
// of the ten-frame slide from the previous page to the current one.
#include "frame.hpp"
#include "layers.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace ts::render {
namespace {

// Halving for centring rounds down, also for negative values.
int floor_div(int a, int b) { return static_cast<int>(std::floor(static_cast<double>(a) / b)); }

int trunc_int(double v) { return static_cast<int>(std::trunc(v)); }

// Where and how opaque each layer of slide frame k is; pixels, opacities 0-255.
struct SlideFrame {
    int scaled_w, scaled_h, prev_x, prev_y, prev_alpha;
    int ghost_x[2], ghost_alpha[2];
    int curr_x;
};

// The products are taken in the order written and each cut toward zero when finished.
SlideFrame slide_frame(double progress_frames, int duration, int direction, int w, int h) {
    const double progress = progress_frames / duration;
    const double eased = 1.0 - std::pow(1.0 - progress, 3);
    const int s = direction > 0 ? 1 : -1;
    const double prev_scale = 1.0 - 0.2 * eased;
    SlideFrame f{};
    f.prev_alpha = trunc_int(255 * (1 - 0.7 * eased));
    const int prev_x_offset = trunc_int(s * w * eased);
    f.scaled_w = trunc_int(w * prev_scale);
    f.scaled_h = trunc_int(h * prev_scale);
    f.prev_x = prev_x_offset + floor_div(w - f.scaled_w, 2);
    f.prev_y = floor_div(h - f.scaled_h, 2);
    const int ghost_alpha = trunc_int(60 * (1 - eased));
    for (int i = 0; i < 2; ++i) {
        const int ghost_offset = trunc_int(10 * (i + 1) * eased);
        f.ghost_alpha[i] = std::max(0, floor_div(ghost_alpha, i + 2));
        f.ghost_x[i] = prev_x_offset + s * ghost_offset;
    }
    f.curr_x = trunc_int(-s * w * (1 - eased));
    return f;
}

// Dispatches each layer to the chosen way of drawing it.
class Layers {
public:
    Layers(core::AppState& state, SDL_Surface* screen, Compositor how)
        : state_(state), screen_(screen), fast_(how == Compositor::fast && fast::handles(screen)) {}

    // The page at rest over the background, darkened by `dim`; false when the fast way declines.
    bool resting(services::Components& c, int idx, std::uint32_t dim) {
        return fast_ && fast::resting(state_, c, screen_, idx, state_._cached_pages.at(idx).get(), dim);
    }
    // The same from the resting picture kept from an earlier frame only; false when there is none.
    bool kept_resting(services::Components& c, int idx) {
        return fast_ && fast::kept_resting(state_, c, screen_, idx, state_._cached_pages.at(idx).get());
    }
    void background(services::Components& c) {
        if (!(fast_ && fast::background(state_, c, screen_))) plain::background(state_, c, screen_);
    }
    void page(int idx, int x, int y, int opacity) {
        SDL_Surface* p = state_._cached_pages.at(idx).get();
        if (!(fast_ && fast::page(frame_cache(state_), screen_, idx, p, x, y, opacity))) {
            plain::page(screen_, p, x, y, opacity);
        }
    }
    // The page at (x, y) once per opacity, in order: the same picture as page() per opacity.
    void page_layers(int idx, int x, int y, std::span<const std::uint32_t> opacities) {
        SDL_Surface* p = state_._cached_pages.at(idx).get();
        if (fast_ && fast::page_layers(frame_cache(state_), screen_, idx, p, x, y, opacities)) return;
        for (const std::uint32_t o : opacities) plain::page(screen_, p, x, y, static_cast<int>(o));
    }
    // page(idx, x_a, y, opacity_a), then page(idx, x_b, y, opacity_b).
    void page_pair(int idx, int x_a, int x_b, int y, int opacity_a, int opacity_b) {
        SDL_Surface* p = state_._cached_pages.at(idx).get();
        if (fast_ && fast::page_pair(frame_cache(state_), screen_, idx, p, x_a, x_b, y, opacity_a, opacity_b)) return;
        page(idx, x_a, y, opacity_a);
        page(idx, x_b, y, opacity_b);
    }
    void scaled_page(int idx, int w, int h, int x, int y, int opacity) {
        SDL_Surface* p = state_._cached_pages.at(idx).get();
        if (!(fast_ && fast::scaled_page(frame_cache(state_), screen_, idx, p, w, h, x, y, opacity))) {
            plain::scaled_page(screen_, p, w, h, x, y, opacity);
        }
    }

private:
    core::AppState& state_;
    SDL_Surface* screen_;
    bool fast_;
};

bool has_surface(const core::AppState& state, int idx) {
    const auto it = state._cached_pages.find(idx);
    return it != state._cached_pages.end() && it->second;
}

}  // namespace

void _start_page_transition(core::AppState& state, int direction) {
    if (state._page_transitioning) return;
    state._page_transition_direction = direction;
    state._page_transition_progress = 0;
    state._page_transitioning = true;
}

void draw_page_with_transition(core::AppState& state, services::Components& c, SDL_Surface* screen,
                               Compositor compositor) {
    draw_page_with_transition(state, c, screen, compositor, 0);
}

bool draw_page_with_transition(core::AppState& state, services::Components& c, SDL_Surface* screen,
                               Compositor compositor, std::uint32_t dim) {
    Layers layers(state, screen, compositor);
    const int current = state._current_page;
    if (!state._page_transitioning) {
        // Rendered first, so that background and page can come from one composed picture;
        // the screen shows the same either way.
        if (state._page_dirty.at(static_cast<std::size_t>(current)).is_set()) {
            _render_page_to_surface(state, c, current);
        }
        if (has_surface(state, current) && layers.resting(c, current, dim)) return true;
        layers.background(c);
        if (has_surface(state, current)) layers.page(current, 0, 0, 255);
        return dim == 0;
    }

    const int previous = state._previous_page;
    for (const int idx : {previous, current}) {
        if (!has_surface(state, idx) || state._page_dirty.at(static_cast<std::size_t>(idx)).is_set()) {
            _render_page_to_surface(state, c, idx);
        }
    }
    const SlideFrame f = slide_frame(state._page_transition_progress, state._page_transition_duration,
                                     state._page_transition_direction, c.config.SCREEN_WIDTH(),
                                     c.config.SCREEN_HEIGHT());
    const SDL_Surface* prev_surface = state._cached_pages.at(previous).get();
    if (f.scaled_w == prev_surface->w && f.scaled_h == prev_surface->h && f.prev_y == 0 &&
        f.ghost_x[0] == f.prev_x && f.ghost_x[1] == f.prev_x) {
        // The first frame: the unscaled page and both ghosts lie exactly on one another, so the
        // three are blended in one pass, in the same order. The page itself at full opacity
        // over the background is the picture at rest just before the slide, mostly still kept.
        const auto ghost0 = static_cast<std::uint32_t>(f.ghost_alpha[0]);
        const auto ghost1 = static_cast<std::uint32_t>(f.ghost_alpha[1]);
        if (f.prev_x == 0 && f.prev_alpha >= 255 && layers.kept_resting(c, previous)) {
            layers.page_layers(previous, 0, 0, std::array{ghost0, ghost1});
        } else {
            layers.background(c);
            layers.page_layers(previous, f.prev_x, 0,
                               std::array{static_cast<std::uint32_t>(f.prev_alpha), ghost0, ghost1});
        }
    } else {
        layers.background(c);
        layers.scaled_page(previous, f.scaled_w, f.scaled_h, f.prev_x, f.prev_y, f.prev_alpha);
        layers.page_pair(previous, f.ghost_x[0], f.ghost_x[1], 0, f.ghost_alpha[0], f.ghost_alpha[1]);
    }
    layers.page(current, f.curr_x, 0, 255);

    state._page_transition_progress += 1;
    if (state._page_transition_progress >= state._page_transition_duration) {
        state._page_transitioning = false;
        state._page_transition_progress = 0;
    }
    return dim == 0;
}

bool redraw_resting_rows(core::AppState& state, services::Components& c, SDL_Surface* screen, int y0, int y1) {
    const int current = state._current_page;
    if (state._page_transitioning || !has_surface(state, current)) return false;
    return fast::resting_rows(state, c, screen, state._cached_pages.at(current).get(), y0, y1);
}

void _draw_page_with_transition(core::AppState& state, services::Components& c, SDL_Surface* screen) {
    draw_page_with_transition(state, c, screen, Compositor::fast);
}

}  // namespace ts::render
