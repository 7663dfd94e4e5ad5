// Pixel routines that SDL 2 lacks or does slowly: circle rows, mirroring, unsmoothed
// scaling to an exact size, blending with a surface-wide opacity, and finding the runs
// of a row that hold anything. They work on plain 32-bit pixel memory and know no SDL.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ts::render::pixels {

// A borrowed rectangle of 32-bit pixels; pitch counts pixels, not bytes.
struct View {
    std::uint32_t* data = nullptr;
    int w = 0, h = 0;
    int pitch = 0;
    std::uint32_t* row(int y) const { return data + static_cast<std::ptrdiff_t>(y) * pitch; }
};

// x / 255 rounded down, for 0 <= x <= 255 * 255.
constexpr std::uint32_t div255(std::uint32_t x) { return (x + 1 + (x >> 8)) >> 8; }

// Calls row(y, x0, x1) for each row of the disc of pixels within `radius` of (cx, cy),
// covering x0..x1 inclusive, top row first. Nothing is clipped.
template <typename RowFn>
void for_each_circle_row(int cx, int cy, int radius, RowFn row) {
    if (radius < 0) return;
    for (int dy = -radius; dy <= radius; ++dy) {
        int half = 0;
        while ((half + 1) * (half + 1) + dy * dy <= radius * radius) ++half;
        row(cy + dy, cx - half, cx + half);
    }
}

// dst := src mirrored left to right and/or top to bottom; same sizes, no overlap.
void mirror(const View& src, const View& dst, bool left_right, bool top_bottom);

// dst := src scaled to dst's size by nearest sampling, no smoothing: dst (x, y) takes
// src (x * src.w / dst.w, y * src.h / dst.h), both rounded down.
void scale_nearest(const View& src, const View& dst);

// Lays n ARGB pixels (straight alpha) over n xRGB pixels. A source pixel of alpha a covers
// with a * opacity / 255 (rounded down); channels are rounded as SDL 2's blitters round
// them, and dst's top byte is kept.
void blend_row(std::uint32_t* dst, const std::uint32_t* src, int n, std::uint32_t opacity);

// The same as blend_row once per opacity, in order, in one pass over dst: for a page drawn
// several times at one place. Up to kMaxLayers of them share one pass.
inline constexpr std::size_t kMaxLayers = 4;
void blend_row_layers(std::uint32_t* dst, const std::uint32_t* src, int n, std::span<const std::uint32_t> opacities);

// A run [x0, x1) of a row, in pixels.
struct Run {
    int x0, x1;
};

// Appends to `out` the runs of `row` (w ARGB pixels) that hold a pixel of non-zero alpha.
// Runs are whole blocks of kRunBlock pixels (the last may be short), and blocks closer than
// kRunMergeGap pixels are joined: blending a fully transparent pixel changes nothing, and
// fewer, longer runs blend faster.
inline constexpr int kRunBlock = 8;
inline constexpr int kRunMergeGap = 16;
void find_runs(const std::uint32_t* row, int w, std::vector<Run>& out);

}  // namespace ts::render::pixels
