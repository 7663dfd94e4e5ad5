// Conversion to each device format and rotation: the four corners are where off-by-one and
// swapped 90/270 faults show, so every case checks them against the picture.
#include "display/convert.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace ts::display {
namespace {

std::uint32_t read_px(const std::uint8_t* at, int bytes) {
    std::uint32_t v = 0;
    std::memcpy(&v, at, static_cast<std::size_t>(bytes));
    return v;
}

// A picture whose every pixel differs from its neighbours in all three channels.
std::vector<std::uint32_t> picture(int w, int h) {
    std::vector<std::uint32_t> p(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            p[static_cast<std::size_t>(y) * w + x] =
                0x00FFFFFFu & ((static_cast<std::uint32_t>(x * 37 + y * 11) << 16) ^
                               (static_cast<std::uint32_t>(x * 5 + y * 53) << 8) ^ static_cast<std::uint32_t>(x * 97 + y));
        }
    }
    return p;
}

TEST(Pack, EachLayoutFromTheBitfields) {
    const struct {
        const char* name;
        PixelLayout layout;
        std::uint32_t in, out;
    } cases[] = {
        {"xrgb8888", kXrgb8888, 0x00123456, 0xFF123456},
        {"xbgr8888", kXbgr8888, 0x00123456, 0xFF563412},
        {"rgb565 white", kRgb565, 0x00FFFFFF, 0xFFFF},
        {"rgb565", kRgb565, 0x00F8FC08, 0xFFE1},
        {"bgr565", kBgr565, 0x00F8FC08, 0x0FFF},
        {"rgb565 red", kRgb565, 0x00FF0000, 0xF800},
        {"bgr565 red", kBgr565, 0x00FF0000, 0x001F},
        {"rgb888 packed", kRgb888, 0x00123456, 0x123456},
        {"bgr888 packed", {3, 0, 8, 8, 8, 16, 8}, 0x00123456, 0x563412},
        {"argb1555: padding bit set", {2, 10, 5, 5, 5, 0, 5}, 0x00000000, 0x8000},
    };
    for (const auto& c : cases) EXPECT_EQ(pack(c.in, c.layout), c.out) << c.name;
}

TEST(RotatePoint, FourCornersAtEachRotation) {
    const int w = 376, h = 960;
    const struct {
        int rotation;
        Point tl, tr, bl, br;  // where the picture's corners land
    } cases[] = {
        {0, {0, 0}, {375, 0}, {0, 959}, {375, 959}},
        {90, {959, 0}, {959, 375}, {0, 0}, {0, 375}},
        {180, {375, 959}, {0, 959}, {375, 0}, {0, 0}},
        {270, {0, 375}, {0, 0}, {959, 375}, {959, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rotate_point(0, 0, w, h, c.rotation), c.tl) << c.rotation;
        EXPECT_EQ(rotate_point(w - 1, 0, w, h, c.rotation), c.tr) << c.rotation;
        EXPECT_EQ(rotate_point(0, h - 1, w, h, c.rotation), c.bl) << c.rotation;
        EXPECT_EQ(rotate_point(w - 1, h - 1, w, h, c.rotation), c.br) << c.rotation;
    }
}

// Every format at every rotation, into padded rows at an unaligned start: each target pixel
// holds the packed picture pixel rotate_point sends there, and nothing outside is touched.
TEST(ConvertRows, EveryPixelOfEveryFormatAndRotation) {
    const int w = 37, h = 21;  // odd sizes: no loop may assume whole blocks
    const std::vector<std::uint32_t> pic = picture(w, h);
    const Source src{pic.data(), w, h, w};
    const struct {
        const char* name;
        PixelLayout layout;
    } formats[] = {{"xrgb8888", kXrgb8888}, {"xbgr8888", kXbgr8888}, {"rgb565", kRgb565},
                   {"bgr565", kBgr565},     {"rgb888", kRgb888},     {"bgr888", {3, 0, 8, 8, 8, 16, 8}},
                   {"rgb565 on 4 bytes", {4, 11, 5, 5, 6, 0, 5}}};
    for (const auto& f : formats) {
        for (const int rotation : {0, 90, 180, 270}) {
            const bool turned = rotation == 90 || rotation == 270;
            const int tw = turned ? h : w, th = turned ? w : h;
            const int b = f.layout.bytes, stride = tw * b + 13, lead = 3;
            std::vector<std::uint8_t> mem(static_cast<std::size_t>(lead + stride * th + 16), 0xAB);
            convert_rows(src, 0, h, {mem.data() + lead, stride, f.layout}, rotation);
            int wrong = 0;
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) {
                    const Point p = rotate_point(x, y, w, h, rotation);
                    const std::uint8_t* at = mem.data() + lead + p.y * stride + p.x * b;
                    if (read_px(at, b) != pack(pic[static_cast<std::size_t>(y) * w + x], f.layout)) ++wrong;
                }
            }
            EXPECT_EQ(wrong, 0) << f.name << " at " << rotation;
            EXPECT_EQ(mem[0], 0xAB) << f.name;
            for (int y = 0; y < th; ++y) {  // the padding at the end of each row is left alone
                EXPECT_EQ(mem[static_cast<std::size_t>(lead + y * stride + tw * b)], 0xAB) << f.name << " row " << y;
            }
        }
    }
}

