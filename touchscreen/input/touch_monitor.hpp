// Runs the touch reader as a child, restarts it 3 s after it exits or fails, and posts its
// lines as touch events into the SDL queue, the only channel to the main thread.
#pragma once

#include "child_process.hpp"

#include "../core/clock.hpp"
#include "../core/log.hpp"

#include <SDL.h>

#include <atomic>
#include <functional>
#include <string>
#include <string_view>

namespace ts::input {

// The reader beside our own executable.
std::string _get_touch_path();
// The same from a link to the executable (/proc/self/exe), else from the name the program was
// started with and PATH; links are resolved, so a start through bin/touchscreen finds the reader.
std::string _touch_path_from(const std::string& self_link, const std::string& argv0, const char* path_env);

// The default way touch events reach the main thread: SDL's queue, from any thread. Once closed,
// events are dropped instead: shutdown closes it before SDL_Quit, since the touch thread lives
// on until the process ends; start-up opens it.
void post_to_sdl(const SDL_Event& event);
void set_posting_to_sdl(bool open) noexcept;

// Seams for tests; the defaults are what the program uses.
struct TouchMonitorOptions {
    std::string touch_path;                          // empty: _get_touch_path()
    std::function<void(const SDL_Event&)> post;      // default: SDL_PushEvent, any thread
    std::function<void(core::log::Level, std::string_view)> log;  // default: the process logger
    ReaderLauncher launch;                           // default: start_reader
    // After a failed exit: why the reader could not use its bus, "" when nothing is found
    // wrong. Default: touch_bus_problem() for /dev/i2c-2 and the controller at 0x2c.
    std::function<std::string()> diagnose;
    // The reader's panel turned clockwise by this many degrees (0, 90, 180, 270) against a
    // picture of width x height pixels: its points are turned back before they are posted.
    int rotation = 0;
    int width = 376, height = 960;
    // Tests only: once set, the loop ends within a pass and kills and reaps its child. The
    // program never stops the supervisor; it ends with the process.
    const std::atomic<bool>* stop = nullptr;
};

// The touch thread's body: runs until the process ends, or returns at once when the reader
// is missing. Every error is logged and followed by a 3 s pause, so the thread never dies.
void _touch_monitor_thread(core::Clock& clock, TouchMonitorOptions options = {});

}  // namespace ts::input
