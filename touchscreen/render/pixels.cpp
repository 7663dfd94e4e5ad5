#include "pixels.hpp"

#include <algorithm>
#include <cstring>

// The 32-byte vector helpers below are internal and always inlined; the warning about how
// such vectors would be passed between separately built functions does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

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

// Eight pixels at a time as one 32-byte vector, each channel widened to 16 bits for its
// products. GCC and Clang lower these vector types to SSE2 or AVX2 on x86 and to NEON on
// ARM; the x86 build carries an AVX2 copy chosen at run time.
//
// The rounding is SDL 2's own: with full opacity its per-pixel-alpha blitter takes
// (s * a >> 8) + (d * (255 - a) >> 8) and leaves a = 0 and a = 255 exact; with an opacity
// its generic blitter takes s * a / 255 + d * (255 - a) / 255, both rounded down. Matching
// it keeps our frames and SDL's the same to the bit.
using u8x16 = std::uint8_t __attribute__((vector_size(16)));
using u8x32 = std::uint8_t __attribute__((vector_size(32)));
using u16x16 = std::uint16_t __attribute__((vector_size(32)));
using u32x8 = std::uint32_t __attribute__((vector_size(32)));
constexpr int kBlock = 8;  // pixels per vector

// Channels widened to 16 bits by interleaving with zero bytes within each 16-byte half, the
// order the unpack and pack instructions of SSE2, AVX2 and NEON work in; narrow() undoes it.
struct Wide {
    u16x16 lo, hi;
};

[[gnu::always_inline]] inline Wide widen(const u32x8& v) {
    const auto b = reinterpret_cast<const u8x32&>(v);
    const u8x32 z{};
    const u8x32 lo = __builtin_shufflevector(b, z, 0, 32, 1, 32, 2, 32, 3, 32, 4, 32, 5, 32, 6, 32, 7, 32, 16, 32, 17, 32,
                                             18, 32, 19, 32, 20, 32, 21, 32, 22, 32, 23, 32);
    const u8x32 hi = __builtin_shufflevector(b, z, 8, 32, 9, 32, 10, 32, 11, 32, 12, 32, 13, 32, 14, 32, 15, 32, 24, 32,
                                             25, 32, 26, 32, 27, 32, 28, 32, 29, 32, 30, 32, 31, 32);
    return {reinterpret_cast<const u16x16&>(lo), reinterpret_cast<const u16x16&>(hi)};
}

// Every lane holds at most 255 here.
[[gnu::always_inline]] inline u32x8 narrow(const Wide& w) {
    const auto lo = reinterpret_cast<const u8x32&>(w.lo);
    const auto hi = reinterpret_cast<const u8x32&>(w.hi);
    const u8x32 b = __builtin_shufflevector(lo, hi, 0, 2, 4, 6, 8, 10, 12, 14, 32, 34, 36, 38, 40, 42, 44, 46, 16, 18, 20,
                                            22, 24, 26, 28, 30, 48, 50, 52, 54, 56, 58, 60, 62);
    return reinterpret_cast<const u32x8&>(b);
}

// Each pixel's alpha in all four of its channels (the fourth lane of each group of four).
[[gnu::always_inline]] inline u16x16 spread_alpha(const u16x16& w) {
    return __builtin_shufflevector(w, w, 3, 3, 3, 3, 7, 7, 7, 7, 11, 11, 11, 11, 15, 15, 15, 15);
}

// Rounded down; the compiler turns it into a high-half multiply and a shift.
[[gnu::always_inline]] inline u16x16 div255_lanes(const u16x16& x) { return x / 255; }

[[gnu::always_inline]] inline u32x8 load(const std::uint32_t* p) {
    u32x8 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

[[gnu::always_inline]] inline void store(std::uint32_t* p, const u32x8& v) { std::memcpy(p, &v, sizeof v); }

[[gnu::always_inline]] inline void blend_full(std::uint32_t* dst, const std::uint32_t* src) {
    const u32x8 s = load(src), d = load(dst);
    const Wide ws = widen(s), wd = widen(d);
    const Wide a{spread_alpha(ws.lo), spread_alpha(ws.hi)};
    const Wide mixed{((ws.lo * a.lo) >> 8) + ((wd.lo * (255 - a.lo)) >> 8),
                     ((ws.hi * a.hi) >> 8) + ((wd.hi * (255 - a.hi)) >> 8)};
    const u32x8 alpha = s >> 24;
    const auto opaque = reinterpret_cast<u32x8>(alpha == 255);
    const auto clear = reinterpret_cast<u32x8>(alpha == 0);
    const u32x8 rgb = (narrow(mixed) & ~(opaque | clear)) | (s & opaque) | (d & clear);
    store(dst, (d & 0xFF000000u) | (rgb & 0x00FFFFFFu));
}

[[gnu::always_inline]] inline void blend_faded(std::uint32_t* dst, const std::uint32_t* src, std::uint16_t opacity) {
    const u32x8 s = load(src), d = load(dst);
    const Wide ws = widen(s), wd = widen(d);
    const Wide a{div255_lanes(spread_alpha(ws.lo) * opacity), div255_lanes(spread_alpha(ws.hi) * opacity)};  // below 255
    const Wide mixed{div255_lanes(ws.lo * a.lo) + div255_lanes(wd.lo * (255 - a.lo)),
                     div255_lanes(ws.hi * a.hi) + div255_lanes(wd.hi * (255 - a.hi))};
    store(dst, (d & 0xFF000000u) | (narrow(mixed) & 0x00FFFFFFu));
}

#if defined(__x86_64__)
#define TS_BLEND_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TS_BLEND_CLONES
#endif

TS_BLEND_CLONES void blend_blocks(std::uint32_t* dst, const std::uint32_t* src, int blocks, std::uint32_t opacity) {
    if (opacity >= 255) {
        for (int i = 0; i < blocks; ++i) blend_full(dst + i * kBlock, src + i * kBlock);
    } else {
        const auto o = static_cast<std::uint16_t>(opacity);
        for (int i = 0; i < blocks; ++i) blend_faded(dst + i * kBlock, src + i * kBlock, o);
    }
}

}  // namespace

void blend_row(std::uint32_t* dst, const std::uint32_t* src, int n, std::uint32_t opacity) {
    const int blocks = n / kBlock;
    blend_blocks(dst, src, blocks, opacity);
    const int rest = n - blocks * kBlock;
    if (rest == 0) return;
    // The tail goes through a zero-padded block: transparent pixels blend to nothing.
    std::uint32_t tail_src[kBlock] = {}, tail_dst[kBlock] = {};
    const int whole = blocks * kBlock;
    std::memcpy(tail_src, src + whole, static_cast<std::size_t>(rest) * 4);
    std::memcpy(tail_dst, dst + whole, static_cast<std::size_t>(rest) * 4);
    blend_blocks(tail_dst, tail_src, 1, opacity);
    std::memcpy(dst + whole, tail_dst, static_cast<std::size_t>(rest) * 4);
}

void find_runs(const std::uint32_t* row, int w, std::vector<Run>& out) {
    bool open = false;
    Run run{0, 0};
    for (int x0 = 0; x0 < w; x0 += kRunBlock) {
        const int x1 = std::min(w, x0 + kRunBlock);
        std::uint32_t any = 0;
        if (x1 - x0 == kRunBlock) {
            for (int x = 0; x < kRunBlock; ++x) any |= row[x0 + x];  // a fixed count: one vector OR
        } else {
            for (int x = x0; x < x1; ++x) any |= row[x];
        }
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
