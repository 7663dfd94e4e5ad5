// The dashboard's shared state: one object, owned by the main thread. Only the members
// marked as shared are touched by other threads, and each says which and how.
#pragma once

#include "area.hpp"
#include "sdl_types.hpp"

#include <array>
#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace ts::render {
struct FrameCache;  // render's own; only render/ looks inside
}

namespace ts::core {

inline constexpr bool DEBUG_MODE = false;
inline constexpr int PAGE_COUNT = 4;

// The base colour of the panel: masks, fallback background, and the fill without one.
inline constexpr Color BASE_COLOR{12, 14, 18};

// A set/test/clear flag that the refresh thread sets while the main thread tests and clears.
class DirtyFlag {
public:
    void set() noexcept { flag_.store(true, std::memory_order_release); }
    void clear() noexcept { flag_.store(false, std::memory_order_release); }
    bool is_set() const noexcept { return flag_.load(std::memory_order_acquire); }

private:
    std::atomic<bool> flag_{false};
};

// Rounded-corner masks, 40 x 40 each, built once.
struct CornerMasks {
    Surface tl, tr, bl, br;
    int radius = 40;
};

// Frees render's cache; defined in render/ where the type is complete.
struct FrameCacheDeleter {
    void operator()(render::FrameCache* cache) const noexcept;
};

struct AppState {
    // Shared: set by the refresh thread and the main thread, cleared by the main thread.
    std::array<DirtyFlag, PAGE_COUNT> _page_dirty{};

    // Main thread only from here to the refresh members.
    std::map<int, Surface> _cached_pages;
    Surface _background_surface;          // empty when absent
    std::optional<CornerMasks> _corner_mask_cache;  // built on first use
    int _current_page = 0;
    int _previous_page = 0;
    int _touch_start_x = 0;  // pixels
    int _touch_start_y = 0;  // pixels
    bool _touch_in_progress = false;
    bool _page_transitioning = false;
    double _page_transition_progress = 0.0;  // frames drawn so far
    int _page_transition_direction = 0;      // +1 rightward swipe, -1 leftward
    static constexpr int _page_transition_duration = 10;  // frames
    std::optional<std::pair<int, int>> _button_press_pos;
    std::optional<AreaDescriptor> _button_press_area;
    int _swipe_cooldown = 0;  // frames
    static constexpr int _swipe_threshold_x = 40;  // pixels
    static constexpr int _swipe_threshold_y = 50;  // pixels
    std::deque<std::pair<int, int>> _swipe_history;  // (dx, dy), newest last
    static constexpr std::size_t _swipe_history_max = 4;
    std::optional<std::string> _swipe_direction_locked;  // "horizontal" or "vertical"
    static constexpr int _swipe_lock_threshold = 25;  // pixels

    // Render's derived pixels and scratch space (the background with its masks laid on, the
    // runs of each page that hold anything, buffers for the slide): main thread only, made
    // by the first frame and rebuilt from the members above whenever they change.
    std::unique_ptr<render::FrameCache, FrameCacheDeleter> _frame_cache;

    // Shared: the refresh thread's bookkeeping; _last_refresh_times only under _refresh_lock.
    // Times are monotonic seconds, so a wall-clock step never stalls refreshing.
    std::mutex _refresh_lock;
    std::map<std::string, double> _last_refresh_times;

    // Shared: read by the main loop, cleared by the main thread or the signal handler.
    std::atomic<bool> _running{true};
    static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler stores _running");
};

}  // namespace ts::core