TEST(ConvertRows, OnlyTheGivenRowsAreWritten) {
    const int w = 8, h = 10;
    const std::vector<std::uint32_t> pic = picture(w, h);
    for (const int rotation : {0, 90, 180, 270}) {
        std::vector<std::uint8_t> mem(static_cast<std::size_t>(w * h * 4), 0);
        const int stride = (rotation == 90 || rotation == 270 ? h : w) * 4;
        convert_rows({pic.data(), w, h, w}, 3, 5, {mem.data(), stride, kXrgb8888}, rotation);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const Point p = rotate_point(x, y, w, h, rotation);
                const bool written = read_px(mem.data() + p.y * stride + p.x * 4, 4) != 0;
                EXPECT_EQ(written, y >= 3 && y < 5) << rotation << " at " << x << "," << y;
            }
        }
    }
}

// Converts rows [y0, y1) of a w x h picture into a target whose first byte lies `lead` bytes
// into the buffer; counts pixels unlike the bitfields' packing and bytes changed outside them.
struct Faults {
    int wrong = 0, stray = 0;
};
Faults convert_and_check(int w, int h, int y0, int y1, const PixelLayout& l, int rotation, std::size_t lead,
                         int stride_pad) {
    const std::vector<std::uint32_t> pic = picture(w + 2, h);  // pitch wider than the picture
    const Source src{pic.data(), w, h, w + 2};
    const bool turned = rotation == 90 || rotation == 270;
    const int tw = turned ? h : w, th = turned ? w : h;
    const int b = l.bytes, stride = tw * b + stride_pad;
    std::vector<std::uint8_t> mem(lead + static_cast<std::size_t>(stride * th) + 8, 0x5C);
    const std::vector<std::uint8_t> before = mem;
    convert_rows(src, y0, y1, {mem.data() + lead, stride, l}, rotation);
    std::vector<bool> written(mem.size(), false);
    Faults f;
    for (int y = std::max(0, y0); y < std::min(h, y1); ++y) {
        for (int x = 0; x < w; ++x) {
            const Point p = rotate_point(x, y, w, h, rotation);
            const std::size_t at = lead + static_cast<std::size_t>(p.y * stride + p.x * b);
            if (read_px(mem.data() + at, b) != pack(pic[static_cast<std::size_t>(y) * (w + 2) + x], l)) ++f.wrong;
            for (int i = 0; i < b; ++i) written[at + static_cast<std::size_t>(i)] = true;
        }
    }
    for (std::size_t i = 0; i < mem.size(); ++i) f.stray += !written[i] && mem[i] != before[i];
    return f;
}

