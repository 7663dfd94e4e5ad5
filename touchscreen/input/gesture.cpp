#include "gesture.hpp"

namespace ts::input {

void handle_touch_point(core::AppState&, services::Components&, const TransitionStarter&, int, int) {}

void handle_touch_release(core::AppState&, services::Components& c) { c.pulldeck.reset_rgb_animation(); }

}  // namespace ts::input
