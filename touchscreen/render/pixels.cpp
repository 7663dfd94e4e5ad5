#include "pixels.hpp"

#include <algorithm>
#include <array>
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
constexpr int kBlock = kBlendBlock;  // pixels per vector

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

// The high 16 bits of each lane's 32-bit product. Written as a loop over plain arrays,
// which GCC's loop vectoriser turns into one pmulhuw on x86; as vector arithmetic it would
// widen to 32-bit lanes instead. Any target computes the same values.
// The loop must reach the vectoriser whole: at -O3 GCC first unrolls it completely, and the
// straight-line vectoriser rebuilds the 16 products as widened 32-bit multiplies, making a
// slide frame several times slower. Hence no unrolling here.
[[gnu::always_inline]] inline u16x16 mulhi(const u16x16& a, const u16x16& b) {
    std::uint16_t x[16], y[16], r[16];
    std::memcpy(x, &a, sizeof x);
    std::memcpy(y, &b, sizeof y);
#pragma GCC unroll 1
    for (int i = 0; i < 16; ++i) r[i] = static_cast<std::uint16_t>((std::uint32_t{x[i]} * y[i]) >> 16);
    u16x16 v;
    std::memcpy(&v, r, sizeof v);
    return v;
}

[[gnu::always_inline]] inline u32x8 load(const std::uint32_t* p) {
    u32x8 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

[[gnu::always_inline]] inline void store(std::uint32_t* p, const u32x8& v) { std::memcpy(p, &v, sizeof v); }

// Each pixel's alpha in all four of its channels (the fourth lane of each group of four).
[[gnu::always_inline]] inline u16x16 spread_alpha(const u16x16& w) {
    return __builtin_shufflevector(w, w, 3, 3, 3, 3, 7, 7, 7, 7, 11, 11, 11, 11, 15, 15, 15, 15);
}

// One layer at full opacity, SDL's per-pixel-alpha rounding; a = 255 and a = 0 give source
// and destination exactly, as SDL's blitter does. Returns the blended pixels; their top
// byte is to be replaced.
[[gnu::always_inline]] inline u32x8 over_full(const u32x8& s, const Wide& ws, const u32x8& d) {
    const Wide alpha{spread_alpha(ws.lo), spread_alpha(ws.hi)};
    const Wide wd = widen(d);
    const Wide mixed{((ws.lo * alpha.lo) >> 8) + ((wd.lo * (255 - alpha.lo)) >> 8),
                     ((ws.hi * alpha.hi) >> 8) + ((wd.hi * (255 - alpha.hi)) >> 8)};
    const u32x8 a = s >> 24;
    const auto opaque = reinterpret_cast<u32x8>(a == 255);
    const auto clear = reinterpret_cast<u32x8>(a == 0);
    return (narrow(mixed) & ~(opaque | clear)) | (s & opaque) | (d & clear);
}

// A faded layer rounds as SDL's alpha-modulated blitter: the pixel covers with
// a' = floor(a * opacity / 255), and each channel becomes
// floor(s * a' / 255) + floor(d * (255 - a') / 255).
//
// Every floor(x * y / 255) here has x <= 255 and y <= 254, and then it equals the high half
// of x * (257 * y + 1): with x * y = 255 m + r, x * (257 y + 1) = 65536 m + (257 r + x - m),
// where 0 <= 257 r + x - m < 65536 because m <= x. So each product and its division are one
// high-half multiply by a weight that the pixel's alpha gives once for all its channels.
// The weight for d, 257 * (255 - a') + 1, is 1 - (257 * a' + 1) in 16 bits; only a' = 0
// makes it overflow, and then the pixel is left as it is. The alpha lanes get that weight
// of 1 too, so a faded layer keeps the destination's top byte by itself.
struct FadedWeights {
    Wide w;  // 257 * a' + 1 for each pixel's colour channels, 1 for its alpha lane
};

[[gnu::always_inline]] inline FadedWeights faded_weights(const u32x8& s, std::uint16_t opacity) {
    const u16x16 alpha = reinterpret_cast<u16x16>(s >> 24);  // in the even lanes, 0 in the odd
    const u16x16 cover = mulhi(alpha, u16x16{} + static_cast<std::uint16_t>(257 * opacity + 1));
    const u16x16 w = ((cover << 8) | cover) + 1;  // and 1 in the odd lanes
    return {Wide{__builtin_shufflevector(w, w, 0, 0, 0, 1, 2, 2, 2, 3, 8, 8, 8, 9, 10, 10, 10, 11),
                 __builtin_shufflevector(w, w, 4, 4, 4, 5, 6, 6, 6, 7, 12, 12, 12, 13, 14, 14, 14, 15)}};
}

[[gnu::always_inline]] inline u16x16 over_faded_half(const u16x16& ws, const u16x16& w, const u16x16& wd) {
    const u16x16 mixed = mulhi(ws, w) + mulhi(wd, 1 - w);
    return w == 1 ? wd : mixed;
}

// One layer with an opacity of 1-254, on widened pixels.
[[gnu::always_inline]] inline Wide over_faded(const Wide& ws, const FadedWeights& f, const Wide& wd) {
    return {over_faded_half(ws.lo, f.w.lo, wd.lo), over_faded_half(ws.hi, f.w.hi, wd.hi)};
}

// Eight pixels of one source laid over dst once per layer: first at full opacity or at
// opacities[0], then Faded more layers with the opacities after it, all below 255. However
// many layers there are, the pixels are loaded, widened, narrowed and stored once. The
// layer kinds are fixed at compile time: a branch per layer and block cost about a layer.
using Opacities = std::array<std::uint16_t, kMaxLayers>;

template <bool FirstFull, int Faded>
[[gnu::always_inline]] inline void blend_block(std::uint32_t* dst, const std::uint32_t* src, const Opacities& opacities) {
    const u32x8 s = load(src), d = load(dst);
    const Wide ws = widen(s);
    if constexpr (!FirstFull) {  // faded layers only: the top byte stays as it is
        Wide wd = over_faded(ws, faded_weights(s, opacities[0]), widen(d));
#pragma GCC unroll 4
        for (int l = 1; l <= Faded; ++l) wd = over_faded(ws, faded_weights(s, opacities[l]), wd);
        store(dst, narrow(wd));
        return;
    }
    u32x8 out = over_full(s, ws, d);
    if constexpr (Faded > 0) {
        Wide wd = widen(out);
#pragma GCC unroll 4
        for (int l = 1; l <= Faded; ++l) wd = over_faded(ws, faded_weights(s, opacities[l]), wd);
        out = narrow(wd);
    }
    store(dst, (d & 0xFF000000u) | (out & 0x00FFFFFFu));
}

// Clang 14 refuses 32-byte vectors passed between an AVX2 clone and the helpers above, so
// its build keeps the baseline code only.
#if defined(__x86_64__) && !defined(__clang__)
#define TS_BLEND_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TS_BLEND_CLONES
#endif

// The opacities are taken by value: through a pointer they would be read again after every
// store, which may alias them.
template <bool FirstFull, int Faded>
[[gnu::always_inline]] inline void blend_blocks_of(std::uint32_t* dst, const std::uint32_t* src, int blocks,
                                                   const Opacities opacities) {
    for (int i = 0; i < blocks; ++i) blend_block<FirstFull, Faded>(dst + i * kBlock, src + i * kBlock, opacities);
}

template <bool FirstFull>
[[gnu::always_inline]] inline void blend_blocks_first(std::uint32_t* dst, const std::uint32_t* src, int blocks,
                                                      const Opacities& opacities, int layers) {
    static_assert(kMaxLayers == 4);
    switch (layers) {
        case 1: return blend_blocks_of<FirstFull, 0>(dst, src, blocks, opacities);
        case 2: return blend_blocks_of<FirstFull, 1>(dst, src, blocks, opacities);
        case 3: return blend_blocks_of<FirstFull, 2>(dst, src, blocks, opacities);
        default: return blend_blocks_of<FirstFull, 3>(dst, src, blocks, opacities);
    }
}

// opacities: 1 to kMaxLayers values, all but the first below 255, none 0.
TS_BLEND_CLONES void blend_blocks(std::uint32_t* dst, const std::uint32_t* src, int blocks, const Opacities& opacities,
                                  int layers) {
    if (opacities[0] >= 255) {
        blend_blocks_first<true>(dst, src, blocks, opacities, layers);
    } else {
        blend_blocks_first<false>(dst, src, blocks, opacities, layers);
    }
}

// Two faded layers from two sources, in order, on one load, widening and store of dst.
TS_BLEND_CLONES void blend_pair_blocks(std::uint32_t* dst, const std::uint32_t* src_a, const std::uint32_t* src_b,
                                       int blocks, const std::uint16_t opacity_a, const std::uint16_t opacity_b) {
    for (int i = 0; i < blocks; ++i) {
        const int at = i * kBlock;
        const u32x8 d = load(dst + at);
        const u32x8 a = load(src_a + at), b = load(src_b + at);
        Wide wd = over_faded(widen(a), faded_weights(a, opacity_a), widen(d));
        wd = over_faded(widen(b), faded_weights(b, opacity_b), wd);
        store(dst + at, narrow(wd));
    }
}

}  // namespace