// The fast layouts work in blocks of 8 columns by 4 or 8 rows and bands of 16 to 64 rows; the
// edges that fill no block go pixel by pixel, and packed 24-bit blocks write 4 spare bytes into
// the next block of their column. Sizes and row ranges on each side of those edges, every
// layout and rotation: each written pixel is what the bitfields give, and no other byte changes.
TEST(ConvertRows, BlockAndBandEdgesOfEveryLayout) {
    const PixelLayout layouts[] = {kXrgb8888, kXbgr8888, kRgb565, kBgr565, kRgb888, {3, 0, 8, 8, 8, 16, 8},
                                   {2, 10, 5, 5, 5, 0, 5}};
    const struct {
        int w, h, y0, y1;
    } cases[] = {
        {1, 1, 0, 1},   {3, 3, 0, 3},    {4, 4, 0, 4},    {5, 7, 1, 6},   {8, 16, 0, 16},
        {8, 17, 0, 17}, {9, 33, 3, 30},  {12, 20, 4, 8},  {7, 40, 2, 3},  {40, 35, 16, 35},
        {13, 18, 17, 18}, {16, 16, 5, 5}, {376, 24, 0, 24}, {6, 9, -2, 99},
        // 8-row blocks: one alone, then one with a 4-row block and single rows after it
        {8, 8, 0, 8},     {9, 12, 0, 12},  {16, 15, 0, 15}, {8, 40, 5, 16},
        // a block whose next rows stay unwritten: its spare bytes must not reach them
        {15, 40, 8, 24},  {8, 20, 12, 20}, {11, 31, 2, 26},
        // 64-row bands of packed 24-bit: the spare bytes cross into the next band
        {8, 80, 1, 73},   {17, 150, 3, 139}, {24, 70, 0, 70}, {9, 130, 64, 128},
        // straight rows: 24-bit steps of 8 whose spare bytes land on the last 2 pixels or
        // would pass the row's end, 16-pixel steps of 2-byte layouts with and without a tail
        {10, 2, 0, 2},    {11, 2, 0, 2},     {18, 3, 0, 3},   {31, 2, 0, 2},    {32, 3, 1, 3},
    };
    for (const auto& c : cases) {
        for (const PixelLayout& l : layouts) {
            for (const int rotation : {0, 90, 180, 270}) {
                const Faults f = convert_and_check(c.w, c.h, c.y0, c.y1, l, rotation, 1, 5);
                const auto where = ::testing::Message() << c.w << "x" << c.h << " rows " << c.y0 << "-" << c.y1 << ", "
                                                        << l.bytes << " bytes red at " << l.red_offset << ", "
                                                        << rotation;
                EXPECT_EQ(f.wrong, 0) << where;
                EXPECT_EQ(f.stray, 0) << where;
            }
        }
    }
}

// Turned, the first band is cut short so that the next ones start on a target cache line, as
// far as whole blocks allow: every start of the target within a line, rows from mid-block.
TEST(ConvertRows, FirstBandAtEachStartWithinACacheLine) {
    const PixelLayout layouts[] = {kXrgb8888, kRgb565, kBgr565, kRgb888, {3, 0, 8, 8, 8, 16, 8}};
    const struct {
        int y0, y1;
    } ranges[] = {{0, 100}, {3, 93}, {37, 100}, {9, 30}};
    for (const PixelLayout& l : layouts) {
        for (const int rotation : {90, 270}) {
            for (int start = 0; start < 64; start += 2) {  // the buffer itself is 16-byte aligned
                for (const auto& r : ranges) {
                    // A stride of whole lines keeps each target row's lines where the first's are.
                    const int stride_pad = 64 - 100 * l.bytes % 64;
                    const Faults f = convert_and_check(12, 100, r.y0, r.y1, l, rotation,
                                                       static_cast<std::size_t>(start), stride_pad);
                    const auto where = ::testing::Message() << l.bytes << " bytes red at " << l.red_offset << ", "
                                                            << rotation << ", start " << start << ", rows " << r.y0
                                                            << "-" << r.y1;
                    EXPECT_EQ(f.wrong, 0) << where;
                    EXPECT_EQ(f.stray, 0) << where;
                }
            }
        }
    }
}

}  // namespace
}  // namespace ts::display
