// Reads the controller's HID-over-I2C bytes: the descriptor fields shown at
// start-up and the touch report found inside a poll read. Pure: bytes in only.
#pragma once

#include <cstdint>

namespace touchreader {

struct Point {
  std::uint16_t x = 0;  // pixels, as sent by the controller
  std::uint16_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Report {
  bool found = false;     // false: no header in the read
  std::uint8_t state = 0; // contact state, low four bits only
  Point point;
};

struct Descriptor {
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
  std::uint16_t input_length = 0;  // bytes; informational, never used to size reads
};

// Finds the first report header (bytes 20 00) that still has its eight bytes
// inside the n bytes read. n may be negative or below 8: then nothing is found.
Report find_report(const std::uint8_t* bytes, int n);

// False for points off the panel and for the edge noise at x = 0, y < 100.
bool accept_point(Point p);

// bytes must hold the full 30-byte descriptor.
Descriptor parse_descriptor(const std::uint8_t* bytes);

}  // namespace touchreader
