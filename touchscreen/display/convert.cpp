#include "convert.hpp"

#include <algorithm>
#include <cstring>
#include <type_traits>

// The 32-byte vector helpers below are internal and always inlined; the warning about how
// such vectors would be passed between separately built functions does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace ts::display {
namespace {

// Channel of 8 bits down to `len` bits, at `off`.
constexpr std::uint32_t field(std::uint32_t v8, int off, int len) { return (v8 >> (8 - len)) << off; }

constexpr std::uint32_t padding(const PixelLayout& l) {
    const std::uint32_t all = l.bytes >= 4 ? 0xFFFFFFFFu : (1u << (8 * l.bytes)) - 1;
    const auto mask = [](int off, int len) { return ((1u << len) - 1) << off; };
    return all & ~(mask(l.red_offset, l.red_length) | mask(l.green_offset, l.green_length) |
                   mask(l.blue_offset, l.blue_length));
}

// Eight pixels at a time in a 32-byte vector, worked on as two 16-byte halves where the
// picture turns: SSE2 on x86 (with an AVX2 copy chosen at run time), NEON on ARM.
using u32x8 = std::uint32_t __attribute__((vector_size(32)));
using u32x4 = std::uint32_t __attribute__((vector_size(16)));
using u32x16 = std::uint32_t __attribute__((vector_size(64)));
using u16x16 = std::uint16_t __attribute__((vector_size(32)));
using u16x8 = std::uint16_t __attribute__((vector_size(16)));
using u16x4 = std::uint16_t __attribute__((vector_size(8)));
using u8x16 = std::uint8_t __attribute__((vector_size(16)));
using u8x32 = std::uint8_t __attribute__((vector_size(32)));

// Red and blue bytes swapped, the top byte cleared; on vectors one byte shuffle.
template <typename V>
V swap_red_blue(V p) {
    if constexpr (sizeof(V) == 32) {
        const auto b = reinterpret_cast<const u8x32&>(p);
        const u8x32 z{};
        const u8x32 r = __builtin_shufflevector(b, z, 2, 1, 0, 32, 6, 5, 4, 32, 10, 9, 8, 32, 14, 13, 12, 32, 18, 17, 16,
                                                32, 22, 21, 20, 32, 26, 25, 24, 32, 30, 29, 28, 32);
        return reinterpret_cast<const V&>(r);
    } else {
        return ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
    }
}

// The common layouts with their shifts known to the compiler. pack() takes one pixel or a
// vector of eight and gives the device value in the low `bytes` bytes of each 32-bit lane.
struct Xrgb8888 {
    static constexpr int bytes = 4;
    template <typename V>
    static V pack(V p) { return p | 0xFF000000u; }
};
struct Xbgr8888 {
    static constexpr int bytes = 4;
    template <typename V>
    static V pack(V p) { return 0xFF000000u | swap_red_blue(p); }
};
struct Rgb565 {
    static constexpr int bytes = 2;
    template <typename V>
    static V pack(V p) { return ((p >> 8) & 0xF800u) | ((p >> 5) & 0x07E0u) | ((p >> 3) & 0x001Fu); }
    // From the green and blue bytes and the red byte of each pixel, apart.
    template <typename V>
    static V pack16(V gb, V r) { return ((r << 8) & 0xF800u) | ((gb >> 5) & 0x07E0u) | ((gb >> 3) & 0x001Fu); }
};
struct Bgr565 {
    static constexpr int bytes = 2;
    template <typename V>
    static V pack(V p) { return ((p << 8) & 0xF800u) | ((p >> 5) & 0x07E0u) | ((p >> 19) & 0x001Fu); }
    template <typename V>
    static V pack16(V gb, V r) { return ((gb << 8) & 0xF800u) | ((gb >> 5) & 0x07E0u) | ((r >> 3) & 0x001Fu); }
};
struct Rgb888 {
    static constexpr int bytes = 3;
    template <typename V>
    static V pack(V p) { return p & 0xFFFFFFu; }
};
struct Bgr888 {
    static constexpr int bytes = 3;
    template <typename V>
    static V pack(V p) { return swap_red_blue(p); }
};
inline constexpr PixelLayout kBgr888{3, 0, 8, 8, 8, 16, 8};

[[gnu::always_inline]] inline u32x8 load8(const std::uint32_t* p) {
    u32x8 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename P>
[[gnu::always_inline]] inline void store1(std::uint8_t* at, std::uint32_t p) {
    const std::uint32_t v = P::pack(p);
    std::memcpy(at, &v, P::bytes);  // little-endian: the low bytes
}

// Four packed pixels, in the order they lie in device memory from `at` on. Packed 24-bit
// pixels go out as 12 bytes: four 3-byte stores would cost three times as much.
template <typename P>
[[gnu::always_inline]] inline void store4(std::uint8_t* at, const u32x4& v) {
    if constexpr (P::bytes == 4) {
        std::memcpy(at, &v, 16);
    } else if constexpr (P::bytes == 2) {
        const u16x4 n = __builtin_convertvector(v, u16x4);
        std::memcpy(at, &n, 8);
    } else {  // the three colour bytes of each pixel, side by side
        const auto b = reinterpret_cast<const u8x16&>(v);
        const u8x16 packed = __builtin_shufflevector(b, b, 0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, 15, 15, 15, 15);
        std::memcpy(at, &packed, 12);
    }
}

[[gnu::always_inline]] inline u32x4 low_half(const u32x8& v) { return __builtin_shufflevector(v, v, 0, 1, 2, 3); }
[[gnu::always_inline]] inline u32x4 high_half(const u32x8& v) { return __builtin_shufflevector(v, v, 4, 5, 6, 7); }

// Four 3-byte pixels in each half of a vector: 12 bytes of colour in the layout's byte order
// and 4 spare bytes, last (`spare_first` false) or first.
template <typename P, bool spare_first>
[[gnu::always_inline]] inline u8x32 pixels24(const u32x8& v) {
    constexpr bool bgr = std::is_same_v<P, Bgr888>;
    constexpr int r = bgr ? 2 : 0, b = bgr ? 0 : 2;  // where a pixel's first and last stored bytes come from
    const auto in = reinterpret_cast<const u8x32&>(v);
    if constexpr (spare_first) {
        return __builtin_shufflevector(in, in, 3, 3, 3, 3, r, 1, b, 4 + r, 5, 4 + b, 8 + r, 9, 8 + b, 12 + r, 13,
                                       12 + b, 19, 19, 19, 19, 16 + r, 17, 16 + b, 20 + r, 21, 20 + b, 24 + r, 25,
                                       24 + b, 28 + r, 29, 28 + b);
    } else {
        return __builtin_shufflevector(in, in, r, 1, b, 4 + r, 5, 4 + b, 8 + r, 9, 8 + b, 12 + r, 13, 12 + b, 15, 15,
                                       15, 15, 16 + r, 17, 16 + b, 20 + r, 21, 20 + b, 24 + r, 25, 24 + b, 28 + r, 29,
                                       28 + b, 31, 31, 31, 31);
    }
}

[[gnu::always_inline]] inline u8x16 low_half(const u8x32& v) {
    return __builtin_shufflevector(v, v, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
}
[[gnu::always_inline]] inline u8x16 high_half(const u8x32& v) {
    return __builtin_shufflevector(v, v, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31);
}

// 24 bytes at `at` from the 12 colour bytes of `first` and then of `second` (from pixels24).
// The quick way stores all 16 bytes of each, so 4 spare bytes land just outside the 24: after
// them when the spares are last, before when first. Only a caller that writes those bytes
// afterwards may use it.
template <bool spare_first, bool exact>
[[gnu::always_inline]] inline void put24(std::uint8_t* at, const u8x16& first, const u8x16& second) {
    // The inner one of the two goes out whole, its spares mended by the outer one.
    if constexpr (spare_first) {
        std::memcpy(at + 8, &second, 16);
        if constexpr (exact) {
            std::memcpy(at, reinterpret_cast<const std::uint8_t*>(&first) + 4, 12);
        } else {
            std::memcpy(at - 4, &first, 16);
        }
    } else {
        std::memcpy(at, &first, 16);
        if constexpr (exact) {
            std::memcpy(at + 12, &second, 12);
        } else {
            std::memcpy(at + 12, &second, 16);
        }
    }
}

// Source rows are read in order; each lands along a target row (0, 180 degrees) or column
// (90, 270).
struct Walk {
    std::ptrdiff_t start;  // byte offset of picture pixel (0, y) for y = 0
    std::ptrdiff_t row;    // per picture row
    std::ptrdiff_t step;   // per picture pixel along a row
};

Walk walk_of(const Source& s, const Target& t, int rotation) {
    const std::ptrdiff_t b = t.layout.bytes, st = t.stride;
    const int w = s.w, h = s.h;
    switch (rotation) {
        case 90:  // (x, y) -> (h - 1 - y, x)
            return {(h - 1) * b, -b, st};
        case 180:  // (x, y) -> (w - 1 - x, h - 1 - y)
            return {(h - 1) * st + (w - 1) * b, -st, -b};
        case 270:  // (x, y) -> (y, w - 1 - x)
            return {(w - 1) * st, b, -st};
        default:
            return {0, st, b};
    }
}

// One pixel at a time, for any layout: the generic path, and the edges of the fast ones.
// Turned columns are written in tiles of kTile rows so that the cache lines they touch are
// still held when the next source row fills their neighbours.
constexpr int kTile = 16;

template <typename F>
void convert_with(const Source& s, int y0, int y1, int x0, int x1, const Target& t, const Walk& wk, int tile,
                  F pack_one) {
    for (int xt = x0; xt < x1; xt += tile) {
        const int xe = std::min(x1, xt + tile);
        for (int y = y0; y < y1; ++y) {
            const std::uint32_t* in = s.data + static_cast<std::ptrdiff_t>(y) * s.pitch;
            std::uint8_t* out = t.origin + wk.start + y * wk.row + xt * wk.step;
            for (int x = xt; x < xe; ++x, out += wk.step) pack_one(out, in[x]);
        }
    }
}

// One straight (0 degrees) or mirrored (180) row from its leftmost target byte. 2- and 4-byte
// pixels in a plain loop, which the compiler vectorises for any target (SSE2, AVX2, NEON)
// better than vectors spelt out: the narrowing to 16 bits becomes one pack of two vectors.
// Packed 24-bit pixels go eight a step as two overlapping 16-byte stores, each one's 4 spare
// bytes covered by the next: a third as many stores as pixel by pixel.
template <typename P, bool reversed>
[[gnu::always_inline]] inline void row_fixed(const std::uint32_t* __restrict in, std::uint8_t* __restrict left,
                                             int w) {
    constexpr int b = P::bytes;
    int x = 0;
    if constexpr (b == 3) {
        // The spares of a step land on the 2 pixels after it (before it, mirrored), written
        // later; the last step with no 2 pixels beyond is written exactly.
        const auto step = [&]<bool exact>(std::bool_constant<exact>) {
            if constexpr (reversed) {
                const u32x8 v = load8(in + x);  // pixels24 picks the colour bytes in the layout's order
                const u8x32 a = pixels24<P, true>(__builtin_shufflevector(v, v, 7, 6, 5, 4, 3, 2, 1, 0));
                put24<true, exact>(left + (w - 8 - x) * 3, low_half(a), high_half(a));
            } else {
                const u8x32 a = pixels24<P, false>(load8(in + x));
                put24<false, exact>(left + x * 3, low_half(a), high_half(a));
            }
        };
        for (; x + 10 <= w; x += 8) step(std::false_type{});
        if (x + 8 <= w) {
            step(std::true_type{});
            x += 8;
        }
    } else if constexpr (b == 2) {
        // Sixteen a step, packed in 32 bits and narrowed once: the vectoriser narrows early
        // and packs each channel apart, three times the work.
        for (; x + 16 <= w; x += 16) {
            u32x16 v;
            std::memcpy(&v, in + x, sizeof v);
            u16x16 n = P::pack16(__builtin_convertvector(v & 0xFFFFu, u16x16), __builtin_convertvector(v >> 16, u16x16));
            if constexpr (reversed) n = __builtin_shufflevector(n, n, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
            std::memcpy(left + (reversed ? w - 16 - x : x) * 2, &n, sizeof n);
        }
    } else {
        for (; x < w; ++x) {
            const std::uint32_t v = P::pack(in[x]);
            std::memcpy(left + (reversed ? w - 1 - x : x) * 4, &v, 4);
        }
    }
    for (; x < w; ++x) store1<P>(left + (reversed ? w - 1 - x : x) * b, in[x]);
}

template <typename P>
[[gnu::always_inline]] inline void rows_fixed(const Source& s, int y0, int y1, const Target& t, const Walk& wk) {
    const bool reversed = wk.step < 0;
    for (int y = y0; y < y1; ++y) {
        const std::uint32_t* in = s.data + static_cast<std::ptrdiff_t>(y) * s.pitch;
        std::uint8_t* row = t.origin + wk.start + y * wk.row;
        if (reversed) {
            row_fixed<P, true>(in, row - static_cast<std::ptrdiff_t>(s.w - 1) * P::bytes, s.w);
        } else {
            row_fixed<P, false>(in, row, s.w);
        }
    }
}

// Rows a, b, c, d (in the order their pixels lie along a target row) of 8 columns, turned:
// column i of the four in the low half of cols[i], column 4 + i in the high half.
[[gnu::always_inline]] inline void turn4x8(const u32x8& a, const u32x8& b, const u32x8& c, const u32x8& d,
                                           u32x8 (&cols)[4]) {
    const u32x8 ab_lo = __builtin_shufflevector(a, b, 0, 8, 1, 9, 4, 12, 5, 13);
    const u32x8 ab_hi = __builtin_shufflevector(a, b, 2, 10, 3, 11, 6, 14, 7, 15);
    const u32x8 cd_lo = __builtin_shufflevector(c, d, 0, 8, 1, 9, 4, 12, 5, 13);
    const u32x8 cd_hi = __builtin_shufflevector(c, d, 2, 10, 3, 11, 6, 14, 7, 15);
    cols[0] = __builtin_shufflevector(ab_lo, cd_lo, 0, 1, 8, 9, 4, 5, 12, 13);
    cols[1] = __builtin_shufflevector(ab_lo, cd_lo, 2, 3, 10, 11, 6, 7, 14, 15);
    cols[2] = __builtin_shufflevector(ab_hi, cd_hi, 0, 1, 8, 9, 4, 5, 12, 13);
    cols[3] = __builtin_shufflevector(ab_hi, cd_hi, 2, 3, 10, 11, 6, 7, 14, 15);
}

// One block of 4 source rows from `y` by 8 columns from `x`: each column goes out as 4 pixels.
template <typename P>
[[gnu::always_inline]] inline void block4(const Source& s, int y, int x, const Target& t, const Walk& wk) {
    const bool upward = wk.row < 0;  // 90: the later source row lies first in device memory
    const std::ptrdiff_t p = s.pitch;
    const std::uint32_t* in = s.data + static_cast<std::ptrdiff_t>(y) * p + x;
    u32x8 cols[4];
    turn4x8(load8(in + (upward ? 3 * p : 0)), load8(in + (upward ? 2 * p : p)), load8(in + (upward ? p : 2 * p)),
            load8(in + (upward ? 0 : 3 * p)), cols);
    std::uint8_t* out = t.origin + wk.start + (upward ? y + 3 : y) * wk.row + x * wk.step;
    for (int i = 0; i < 4; ++i) {
        const u32x8 c = P::pack(cols[i]);
        store4<P>(out + i * wk.step, low_half(c));
        store4<P>(out + (4 + i) * wk.step, high_half(c));
    }
}

// One block of 8 source rows from `y` by 8 columns from `x`, for 2- and 3-byte layouts: each
// column goes out as one 16- or 24-byte run, half as many stores as two blocks of 4 rows.
// `upward` as in block4; `exact` as in put24, which the last block of a band needs.
template <typename P, bool upward, bool exact>
[[gnu::always_inline]] inline void block8(const Source& s, int y, int x, const Target& t, const Walk& wk) {
    const std::ptrdiff_t p = s.pitch;
    const std::uint32_t* in = s.data + static_cast<std::ptrdiff_t>(y) * p + x;
    u32x8 r[8];  // in the order their pixels lie along a target row
    for (int k = 0; k < 8; ++k) r[k] = load8(in + (upward ? 7 - k : k) * p);
    std::uint8_t* out = t.origin + wk.start + (upward ? y + 7 : y) * wk.row + x * wk.step;
    if constexpr (P::bytes == 2) {
        // Two packed rows per 32-bit lane, the earlier in the low half: a 4 x 8 turn of those
        // lanes leaves each column's 8 pixels side by side in one half.
        for (int k = 0; k < 8; ++k) r[k] = P::pack(r[k]);
        u32x8 cols[4];
        turn4x8(r[0] | (r[1] << 16), r[2] | (r[3] << 16), r[4] | (r[5] << 16), r[6] | (r[7] << 16), cols);
#pragma GCC unroll 4
        for (int i = 0; i < 4; ++i) {
            const u32x4 lo = low_half(cols[i]), hi = high_half(cols[i]);
            std::memcpy(out + i * wk.step, &lo, 16);
            std::memcpy(out + (4 + i) * wk.step, &hi, 16);
        }
    } else {
        static_assert(P::bytes == 3);
        // Upward, the block's spare bytes go before it: the next block lies there.
        u32x8 first[4], second[4];  // rows 0-3 and 4-7 of each column
        turn4x8(r[0], r[1], r[2], r[3], first);
        turn4x8(r[4], r[5], r[6], r[7], second);
#pragma GCC unroll 4
        for (int i = 0; i < 4; ++i) {
            const u8x32 a = pixels24<P, upward>(first[i]), b = pixels24<P, upward>(second[i]);
            put24<upward, exact>(out + i * wk.step, low_half(a), low_half(b));
            put24<upward, exact>(out + (4 + i) * wk.step, high_half(a), high_half(b));
        }
    }
}

// Rows in the first band of a turned conversion from row y0: a band whose target bytes start
// on a 64-byte line writes whole lines, and a line written in halves by two bands is as often
// as not evicted in between. The fewest whole blocks that bring the next band onto a line,
// if any do (a stride that is not a multiple of 64 moves the lines from row to row anyway).
int first_band(const std::uint8_t* origin, int y0, std::ptrdiff_t row, int bytes, int tall, int band_rows) {
    // Target bytes of source row y0 begin at origin + y0 * row; a band goes upward from its
    // first row's last byte.
    const std::uintptr_t edge = reinterpret_cast<std::uintptr_t>(origin) + static_cast<std::uintptr_t>(y0 * row) +
                                static_cast<std::uintptr_t>(row < 0 ? bytes : 0);
    for (int rows = tall; rows < band_rows; rows += tall) {
        if ((edge + static_cast<std::uintptr_t>(rows * row)) % 64 == 0) return rows;
    }
    return band_rows;
}

// Turned by 90 or 270: blocks of 8 (2- and 3-byte layouts) or 4 rows by 8 columns, turned in
// registers; bands of source rows, so that each target row gets whole cache lines per band
// while the band's source rows stay in the cache.
template <typename P, bool upward>
[[gnu::always_inline]] inline void columns_fixed(const Source& s, int y0, int y1, const Target& t, const Walk& wk) {
    const int whole_x = s.w / 8 * 8;
    constexpr int tall = P::bytes == 4 ? 4 : 8;  // rows per block
    const int whole_tall = y0 + (y1 - y0) / tall * tall;
    // 64 bytes per target row and band: 16 or 32 source rows; 64 rows (3 lines) for 3 bytes.
    constexpr int band_rows = P::bytes == 4 ? 16 : P::bytes == 2 ? 32 : 64;
    // Packed 24-bit blocks spill into the next block of their column, written just after; the
    // last block of a band is written exactly, so that no band touches the next one's lines.
    const int first = first_band(t.origin + wk.start, y0, wk.row, P::bytes, tall, band_rows);
    for (int band = y0, band_end = y0; band < whole_tall; band = band_end) {
        band_end = std::min(whole_tall, band + (band == y0 ? first : band_rows));
        for (int x = 0; x < whole_x; x += 8) {
            for (int y = band; y < band_end; y += tall) {
                if constexpr (tall == 4) {
                    block4<P>(s, y, x, t, wk);
                } else if (P::bytes == 2 || y + tall < band_end) {
                    block8<P, upward, false>(s, y, x, t, wk);
                } else {
                    block8<P, upward, true>(s, y, x, t, wk);
                }
            }
        }
    }
    // Up to 7 rows left below the tall blocks: one block of 4 where it fits.
    int whole_y1 = whole_tall;
    if (tall == 8 && y1 - whole_tall >= 4) {
        for (int x = 0; x < whole_x; x += 8) block4<P>(s, whole_tall, x, t, wk);
        whole_y1 += 4;
    }
    // The edges that do not fill a block: the last columns, then the last rows.
    const auto one = [](std::uint8_t* at, std::uint32_t px) { store1<P>(at, px); };
    if (whole_x < s.w) convert_with(s, y0, whole_y1, whole_x, s.w, t, wk, kTile, one);
    if (whole_y1 < y1) convert_with(s, whole_y1, y1, 0, s.w, t, wk, kTile, one);
}

// Clang 14 refuses 32-byte vectors passed between an AVX2 clone and the helpers above (as in
// render/pixels.cpp), so its build keeps the baseline code only.
#if defined(__x86_64__) && !defined(__clang__)
#define TS_CONVERT_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TS_CONVERT_CLONES
#endif

// One pair of functions per fast layout: target_clones takes no templates.
#define TS_CONVERT_LAYOUT(P)                                                                                          \
    TS_CONVERT_CLONES void rows_##P(const Source& s, int y0, int y1, const Target& t, const Walk& wk) {               \
        rows_fixed<P>(s, y0, y1, t, wk);                                                                              \
    }                                                                                                                 \
    TS_CONVERT_CLONES void columns_##P(const Source& src, int y0, int y1, const Target& tgt, const Walk& walk) {      \
        /* Copies: byte stores may alias the callers' structs, and the compiler would read */                         \
        /* their fields again after each one. */                                                                      \
        const Source s = src;                                                                                         \
        const Target t = tgt;                                                                                         \
        const Walk wk = walk;                                                                                         \
        if (wk.row < 0) {                                                                                             \
            columns_fixed<P, true>(s, y0, y1, t, wk);                                                                 \
        } else {                                                                                                      \
            columns_fixed<P, false>(s, y0, y1, t, wk);                                                                \
        }                                                                                                             \
    }
TS_CONVERT_LAYOUT(Xrgb8888)
TS_CONVERT_LAYOUT(Xbgr8888)
TS_CONVERT_LAYOUT(Rgb565)
TS_CONVERT_LAYOUT(Bgr565)
TS_CONVERT_LAYOUT(Rgb888)
TS_CONVERT_LAYOUT(Bgr888)
#undef TS_CONVERT_LAYOUT

using Kernel = void (*)(const Source&, int, int, const Target&, const Walk&);
struct Fast {
    PixelLayout layout;
    Kernel rows, columns;
};

bool same(const PixelLayout& a, const PixelLayout& b) {
    return a.bytes == b.bytes && a.red_offset == b.red_offset && a.red_length == b.red_length &&
           a.green_offset == b.green_offset && a.green_length == b.green_length && a.blue_offset == b.blue_offset &&
           a.blue_length == b.blue_length;
}

}  // namespace

std::uint32_t pack(std::uint32_t p, const PixelLayout& l) {
    return field((p >> 16) & 0xFF, l.red_offset, l.red_length) | field((p >> 8) & 0xFF, l.green_offset, l.green_length) |
           field(p & 0xFF, l.blue_offset, l.blue_length) | padding(l);
}

Point rotate_point(int x, int y, int w, int h, int rotation) {
    switch (rotation) {
        case 90: return {h - 1 - y, x};
        case 180: return {w - 1 - x, h - 1 - y};
        case 270: return {y, w - 1 - x};
        default: return {x, y};
    }
}

void convert_rows(const Source& s, int y0, int y1, const Target& t, int rotation) {
    y0 = std::max(y0, 0);
    y1 = std::min(y1, s.h);
    if (y0 >= y1) return;
    static const Fast fast[] = {
        {kXrgb8888, rows_Xrgb8888, columns_Xrgb8888}, {kXbgr8888, rows_Xbgr8888, columns_Xbgr8888},
        {kRgb565, rows_Rgb565, columns_Rgb565},       {kBgr565, rows_Bgr565, columns_Bgr565},
        {kRgb888, rows_Rgb888, columns_Rgb888},       {kBgr888, rows_Bgr888, columns_Bgr888},
    };
    const bool turned = rotation == 90 || rotation == 270;
    for (const Fast& f : fast) {
        if (same(t.layout, f.layout)) return (turned ? f.columns : f.rows)(s, y0, y1, t, walk_of(s, t, rotation));
    }
    // Any other layout (padding inside a pixel, 4-byte 565, fields of other lengths): one
    // pixel at a time from the bitfields.
    const PixelLayout l = t.layout;
    const std::uint32_t pad = padding(l);
    const int bytes = l.bytes;
    convert_with(s, y0, y1, 0, s.w, t, walk_of(s, t, rotation), turned ? kTile : s.w, [&](std::uint8_t* at, std::uint32_t p) {
        const std::uint32_t v = field((p >> 16) & 0xFF, l.red_offset, l.red_length) |
                                field((p >> 8) & 0xFF, l.green_offset, l.green_length) |
                                field(p & 0xFF, l.blue_offset, l.blue_length) | pad;
        std::memcpy(at, &v, static_cast<std::size_t>(bytes));  // little-endian: the low bytes
    });
}

}  // namespace ts::display
