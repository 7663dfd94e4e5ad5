// Text of every line the reader prints, formatted into caller-owned fixed
// buffers: no heap and no stdio streams, so the program needs libc only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "hid_decoder.hpp"

namespace touchreader {

// Longest line: the descriptor line, 52 bytes with five-digit fields.
inline constexpr std::size_t kLineCapacity = 96;

struct LineBuffer {
  char text[kLineCapacity];
  std::size_t length = 0;
};

// Wall-clock milliseconds cut to 32 bits; a label that wraps every 49.7 days.
std::uint32_t timestamp_ms(std::int64_t seconds, std::int64_t microseconds);

// The fixed text printed before the descriptor line.
LineBuffer start_banner();
LineBuffer descriptor_line(const Descriptor& descriptor);
// The prompt block that closes start-up.
LineBuffer prompt_block();
LineBuffer point_line(std::uint32_t timestamp, Point p);
LineBuffer release_line(std::uint32_t timestamp);

}  // namespace touchreader
