// Our pixel routines on plain memory: blending with opacity, mirroring,
// nearest scaling and the runs that tell the compositor where a page drew.
#include "render/pixels.hpp"

#include "core/sdl_types.hpp"
#include "render_fixture.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace ts::render::pixels {
namespace {

std::uint32_t argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}

TEST(Div255, RoundsDownOverTheWholeRangeOfProducts) {
    for (std::uint32_t x = 0; x <= 255 * 255; ++x) ASSERT_EQ(div255(x), x / 255) << x;
}

TEST(BlendRow, CoversWithAlphaTimesOpacity) {
    const std::uint32_t dst0 = argb(0xAB, 10, 20, 30);
    struct Case {
        std::uint32_t src, opacity, expected;
    } cases[] = {
        {argb(255, 200, 100, 0), 255, argb(0xAB, 200, 100, 0)},  // opaque: replaces, keeps dst's top byte
        {argb(0, 200, 100, 0), 255, dst0},                       // transparent: nothing changes
        {argb(255, 200, 100, 0), 0, dst0},                       // opacity 0: nothing changes
        // a = 128, full opacity: 200 * 128 >> 8 = 100 plus 10 * 127 >> 8 = 4; 50 + 9; 0 + 14
        {argb(128, 200, 100, 0), 255, argb(0xAB, 104, 59, 14)},
        // a = 255 * 128 / 255 = 128 from the opacity: 200 * 128 / 255 = 100 plus 10 * 127 / 255 = 4; ...
        {argb(255, 200, 100, 0), 128, argb(0xAB, 104, 59, 14)},
        // a = 200 * 51 / 255 = 40: 255 * 40 / 255 = 40 plus 10 * 215 / 255 = 8; 0 + 16; 40 + 25
        {argb(200, 255, 0, 255), 51, argb(0xAB, 48, 16, 65)},
    };
    for (const Case& c : cases) {
        // 13 pixels: one full block of 8 and a tail of 5, all of which must be blended alike.
        std::vector<std::uint32_t> dst(14, dst0), src(13, c.src);
        blend_row(dst.data(), src.data(), 13, c.opacity);
        for (int i = 0; i < 13; ++i) EXPECT_EQ(dst[i], c.expected) << std::hex << c.src << " o=" << c.opacity << " i=" << i;
        EXPECT_EQ(dst[13], dst0) << "past the end";
    }
}

// The faded blend against its formula, for every opacity below 255 and every pair of
// alpha and source channel, and of alpha and destination channel.
TEST(BlendRow, FadedLayerIsTheExactFormulaForEveryAlphaAndOpacity) {
    const auto expected = [](std::uint32_t s, std::uint32_t d, std::uint32_t opacity) {
        const std::uint32_t a = (s >> 24) * opacity / 255;
        std::uint32_t out = d & 0xFF000000u;
        for (int shift : {0, 8, 16}) {
            const std::uint32_t sc = s >> shift & 0xFF, dc = d >> shift & 0xFF;
            out |= (sc * a / 255 + dc * (255 - a) / 255) << shift;
        }
        return out;
    };
    std::vector<std::uint32_t> src(65536), dst(65536), want(65536);
    for (std::uint32_t opacity = 1; opacity < 255; ++opacity) {
        for (std::uint32_t i = 0; i < 65536; ++i) {
            const std::uint32_t a = i >> 8, v = i & 0xFF, other = (i * 151 + opacity) & 0xFF;
            // Blue and green sweep the source channel, red the destination one.
            src[i] = argb(a, other, v, v);
            dst[i] = argb(0x5A, v, other, 255 - other);
            want[i] = expected(src[i], dst[i], opacity);
        }
        blend_row(dst.data(), src.data(), 65536, opacity);
        ASSERT_EQ(dst, want) << "opacity " << opacity;
    }
}