namespace {

// blend_blocks over n pixels, the last few through a zero-padded block: transparent pixels
// blend to nothing.
void blend_n(std::uint32_t* dst, const std::uint32_t* src, int n, const Opacities& opacities, int layers) {
    const int blocks = n / kBlock;
    blend_blocks(dst, src, blocks, opacities, layers);
    const int rest = n - blocks * kBlock;
    if (rest <= 0) return;
    std::uint32_t tail_src[kBlock] = {}, tail_dst[kBlock] = {};
    const int whole = blocks * kBlock;
    std::memcpy(tail_src, src + whole, static_cast<std::size_t>(rest) * 4);
    std::memcpy(tail_dst, dst + whole, static_cast<std::size_t>(rest) * 4);
    blend_blocks(tail_dst, tail_src, 1, opacities, layers);
    std::memcpy(dst + whole, tail_dst, static_cast<std::size_t>(rest) * 4);
}

}  // namespace

void blend_row(std::uint32_t* dst, const std::uint32_t* src, int n, std::uint32_t opacity) {
    if (opacity == 0) return;  // covers nothing
    blend_n(dst, src, n, Opacities{static_cast<std::uint16_t>(std::min(opacity, 255u))}, 1);
}

void blend_row_layers(std::uint32_t* dst, const std::uint32_t* src, int n, std::span<const std::uint32_t> opacities) {
    // One pass takes a layer of any opacity and up to kMaxLayers - 1 more below full opacity
    // (full opacity would be a branch per block); 0 covers nothing. The rest: further passes.
    Opacities kept{};
    int layers = 0;
    std::size_t used = 0;
    for (; used < opacities.size(); ++used) {
        const std::uint32_t o = std::min(opacities[used], 255u);
        if (o == 0) continue;
        if (layers == static_cast<int>(kMaxLayers) || (layers > 0 && o == 255)) break;
        kept[layers++] = static_cast<std::uint16_t>(o);
    }
    if (layers > 0) blend_n(dst, src, n, kept, layers);
    if (used < opacities.size()) blend_row_layers(dst, src, n, opacities.subspan(used));
}

