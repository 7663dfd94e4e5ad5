// Fixed facts of the panel and its touch controller; the program takes no
// arguments and reads no configuration, so these are the whole set-up.
#pragma once

#include <cstdint>

namespace touchreader {

inline constexpr const char* kDevicePath = "/dev/i2c-2";
inline constexpr int kSlaveAddress = 0x2C;
inline constexpr int kPanelWidth = 376;   // pixels; inclusive bound on x
inline constexpr int kPanelHeight = 960;  // pixels; inclusive bound on y

// HID-over-I2C descriptor register 0x0001, sent low byte first.
inline constexpr std::uint8_t kDescriptorRequest[2] = {0x01, 0x00};
inline constexpr int kDescriptorLength = 30;  // bytes
inline constexpr int kReportReadLength = 64;  // bytes, whatever the descriptor says
inline constexpr int kReportHeaderLength = 8; // length, state, unused, x, y

inline constexpr int kDescriptorPauseUs = 1000;  // controller needs 1 ms to answer
inline constexpr int kPollPauseUs = 20000;       // 20 ms: at most 50 points a second

inline constexpr int kMissesEndingTouch = 2;
inline constexpr int kEdgeFilterMaxY = 100;  // x = 0 with y below this is noise at the edge

}  // namespace touchreader
