// Pixel routines that SDL 2 lacks or does slowly: circle rows, mirroring, unsmoothed
// scaling to an exact size, blending with a surface-wide opacity, and finding the runs
// of a row that hold anything. They work on plain 32-bit pixel memory and know no SDL.
#pragma once

#include <array>
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

// Which source column each column of a row scaled from src_w to w pixels takes, as
// scale_nearest samples them, kept by blocks of 8 scaled columns so that gather_columns can
// fetch a block with two loads and two shuffles instead of eight loads and stores.
struct ColumnMap {
    static constexpr int kBlock = 8;
    int src_w = 0, w = 0;
    // Per block: its first source column, or -1 where the block's 8 columns do not lie
    // within 16 readable pixels of it (the row's right end, or a scale below 1/2).
    std::vector<int> base;
    std::vector<std::array<std::uint32_t, kBlock>> offset;  // source column - base, per column
    std::vector<int> source_x;                               // per column, padded to whole blocks
    int blocks() const { return static_cast<int>(base.size()); }
};

// Fills `map` for src_w -> w (w > 0); nothing is done when it already holds them.
void map_columns(int src_w, int w, ColumnMap& map);

// row[i] := src[map's source column of i] for every i of the blocks that overlap [i0, i1);
// row holds map.blocks() * 8 pixels and is indexed by scaled column.
void gather_columns(const std::uint32_t* src, const ColumnMap& map, int i0, int i1, std::uint32_t* row);

// Pixels the blend loops take at a time: a length of whole blocks needs no padded tail.
inline constexpr int kBlendBlock = 8;

// Lays n ARGB pixels (straight alpha) over n xRGB pixels. A source pixel of alpha a covers
// with a * opacity / 255 (rounded down); channels are rounded as SDL 2's blitters round
// them, and dst's top byte is kept.
void blend_row(std::uint32_t* dst, const std::uint32_t* src, int n, std::uint32_t opacity);

// The same as blend_row once per opacity, in order, in one pass over dst: for a page drawn
// several times at one place. Up to kMaxLayers of them share one pass.
inline constexpr std::size_t kMaxLayers = 4;
void blend_row_layers(std::uint32_t* dst, const std::uint32_t* src, int n, std::span<const std::uint32_t> opacities);

// blend_row(dst, src_a, n, opacity_a), then blend_row(dst, src_b, n, opacity_b), in one pass
// over dst: for a page drawn twice, faded, a few pixels apart. Opacities 1-254.
void blend_row_pair(std::uint32_t* dst, const std::uint32_t* src_a, const std::uint32_t* src_b, int n,
                    std::uint32_t opacity_a, std::uint32_t opacity_b);

// Each of n pixels covered by black at `alpha`: channels times (255 - alpha) / 255, rounded
// down, as a source-over of opaque black rounds them; the top byte is kept.
void darken_row(std::uint32_t* row, int n, std::uint32_t alpha);
// dst := src darkened as darken_row darkens it, in one pass; the same row, or rows apart.
void darken_copy_row(std::uint32_t* dst, const std::uint32_t* src, int n, std::uint32_t alpha);

// The same picture for a panel laid over many frames, with the per-pixel work of its blend
// done once: prepare_over_row turns n straight-alpha ARGB pixels into a form that only
// darken_over_row reads. darken_over_row(dst, under, prepared, n, alpha) then writes to dst
// what darken_row(under, n, alpha) followed by blend_row(under, src, n, 255) would leave in
// under, which it does not change unless it is dst itself.
void prepare_over_row(std::uint32_t* out, const std::uint32_t* src, int n);
void darken_over_row(std::uint32_t* dst, const std::uint32_t* under, const std::uint32_t* prepared, int n,
                     std::uint32_t alpha);

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
