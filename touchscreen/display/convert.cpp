#include "convert.hpp"

#include <algorithm>
#include <cstring>

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

// The common layouts with their shifts known to the compiler, so the loops vectorise.
struct Xrgb8888 {
    using Out = std::uint32_t;
    static Out pack(std::uint32_t p) { return p | 0xFF000000u; }
};
struct Xbgr8888 {
    using Out = std::uint32_t;
    static Out pack(std::uint32_t p) {
        return 0xFF000000u | ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
    }
};
struct Rgb565 {
    using Out = std::uint16_t;
    static Out pack(std::uint32_t p) {
        return static_cast<Out>(((p >> 8) & 0xF800u) | ((p >> 5) & 0x07E0u) | ((p >> 3) & 0x001Fu));
    }
};
struct Bgr565 {
    using Out = std::uint16_t;
    static Out pack(std::uint32_t p) {
        return static_cast<Out>(((p << 8) & 0xF800u) | ((p >> 5) & 0x07E0u) | ((p >> 19) & 0x001Fu));
    }
};

template <typename Px>
void store(std::uint8_t* at, Px v) {
    std::memcpy(at, &v, sizeof v);
}

// Source rows are read in order; each lands along a target row (0, 180 degrees) or column
// (90, 270). Columns are written in tiles of kTile rows so that the cache lines they touch
// are still held when the next source row fills their neighbours.
constexpr int kTile = 16;

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

template <typename F>
void convert_with(const Source& s, int y0, int y1, const Target& t, int rotation, F pack_one) {
    const Walk wk = walk_of(s, t, rotation);
    const int tile = (rotation == 90 || rotation == 270) ? kTile : s.w;
    for (int x0 = 0; x0 < s.w; x0 += tile) {
        const int x1 = std::min(s.w, x0 + tile);
        for (int y = y0; y < y1; ++y) {
            const std::uint32_t* in = s.data + static_cast<std::ptrdiff_t>(y) * s.pitch;
            std::uint8_t* out = t.origin + wk.start + y * wk.row + x0 * wk.step;
            for (int x = x0; x < x1; ++x, out += wk.step) pack_one(out, in[x]);
        }
    }
}

template <typename P>
void convert_fixed(const Source& s, int y0, int y1, const Target& t, int rotation) {
    using Out = typename P::Out;
    const bool aligned = reinterpret_cast<std::uintptr_t>(t.origin) % alignof(Out) == 0 && t.stride % alignof(Out) == 0;
    if (rotation == 0 && aligned) {  // straight rows: a plain loop the compiler vectorises
        for (int y = y0; y < y1; ++y) {
            const std::uint32_t* __restrict in = s.data + static_cast<std::ptrdiff_t>(y) * s.pitch;
            Out* __restrict out = reinterpret_cast<Out*>(t.origin + static_cast<std::ptrdiff_t>(y) * t.stride);
            for (int x = 0; x < s.w; ++x) out[x] = P::pack(in[x]);
        }
        return;
    }
    convert_with(s, y0, y1, t, rotation, [](std::uint8_t* at, std::uint32_t p) { store(at, P::pack(p)); });
}

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
    if (same(t.layout, kXrgb8888)) return convert_fixed<Xrgb8888>(s, y0, y1, t, rotation);
    if (same(t.layout, kXbgr8888)) return convert_fixed<Xbgr8888>(s, y0, y1, t, rotation);
    if (same(t.layout, kRgb565)) return convert_fixed<Rgb565>(s, y0, y1, t, rotation);
    if (same(t.layout, kBgr565)) return convert_fixed<Bgr565>(s, y0, y1, t, rotation);
    const PixelLayout l = t.layout;
    const std::uint32_t pad = padding(l);
    const int bytes = l.bytes;
    convert_with(s, y0, y1, t, rotation, [&](std::uint8_t* at, std::uint32_t p) {
        const std::uint32_t v = field((p >> 16) & 0xFF, l.red_offset, l.red_length) |
                                field((p >> 8) & 0xFF, l.green_offset, l.green_length) |
                                field(p & 0xFF, l.blue_offset, l.blue_length) | pad;
        std::memcpy(at, &v, static_cast<std::size_t>(bytes));  // little-endian: the low bytes
    });
}

}  // namespace ts::display
