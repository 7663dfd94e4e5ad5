// The touch state machine: turns each poll read into at most one line to
// print and the pause before the next read. Pure, so it runs without hardware.
#pragma once

#include <cstdint>

#include "hid_decoder.hpp"

namespace touchreader {

enum class Line : std::uint8_t { none, point, release };

struct Step {
  Line line = Line::none;
  Point point;       // meaningful for Line::point
  int pause_us = 0;  // microseconds to wait before the next read
};

struct TouchState {
  bool touching = false;  // a point line was printed and no release since
  std::int32_t misses = 0;
  Point last;  // last printed point; (0, 0) after a release
};

// n is what read returned: negative for an error, else the byte count.
Step on_read(TouchState& state, const std::uint8_t* bytes, int n);

}  // namespace touchreader