void blend_row_pair(std::uint32_t* dst, const std::uint32_t* src_a, const std::uint32_t* src_b, int n,
                    std::uint32_t opacity_a, std::uint32_t opacity_b) {
    const auto oa = static_cast<std::uint16_t>(opacity_a);
    const auto ob = static_cast<std::uint16_t>(opacity_b);
    const int blocks = n / kBlock;
    blend_pair_blocks(dst, src_a, src_b, blocks, oa, ob);
    const int rest = n - blocks * kBlock;
    if (rest <= 0) return;
    // The last few through zero-padded blocks: transparent pixels blend to nothing.
    std::uint32_t tail_a[kBlock] = {}, tail_b[kBlock] = {}, tail_dst[kBlock] = {};
    const int whole = blocks * kBlock;
    const auto bytes = static_cast<std::size_t>(rest) * 4;
    std::memcpy(tail_a, src_a + whole, bytes);
    std::memcpy(tail_b, src_b + whole, bytes);
    std::memcpy(tail_dst, dst + whole, bytes);
    blend_pair_blocks(tail_dst, tail_a, tail_b, 1, oa, ob);
    std::memcpy(dst + whole, tail_dst, bytes);
}

void map_columns(int src_w, int w, ColumnMap& map) {
    if (map.src_w == src_w && map.w == w) return;
    const int blocks = (w + ColumnMap::kBlock - 1) / ColumnMap::kBlock;
    map.source_x.resize(static_cast<std::size_t>(blocks) * ColumnMap::kBlock);
    for (int i = 0; i < blocks * ColumnMap::kBlock; ++i) {
        // Past w, the last column again: gathered with the block, never blended.
        map.source_x[static_cast<std::size_t>(i)] = static_cast<int>(std::int64_t{std::min(i, w - 1)} * src_w / w);
    }
    map.base.resize(static_cast<std::size_t>(blocks));
    map.offset.resize(static_cast<std::size_t>(blocks));
    for (int b = 0; b < blocks; ++b) {
        const int* cols = map.source_x.data() + b * ColumnMap::kBlock;
        const int base = cols[0];
        const bool near = cols[ColumnMap::kBlock - 1] - base < 2 * ColumnMap::kBlock && base + 2 * ColumnMap::kBlock <= src_w;
        map.base[static_cast<std::size_t>(b)] = near ? base : -1;
        for (int j = 0; j < ColumnMap::kBlock; ++j) {
            map.offset[static_cast<std::size_t>(b)][static_cast<std::size_t>(j)] = static_cast<std::uint32_t>(cols[j] - base);
        }
    }
    map.src_w = src_w;
    map.w = w;
}