// SDL's own blit of the same pixels is the reference: at most 1 apart in any channel (2 where
// SDL takes its portable blitter).
TEST(BlendRow, AgreesWithSdlBlitsAtAnyOpacity) {
    constexpr int kW = 256, kH = 64;
    core::Surface src(SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 32, SDL_PIXELFORMAT_ARGB8888));
    core::Surface dst(SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 32, SDL_PIXELFORMAT_RGB888));
    ASSERT_TRUE(src && dst);
    SDL_SetSurfaceBlendMode(src.get(), SDL_BLENDMODE_BLEND);
    std::mt19937 rng(7);
    auto* s = static_cast<std::uint32_t*>(src->pixels);
    auto* d = static_cast<std::uint32_t*>(dst->pixels);
    for (const std::uint32_t opacity : {255u, 254u, 200u, 98u, 21u, 1u}) {
        std::vector<std::uint32_t> ours(kW * kH);
        for (int i = 0; i < kW * kH; ++i) {
            s[i] = static_cast<std::uint32_t>(rng());
            if (i % 5 == 0) s[i] |= 0xFF000000u;  // plenty of opaque and clear pixels too
            if (i % 7 == 0) s[i] &= 0x00FFFFFFu;
            d[i] = ours[i] = static_cast<std::uint32_t>(rng()) & 0x00FFFFFFu;
        }
        SDL_SetSurfaceAlphaMod(src.get(), static_cast<Uint8>(opacity));
        ASSERT_EQ(SDL_BlitSurface(src.get(), nullptr, dst.get(), nullptr), 0);
        blend_row(ours.data(), s, kW * kH, opacity);
        int worst = 0;
        for (int i = 0; i < kW * kH; ++i) {
            for (int shift : {0, 8, 16}) {
                worst = std::max(worst, std::abs(int(ours[i] >> shift & 0xFF) - int(d[i] >> shift & 0xFF)));
            }
        }
        EXPECT_LE(worst, opacity == 255 ? test::kSdlBlendTolerance : 1) << "opacity " << opacity;
    }
}

// One pass with several opacities is blend_row once per opacity, to the bit, however the
// opacities fall: full ones after faded ones, zeros, more than one pass holds, a short tail.
TEST(BlendRowLayers, SameAsOneBlendPerOpacityInOrder) {
    std::mt19937 rng(11);
    const std::vector<std::vector<std::uint32_t>> lists = {
        {255, 30, 20}, {206, 21, 14}, {30, 255}, {0, 98, 0, 3}, {255, 0}, {1, 2, 3, 4, 5, 6}, {255, 255, 40}, {0},
    };
    for (const auto& opacities : lists) {
        constexpr int kN = 203;  // 25 blocks and a tail of 3
        std::vector<std::uint32_t> src(kN), once(kN + 1), each(kN + 1);
        for (int i = 0; i < kN; ++i) {
            src[i] = static_cast<std::uint32_t>(rng());
            if (i % 5 == 0) src[i] |= 0xFF000000u;
            if (i % 7 == 0) src[i] &= 0x00FFFFFFu;
            once[i] = each[i] = static_cast<std::uint32_t>(rng());
        }
        once[kN] = each[kN] = 0x12345678u;
        blend_row_layers(once.data(), src.data(), kN, opacities);
        for (const std::uint32_t o : opacities) blend_row(each.data(), src.data(), kN, o);
        EXPECT_EQ(once, each) << "opacities starting " << opacities[0] << ", " << opacities.size() << " of them";
    }
}

