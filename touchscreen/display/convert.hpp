// From the composed frame (32-bit xRGB) to a device's packed pixels, turned by 0, 90, 180 or
// 270 degrees on the way. Plain memory in and out; no SDL, no I/O.
#pragma once

#include <cstdint>

namespace ts::display {

// A packed true-colour layout, as a framebuffer's bitfields give it; offsets and lengths in
// bits, lengths 1-8. Bits outside the three fields are padding, written as ones.
struct PixelLayout {
    int bytes = 4;  // per pixel: 2, 3 or 4
    int red_offset = 16, red_length = 8;
    int green_offset = 8, green_length = 8;
    int blue_offset = 0, blue_length = 8;
};

inline constexpr PixelLayout kXrgb8888{4, 16, 8, 8, 8, 0, 8};
inline constexpr PixelLayout kXbgr8888{4, 0, 8, 8, 8, 16, 8};
inline constexpr PixelLayout kRgb565{2, 11, 5, 5, 6, 0, 5};
inline constexpr PixelLayout kBgr565{2, 0, 5, 5, 6, 11, 5};
inline constexpr PixelLayout kRgb888{3, 16, 8, 8, 8, 0, 8};

// The picture: w x h pixels, pitch in pixels.
struct Source {
    const std::uint32_t* data = nullptr;
    int w = 0, h = 0, pitch = 0;
};

// Device memory: the picture's top-left (after turning) lands at byte `origin`; stride in bytes.
struct Target {
    std::uint8_t* origin = nullptr;
    int stride = 0;
    PixelLayout layout;
};

// One xRGB pixel in the target's layout, in the low `bytes` bytes (little-endian order).
std::uint32_t pack(std::uint32_t xrgb, const PixelLayout& layout);

// Where picture pixel (x, y) of a w x h picture lands once turned clockwise by `rotation`
// degrees; the turned picture is h x w for 90 and 270.
struct Point {
    int x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};
Point rotate_point(int x, int y, int w, int h, int rotation);

// Writes rows [y0, y1) of the picture, turned, into the target.
void convert_rows(const Source& src, int y0, int y1, const Target& dst, int rotation);

}  // namespace ts::display
