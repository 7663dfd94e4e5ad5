// Timestamp arithmetic of the touch lines: a 32-bit label that wraps.
#include "line_format.hpp"

#include <gtest/gtest.h>

#include <cstdint>

namespace touchreader {
namespace {

struct Clock {
  std::int64_t seconds;
  std::int64_t microseconds;
  std::uint32_t expected;
};

TEST(TouchreaderTimestamp, MillisecondsModulo2To32) {
  const Clock cases[] = {
      {0, 999, 0},
      {4294967, 295999, 4294967295u},  // last value before the wrap
      {4294967, 296000, 0},            // 2^32 ms wraps to 0
      {1700000000, 123456, static_cast<std::uint32_t>(1700000000123ull % 4294967296ull)},
      {2147483648, 5000, static_cast<std::uint32_t>(2147483648005ull % 4294967296ull)},  // 2038
  };
  for (const Clock& c : cases)
    EXPECT_EQ(timestamp_ms(c.seconds, c.microseconds), c.expected) << c.seconds << "." << c.microseconds;
}

}  // namespace
}  // namespace touchreader
