// Touch events posted by the touch thread and taken by the main loop. The point travels
// by value inside the SDL event itself: nothing is allocated and no pointer crosses threads.
#pragma once

#include <SDL.h>

#include <cstdint>

namespace ts::core {

inline constexpr Uint32 TOUCH_EVENT = SDL_USEREVENT + 1;      // carries x, y in screen pixels
inline constexpr Uint32 TOUCH_END_EVENT = SDL_USEREVENT + 2;  // carries nothing

struct TouchPoint {
    int x = 0, y = 0;
};

inline SDL_Event make_touch_event(int x, int y) {
    SDL_Event e{};
    e.type = TOUCH_EVENT;
    e.user.type = TOUCH_EVENT;
    e.user.data1 = reinterpret_cast<void*>(static_cast<std::intptr_t>(x));
    e.user.data2 = reinterpret_cast<void*>(static_cast<std::intptr_t>(y));
    return e;
}

inline SDL_Event make_touch_end_event() {
    SDL_Event e{};
    e.type = TOUCH_END_EVENT;
    e.user.type = TOUCH_END_EVENT;
    return e;
}

inline TouchPoint touch_point_of(const SDL_Event& e) {
    return {static_cast<int>(reinterpret_cast<std::intptr_t>(e.user.data1)),
            static_cast<int>(reinterpret_cast<std::intptr_t>(e.user.data2))};
}

}  // namespace ts::core