// Two sources in one pass are blend_row with each in order, to the bit, tail included.
TEST(BlendRowPair, SameAsTwoBlendsInOrder) {
    std::mt19937 rng(12);
    constexpr int kN = 203;  // 25 blocks and a tail of 3
    std::vector<std::uint32_t> src(kN + 5), once(kN + 1), each(kN + 1);
    for (std::size_t i = 0; i < src.size(); ++i) {
        src[i] = static_cast<std::uint32_t>(rng());
        if (i % 5 == 0) src[i] |= 0xFF000000u;
        if (i % 7 == 0) src[i] &= 0x00FFFFFFu;
    }
    for (const auto& [oa, ob] : {std::pair{21u, 14u}, std::pair{254u, 1u}, std::pair{100u, 200u}}) {
        for (int i = 0; i < kN; ++i) once[i] = each[i] = static_cast<std::uint32_t>(rng());
        once[kN] = each[kN] = 0x12345678u;
        blend_row_pair(once.data(), src.data() + 2, src.data() + 5, kN, oa, ob);
        blend_row(each.data(), src.data() + 2, kN, oa);
        blend_row(each.data(), src.data() + 5, kN, ob);
        EXPECT_EQ(once, each) << "opacities " << oa << ", " << ob;
    }
}

// Black at alpha a over a channel c gives floor(c * (255 - a) / 255), as a source-over of
// opaque black rounds it: every channel value at every alpha, in whole blocks and in the tail.
TEST(DarkenRow, TheExactFormulaForEveryChannelAndAlpha) {
    constexpr int kN = 256 + 5;  // the tail pixels go through the padded block
    std::vector<std::uint32_t> row(kN);
    for (std::uint32_t a = 0; a <= 255; ++a) {
        for (int i = 0; i < kN; ++i) {
            const auto c = static_cast<std::uint32_t>(i % 256);
            row[static_cast<std::size_t>(i)] = argb(0x5A, c, 255 - c, (c * 7) & 0xFF);
        }
        darken_row(row.data(), kN, a);
        int wrong = 0;
        for (int i = 0; i < kN; ++i) {
            const auto c = static_cast<std::uint32_t>(i % 256);
            const auto d = [&](std::uint32_t v) { return v * (255 - a) / 255; };
            wrong += row[static_cast<std::size_t>(i)] != argb(0x5A, d(c), d(255 - c), d((c * 7) & 0xFF));
        }
        ASSERT_EQ(wrong, 0) << "alpha " << a;
    }
}

// Darkening while copying is copying, then darkening: in place or into another row, whole
// blocks and the tail, and nothing past the row.
TEST(DarkenCopyRow, SameAsCopyThenDarken) {
    std::mt19937 rng(5);
    struct Case {
        std::uint32_t alpha;
        int n;
        bool in_place;
    } cases[] = {
        {120, 203, false}, {120, 203, true}, {24, 8, false}, {1, 3, false}, {255, 13, false}, {0, 203, false}, {0, 3, true},
        {96, 0, false},
    };
    for (const Case& c : cases) {
        std::vector<std::uint32_t> src(204), dst(204, 0xDEADBEEFu);
        for (auto& v : src) v = static_cast<std::uint32_t>(rng());
        std::vector<std::uint32_t> each = src;
        darken_row(each.data(), c.n, c.alpha);
        const std::string at = "alpha " + std::to_string(c.alpha) + ", " + std::to_string(c.n) + " pixels";
        if (c.in_place) {
            darken_copy_row(src.data(), src.data(), c.n, c.alpha);
            EXPECT_EQ(src, each) << at;
        } else {
            const std::vector<std::uint32_t> before = src;
            darken_copy_row(dst.data(), src.data(), c.n, c.alpha);
            EXPECT_EQ(src, before) << at;
            EXPECT_TRUE(std::equal(dst.begin(), dst.begin() + c.n, each.begin())) << at;
            EXPECT_EQ(dst[static_cast<std::size_t>(c.n)], 0xDEADBEEFu) << at;
        }
    }
}

