// Line texts for standard output; the reading side matches touch lines by shape.
#include "line_format.hpp"

#include <cstdarg>
#include <cstdio>

#include "constants.hpp"

namespace touchreader {
namespace {

[[gnu::format(printf, 1, 2)]] LineBuffer format(const char* fmt, ...) {
  LineBuffer line;
  va_list args;
  va_start(args, fmt);
  const int n = std::vsnprintf(line.text, sizeof line.text, fmt, args);
  va_end(args);
  // Every format here fits; clamp anyway so a caller never writes past the text.
  if (n > 0) {
    const auto written = static_cast<std::size_t>(n);
    line.length = written < sizeof line.text ? written : sizeof line.text - 1;
  }
  return line;
}

}  // namespace

std::uint32_t timestamp_ms(std::int64_t seconds, std::int64_t microseconds) {
  // Unsigned arithmetic wraps modulo 2^64, which keeps the low 32 bits right.
  const std::uint64_t ms = static_cast<std::uint64_t>(seconds) * 1000u +
                           static_cast<std::uint64_t>(microseconds / 1000);
  return static_cast<std::uint32_t>(ms);
}

LineBuffer start_banner() {
  return format("=== touchreader Touch ===\nDevice: %s @ 0x%02x | Screen: %dx%d\n", kDevicePath,
                kSlaveAddress, kPanelWidth, kPanelHeight);
}

LineBuffer descriptor_line(const Descriptor& d) {
  return format("HID: Vendor=0x%04x Product=0x%04x InputLen=%d\n", d.vendor, d.product,
                d.input_length);
}

LineBuffer prompt_block() { return format("%s", "\nTouch screen (Ctrl+C to exit)\n\n"); }

LineBuffer point_line(std::uint32_t timestamp, Point p) {
  return format("%u %d %d\n", timestamp, p.x, p.y);
}

LineBuffer release_line(std::uint32_t timestamp) { return format("%u -1 -1\n", timestamp); }

}  // namespace touchreader