namespace {

// Eight pixels picked from the 16 at `from` by indices 0-15. GCC lowers the variable
// shuffles to vpermd on AVX2 and to table lookups on NEON; each takes its index modulo 8.
// Clang has no variable shuffle builtin: there, eight loads.
[[gnu::always_inline]] inline u32x8 pick(const std::uint32_t* from, const u32x8& index) {
#if defined(__clang__)
    u32x8 out;
    for (int j = 0; j < kBlock; ++j) out[j] = from[index[j]];
    return out;
#else
    const u32x8 lo = load(from), hi = load(from + kBlock);
    const u32x8 from_lo = __builtin_shuffle(lo, index);
    const u32x8 from_hi = __builtin_shuffle(hi, index);
    const auto high = reinterpret_cast<u32x8>(index >= kBlock);
    return (from_lo & ~high) | (from_hi & high);
#endif
}

TS_BLEND_CLONES void gather_blocks(const std::uint32_t* src, const ColumnMap& map, int b0, int b1, std::uint32_t* row) {
    for (int b = b0; b < b1; ++b) {
        std::uint32_t* out = row + b * kBlock;
        const int base = map.base[static_cast<std::size_t>(b)];
        if (base >= 0) {
            store(out, pick(src + base, load(map.offset[static_cast<std::size_t>(b)].data())));
        } else {
            for (int j = 0; j < kBlock; ++j) out[j] = src[map.source_x[static_cast<std::size_t>(b * kBlock + j)]];
        }
    }
}

}  // namespace