// A prepared panel over a darkened row is darken_row then blend_row at full opacity, to the
// bit: every source alpha under every darkening, with channels across their range, whole
// blocks and the padded tail.
TEST(DarkenOverRow, SameAsDarkenThenBlendForEverySourceAlphaAndDarkening) {
    constexpr int kN = 256 * 4 + 5;
    std::vector<std::uint32_t> src(kN), prepared(kN), under(kN), out(kN), each(kN);
    for (int i = 0; i < kN; ++i) {
        const auto u = static_cast<std::uint32_t>(i);
        src[static_cast<std::size_t>(i)] = argb(u % 256, (u * 7) & 0xFF, 255 - (u / 4 & 0xFF), (u / 4 * 3) & 0xFF);
        under[static_cast<std::size_t>(i)] = argb(0x5A, 255 - (u & 0xFF), (u * 5) & 0xFF, u / 4 & 0xFF);
    }
    prepare_over_row(prepared.data(), src.data(), kN);
    for (std::uint32_t alpha = 0; alpha <= 255; ++alpha) {
        each = under;
        darken_row(each.data(), kN, alpha);
        blend_row(each.data(), src.data(), kN, 255);
        darken_over_row(out.data(), under.data(), prepared.data(), kN, alpha);
        ASSERT_EQ(out, each) << "darkened by " << alpha;
    }
}

// The cases around the row: in place or into another row, short rows, the pixel after the row.
TEST(DarkenOverRow, InPlaceOrApartLeavesTheRestAlone) {
    std::mt19937 rng(11);
    constexpr int kN = 203;
    std::vector<std::uint32_t> src(kN), prepared(kN);
    for (std::size_t i = 0; i < src.size(); ++i) {
        src[i] = static_cast<std::uint32_t>(rng());
        if (i % 5 == 0) src[i] |= 0xFF000000u;
        if (i % 7 == 0) src[i] &= 0x00FFFFFFu;
    }
    prepare_over_row(prepared.data(), src.data(), kN);
    struct Case {
        std::uint32_t alpha;
        int n;
        bool in_place;
    } cases[] = {
        {120, kN, true}, {120, kN, false}, {24, 8, true}, {24, 3, false}, {255, 3, true}, {0, kN, true}, {96, 0, false},
    };
    for (const Case& c : cases) {
        std::vector<std::uint32_t> under(kN + 1), dst(kN + 1, 0xDEADBEEFu), each;
        for (auto& v : under) v = static_cast<std::uint32_t>(rng());
        each = under;
        darken_row(each.data(), c.n, c.alpha);
        blend_row(each.data(), src.data(), c.n, 255);
        const std::vector<std::uint32_t> before = under;
        if (c.in_place) {
            darken_over_row(under.data(), under.data(), prepared.data(), c.n, c.alpha);
            EXPECT_EQ(under, each) << "in place, alpha " << c.alpha << ", " << c.n << " pixels";
        } else {
            darken_over_row(dst.data(), under.data(), prepared.data(), c.n, c.alpha);
            EXPECT_EQ(under, before) << "under untouched";
            EXPECT_TRUE(std::equal(dst.begin(), dst.begin() + c.n, each.begin())) << "alpha " << c.alpha << ", " << c.n;
            EXPECT_EQ(dst[static_cast<std::size_t>(c.n)], 0xDEADBEEFu) << "past the row";
        }
    }
}

TEST(Mirror, FlipsEitherWayOrBoth) {
    // 3 x 2:  1 2 3 / 4 5 6
    std::vector<std::uint32_t> src{1, 2, 3, 4, 5, 6};
    const View in{src.data(), 3, 2, 3};
    struct Case {
        bool lr, tb;
        std::vector<std::uint32_t> expected;
    } cases[] = {
        {true, false, {3, 2, 1, 6, 5, 4}},
        {false, true, {4, 5, 6, 1, 2, 3}},
        {true, true, {6, 5, 4, 3, 2, 1}},
    };
    for (const Case& c : cases) {
        std::vector<std::uint32_t> out(8, 0);  // pitch 4: the padding column stays 0
        mirror(in, View{out.data(), 3, 2, 4}, c.lr, c.tb);
        EXPECT_EQ(out, (std::vector<std::uint32_t>{c.expected[0], c.expected[1], c.expected[2], 0, c.expected[3],
                                                   c.expected[4], c.expected[5], 0}));
    }
}

