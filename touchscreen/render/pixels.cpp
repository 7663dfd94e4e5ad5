#include "pixels.hpp"

#include <algorithm>

namespace ts::render::pixels {

void mirror(const View& src, const View& dst, bool left_right, bool top_bottom) {
    for (int y = 0; y < dst.h; ++y) {
        const std::uint32_t* from = src.row(top_bottom ? src.h - 1 - y : y);
        std::uint32_t* to = dst.row(y);
        if (left_right) {
            std::reverse_copy(from, from + src.w, to);
        } else {
            std::copy(from, from + src.w, to);
        }
    }
}

void scale_nearest(const View& src, const View& dst) {
    for (int y = 0; y < dst.h; ++y) {
        const std::uint32_t* from = src.row(static_cast<int>(std::int64_t{y} * src.h / dst.h));
        std::uint32_t* to = dst.row(y);
        for (int x = 0; x < dst.w; ++x) to[x] = from[std::int64_t{x} * src.w / dst.w];
    }
}

namespace {

// Red and blue share each multiply, side by side in one word; every 16-bit lane stays below
// 2^16, so no carry crosses lanes. The rounding is SDL 2's own: with full opacity its
// per-pixel-alpha blitter takes (s * a >> 8) + (d * (255 - a) >> 8) and leaves a = 0 and
// a = 255 exact; with an opacity its generic blitter takes s * a / 255 + d * (255 - a) / 255,
// both rounded down. Matching it keeps our frames and SDL's the same to the bit.
constexpr std::uint32_t kRB = 0x00FF00FFu;

inline std::uint32_t lanes_div255(std::uint32_t x) { return ((x + 0x00010001u + ((x >> 8) & kRB)) >> 8) & kRB; }

inline std::uint32_t blend_full(std::uint32_t s, std::uint32_t d) {
    const std::uint32_t a = s >> 24;
    const std::uint32_t na = 255 - a;
    const std::uint32_t rb = (((s & kRB) * a >> 8) & kRB) + (((d & kRB) * na >> 8) & kRB);
    const std::uint32_t g = (((s >> 8) & 0xFFu) * a >> 8) + (((d >> 8) & 0xFFu) * na >> 8);
    const std::uint32_t mixed = rb | (g << 8);
    const std::uint32_t rgb = a == 0 ? (d & 0x00FFFFFFu) : a == 255 ? (s & 0x00FFFFFFu) : mixed;
    return (d & 0xFF000000u) | rgb;
}

inline std::uint32_t blend_faded(std::uint32_t s, std::uint32_t d, std::uint32_t opacity) {
    const std::uint32_t a = div255((s >> 24) * opacity);  // below 255: opacity is
    const std::uint32_t na = 255 - a;
    const std::uint32_t rb = lanes_div255((s & kRB) * a) + lanes_div255((d & kRB) * na);
    const std::uint32_t g = div255(((s >> 8) & 0xFFu) * a) + div255(((d >> 8) & 0xFFu) * na);
    return (d & 0xFF000000u) | rb | (g << 8);
}

// Fixed-size blocks give the vectoriser a known trip count even at -O2.
constexpr int kBlock = 8;

}  // namespace

void blend_row(std::uint32_t* __restrict dst, const std::uint32_t* __restrict src, int n, std::uint32_t opacity) {
    int i = 0;
    if (opacity >= 255) {
        for (; i + kBlock <= n; i += kBlock) {
            for (int j = 0; j < kBlock; ++j) dst[i + j] = blend_full(src[i + j], dst[i + j]);
        }
        for (; i < n; ++i) dst[i] = blend_full(src[i], dst[i]);
        return;
    }
    for (; i + kBlock <= n; i += kBlock) {
        for (int j = 0; j < kBlock; ++j) dst[i + j] = blend_faded(src[i + j], dst[i + j], opacity);
    }
    for (; i < n; ++i) dst[i] = blend_faded(src[i], dst[i], opacity);
}

void find_runs(const std::uint32_t* row, int w, std::vector<Run>& out) {
    bool open = false;
    Run run{0, 0};
    for (int x0 = 0; x0 < w; x0 += kRunBlock) {
        const int x1 = std::min(w, x0 + kRunBlock);
        std::uint32_t any = 0;
        for (int x = x0; x < x1; ++x) any |= row[x];
        if ((any >> 24) == 0) continue;
        if (open && x0 - run.x1 < kRunMergeGap) {
            run.x1 = x1;
        } else {
            if (open) out.push_back(run);
            run = {x0, x1};
            open = true;
        }
    }
    if (open) out.push_back(run);
}

}  // namespace ts::render::pixels