void gather_columns(const std::uint32_t* src, const ColumnMap& map, int i0, int i1, std::uint32_t* row) {
    if (i0 >= i1) return;
    gather_blocks(src, map, i0 / kBlock, (i1 + kBlock - 1) / kBlock, row);
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

namespace {

// Black at `alpha` over eight pixels: each channel c becomes floor(c * inv / 255), inv = 255 -
// alpha, which for inv <= 254 is the high half of c * (257 * inv + 1) (see FadedWeights). Blue
// and red, then green and alpha, sit in the low bytes of 16-bit lanes, so one high-half
// multiply darkens two channels of four pixels. The weight is a scalar: a splat the loop keeps
// in a register, where a constant vector would pass through the stack (as mulhi's arrays do)
// and stall on its reload. The top byte is kept.
[[gnu::always_inline]] inline u16x16 mulhi_by(const u16x16& a, std::uint16_t k) {
    std::uint16_t x[16], r[16];
    std::memcpy(x, &a, sizeof x);
#pragma GCC unroll 1
    for (int i = 0; i < 16; ++i) r[i] = static_cast<std::uint16_t>((std::uint32_t{x[i]} * k) >> 16);
    u16x16 v;
    std::memcpy(&v, r, sizeof v);
    return v;
}

// The weight of darken_block for alpha 1-255.
std::uint16_t darken_weight(std::uint32_t alpha) { return static_cast<std::uint16_t>(257 * (255 - alpha) + 1); }

// Blue-red and green-alpha lanes of eight pixels, darkened: channel values only, no top byte.
struct DarkLanes {
    u16x16 rb, ga;
};

[[gnu::always_inline]] inline DarkLanes darken_lanes(const u32x8& d, std::uint16_t k) {
    return {mulhi_by(reinterpret_cast<u16x16>(d & 0x00FF00FFu), k),
            mulhi_by(reinterpret_cast<u16x16>((d >> 8) & 0x00FF00FFu), k)};
}

[[gnu::always_inline]] inline u32x8 darken_block(const u32x8& d, std::uint16_t k) {
    const DarkLanes l = darken_lanes(d, k);
    return (d & 0xFF000000u) | reinterpret_cast<u32x8>(l.rb) | ((reinterpret_cast<u32x8>(l.ga) & 0xFFu) << 8);
}

TS_BLEND_CLONES void darken_blocks(std::uint32_t* dst, const std::uint32_t* src, int blocks, std::uint16_t k) {
    for (int i = 0; i < blocks; ++i) store(dst + i * kBlock, darken_block(load(src + i * kBlock), k));
}

// Eight straight-alpha pixels in the prepared form of prepare_over_row: colour channels
// floor(s * a / 256), or s itself at a = 255; top byte 254 - a, 0 at a = 255, 255 at a = 0.
TS_BLEND_CLONES void prepare_blocks(std::uint32_t* out, const std::uint32_t* src, int blocks) {
    for (int i = 0; i < blocks; ++i) {
        const u32x8 s = load(src + i * kBlock);
        const Wide ws = widen(s);
        const Wide alpha{spread_alpha(ws.lo), spread_alpha(ws.hi)};
        const u32x8 part = narrow(Wide{(ws.lo * alpha.lo) >> 8, (ws.hi * alpha.hi) >> 8});
        const u32x8 a = s >> 24;
        const auto opaque = reinterpret_cast<u32x8>(a == 255);
        const auto clear = reinterpret_cast<u32x8>(a == 0);
        const u32x8 colour = ((part & ~opaque) | (s & opaque)) & ~clear & 0x00FFFFFFu;
        const u32x8 rest = ((254 - a) & ~(opaque | clear)) | (clear & 255u);
        store(out + i * kBlock, colour | (rest << 24));
    }
}

// Eight prepared panel pixels laid over `under`, darkened first when Darken: each colour
// channel is P + floor(d * (t + 1) / 256) with P the prepared colour, t its top byte and d the
// (darkened) channel below; the top byte is under's. (t + 1) is 255 - a for a = 1-254, where
// this is over_full's sum; 1 at a = 255, where d < 256 adds nothing to P = s; and 256 at a = 0,
// which leaves d as it is. The products stay below 2^16.
template <bool Darken>
[[gnu::always_inline]] inline void darken_over_block(std::uint32_t* dst, const std::uint32_t* under,
                                                     const std::uint32_t* prepared, std::uint16_t k) {
    const u32x8 d = load(under), q = load(prepared);
    DarkLanes l{reinterpret_cast<u16x16>(d & 0x00FF00FFu), reinterpret_cast<u16x16>((d >> 8) & 0x00FF00FFu)};
    if constexpr (Darken) l = darken_lanes(d, k);
    const u32x8 t = q >> 24;
    const auto w = reinterpret_cast<u16x16>(t | (t << 16)) + 1;
    const auto rb = reinterpret_cast<u32x8>((l.rb * w) >> 8);
    const auto g = reinterpret_cast<u32x8>((l.ga * w) >> 8) & 0xFFu;
    store(dst, (d & 0xFF000000u) | ((rb | (g << 8)) + (q & 0x00FFFFFFu)));
}

TS_BLEND_CLONES void darken_over_blocks(std::uint32_t* dst, const std::uint32_t* under, const std::uint32_t* prepared,
                                        int blocks, std::uint16_t k, bool darken) {
    const int n = blocks * kBlock;
    if (darken) {
        for (int at = 0; at < n; at += kBlock) darken_over_block<true>(dst + at, under + at, prepared + at, k);
    } else {
        for (int at = 0; at < n; at += kBlock) darken_over_block<false>(dst + at, under + at, prepared + at, k);
    }
}

}  // namespace

void darken_row(std::uint32_t* row, int n, std::uint32_t alpha) {
    if (alpha == 0) return;  // covers nothing
    darken_copy_row(row, row, n, alpha);
}

void darken_copy_row(std::uint32_t* dst, const std::uint32_t* src, int n, std::uint32_t alpha) {
    if (n <= 0) return;
    if (alpha == 0) {
        if (dst != src) std::memcpy(dst, src, static_cast<std::size_t>(n) * 4);
        return;
    }
    const std::uint16_t k = darken_weight(std::min(alpha, 255u));
    const int blocks = n / kBlock;
    darken_blocks(dst, src, blocks, k);
    const int rest = n - blocks * kBlock;
    if (rest <= 0) return;
    std::uint32_t tail[kBlock] = {};
    const int whole = blocks * kBlock;
    std::memcpy(tail, src + whole, static_cast<std::size_t>(rest) * 4);
    darken_blocks(tail, tail, 1, k);
    std::memcpy(dst + whole, tail, static_cast<std::size_t>(rest) * 4);
}

void prepare_over_row(std::uint32_t* out, const std::uint32_t* src, int n) {
    if (n <= 0) return;
    const int blocks = n / kBlock;
    prepare_blocks(out, src, blocks);
    const int rest = n - blocks * kBlock;
    if (rest <= 0) return;
    std::uint32_t tail_src[kBlock] = {}, tail_out[kBlock];
    const int whole = blocks * kBlock;
    std::memcpy(tail_src, src + whole, static_cast<std::size_t>(rest) * 4);
    prepare_blocks(tail_out, tail_src, 1);
    std::memcpy(out + whole, tail_out, static_cast<std::size_t>(rest) * 4);
}

void darken_over_row(std::uint32_t* dst, const std::uint32_t* under, const std::uint32_t* prepared, int n,
                     std::uint32_t alpha) {
    if (n <= 0) return;
    const bool darken = alpha != 0;
    const std::uint16_t k = darken ? darken_weight(std::min(alpha, 255u)) : 0;
    const int blocks = n / kBlock;
    darken_over_blocks(dst, under, prepared, blocks, k, darken);
    const int rest = n - blocks * kBlock;
    if (rest <= 0) return;
    std::uint32_t tail_under[kBlock] = {}, tail_prepared[kBlock] = {}, tail_dst[kBlock];
    const int whole = blocks * kBlock;
    const auto bytes = static_cast<std::size_t>(rest) * 4;
    std::memcpy(tail_under, under + whole, bytes);
    std::memcpy(tail_prepared, prepared + whole, bytes);
    darken_over_blocks(tail_dst, tail_under, tail_prepared, 1, k, darken);
    std::memcpy(dst + whole, tail_dst, bytes);
}

}  // namespace ts::render::pixels