TEST(ScaleNearest, SamplesRoundedDownToTheExactSize) {
    // 4 x 2:  1 2 3 4 / 5 6 7 8
    std::vector<std::uint32_t> src{1, 2, 3, 4, 5, 6, 7, 8};
    const View in{src.data(), 4, 2, 4};
    std::vector<std::uint32_t> down(3);
    scale_nearest(in, View{down.data(), 3, 1, 3});  // columns 0, 4/3 -> 1, 8/3 -> 2; row 0
    EXPECT_EQ(down, (std::vector<std::uint32_t>{1, 2, 3}));
    std::vector<std::uint32_t> up(6 * 3);
    scale_nearest(in, View{up.data(), 6, 3, 6});  // columns 0 0 1 2 2 3; rows 0 0 1
    EXPECT_EQ(up, (std::vector<std::uint32_t>{1, 1, 2, 3, 3, 4, 1, 1, 2, 3, 3, 4, 5, 5, 6, 7, 7, 8}));
}

// A scaled row gathered by blocks holds what scale_nearest puts there, for scales near 1
// (the slide's), below 1/2 and above 1, and for ranges that start and end inside blocks.
TEST(GatherColumns, TakesTheColumnsScaleNearestTakes) {
    constexpr int kSrcW = 376;
    std::vector<std::uint32_t> src(kSrcW);
    for (int x = 0; x < kSrcW; ++x) src[static_cast<std::size_t>(x)] = 0x01000000u * (x % 200 + 1) + static_cast<std::uint32_t>(x);
    ColumnMap map;
    for (const int w : {376, 355, 310, 300, 301, 150, 37, 500, 1}) {
        std::vector<std::uint32_t> expected(static_cast<std::size_t>(w));
        scale_nearest(View{src.data(), kSrcW, 1, kSrcW}, View{expected.data(), w, 1, w});
        map_columns(kSrcW, w, map);
        for (const auto& [i0, i1] : {std::pair{0, w}, std::pair{w / 3 + 1, w - w / 5}, std::pair{w - 1, w}}) {
            std::vector<std::uint32_t> row(static_cast<std::size_t>(map.blocks()) * ColumnMap::kBlock, 0);
            gather_columns(src.data(), map, i0, i1, row.data());
            for (int i = i0; i < i1; ++i) {
                ASSERT_EQ(row[static_cast<std::size_t>(i)], expected[static_cast<std::size_t>(i)]) << "w " << w << " column " << i;
            }
        }
    }
}

TEST(FindRuns, WholeBlocksJoinedAcrossShortGaps) {
    struct Case {
        std::vector<int> drawn;  // x of the pixels with alpha in a row of 100
        std::vector<std::pair<int, int>> runs;
    } cases[] = {
        {{}, {}},
        {{0}, {{0, 8}}},
        {{99}, {{96, 100}}},                     // the short last block
        {{3, 20}, {{0, 24}}},                    // gap of 8 < 16: joined
        {{3, 40}, {{0, 8}, {40, 48}}},           // gap of 32: apart
        {{7, 8, 30, 31}, {{0, 32}}},             // blocks 0, 1 and 3: neighbours and a gap of 8
    };
    for (const Case& c : cases) {
        std::vector<std::uint32_t> row(100, 0x00FFFFFFu);  // transparent however coloured
        for (int x : c.drawn) row[x] = argb(1, 0, 0, 0);
        std::vector<pixels::Run> out;
        find_runs(row.data(), 100, out);
        std::vector<std::pair<int, int>> got;
        for (const pixels::Run& r : out) got.push_back({r.x0, r.x1});
        EXPECT_EQ(got, c.runs) << "first drawn " << (c.drawn.empty() ? -1 : c.drawn[0]);
    }
}

}  // namespace
}  // namespace ts::render::pixels
