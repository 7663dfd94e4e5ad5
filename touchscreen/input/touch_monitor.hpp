// Runs the touch reader as a child, restarts it when it exits, and posts its lines as
// touch events into the SDL queue (the only channel to the main thread).
#pragma once

#include "../core/clock.hpp"

#include <string>

namespace ts::input {

// The reader beside our own executable.
std::string _get_touch_path();

// Runs until the process ends, or returns at once when the reader is missing.
void _touch_monitor_thread(core::Clock& clock);

}  // namespace ts::input
