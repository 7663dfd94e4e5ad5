// Which rows count as changed, and the backend order for each setting and environment.
#include "display/changes.hpp"
#include "display/choice.hpp"

#include "core/sdl_types.hpp"

#include <gtest/gtest.h>

#include <set>

namespace ts::display {
namespace {

void paint_row(SDL_Surface* s, int y, std::uint32_t v) {
    auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(s->pixels) + y * s->pitch);
    row[s->w - 1] = v;  // the last pixel: a compare that stops short misses it
}

TEST(ChangeTracker, BandsOfChangedRows) {
    using Bands = std::vector<RowBand>;
    const struct {
        const char* name;
        std::vector<int> rows;  // rows given a new value
        Bands expected;
    } cases[] = {
        {"nothing", {}, {}},
        {"one row", {5}, {{5, 6}}},
        {"first and last rows", {0, 99}, {{0, 1}, {99, 100}}},
        {"close rows join", {10, 12, 17}, {{10, 18}}},
        {"kJoinGap unchanged rows keep bands apart", {10, 11 + ChangeTracker::kJoinGap}, {{10, 11}, {19, 20}}},
        {"too many bands become one", {0, 10, 20, 30, 40, 50, 60, 70, 80}, {{0, 81}}},
    };
    for (const auto& c : cases) {
        core::Surface s = core::make_opaque_surface(7, 100);
        SDL_FillRect(s.get(), nullptr, 0);
        ChangeTracker t;
        EXPECT_EQ(t.changed(s.get(), false), (Bands{{0, 100}})) << c.name << ": first frame is whole";
        for (int y : c.rows) paint_row(s.get(), y, 0x123456);
        EXPECT_EQ(t.changed(s.get(), false), c.expected) << c.name;
        EXPECT_EQ(t.changed(s.get(), false), Bands{}) << c.name << ": the same again";
        EXPECT_EQ(t.changed(s.get(), true), (Bands{{0, 100}})) << c.name << ": everything asked for";
    }
}

TEST(ChangeTracker, AfterAllRowsTheNextFrameIsWhole) {
    ChangeTracker t;
    core::Surface s = core::make_opaque_surface(4, 10);
    SDL_FillRect(s.get(), nullptr, 0);
    t.changed(s.get(), false);
    EXPECT_EQ(t.all_rows(s.get()), (std::vector<RowBand>{{0, 10}}));
    EXPECT_EQ(t.changed(s.get(), false), (std::vector<RowBand>{{0, 10}})) << "what is shown was not looked at";
    EXPECT_EQ(t.changed(s.get(), false), std::vector<RowBand>{});
}

TEST(ChangeTracker, ANewSizeIsWhole) {
    ChangeTracker t;
    core::Surface a = core::make_opaque_surface(4, 10), b = core::make_opaque_surface(4, 12);
    SDL_FillRect(a.get(), nullptr, 0);
    SDL_FillRect(b.get(), nullptr, 0);
    t.changed(a.get(), false);
    EXPECT_EQ(t.changed(b.get(), false), (std::vector<RowBand>{{0, 12}}));
}

// A row differs from the last one in a single bit, anywhere, or in two pixels swapped: the
// fingerprint must tell them apart, lanes, tail bytes and all.
TEST(ChangeTracker, FingerprintSeesEverySmallChange) {
    for (const int w : {1, 3, 8, 9, 15, 16, 376}) {  // pixels: under one step, overlapping tails, a panel's row
        std::vector<std::uint32_t> row(static_cast<std::size_t>(w));
        for (int x = 0; x < w; ++x) row[static_cast<std::size_t>(x)] = 0x10203040u * static_cast<std::uint32_t>(x + 1);
        const std::size_t bytes = row.size() * 4;
        const std::uint64_t base = ChangeTracker::fingerprint(row.data(), bytes);
        for (std::size_t bit = 0; bit < bytes * 8; ++bit) {
            row[bit / 32] ^= 1u << (bit % 32);
            EXPECT_NE(ChangeTracker::fingerprint(row.data(), bytes), base) << w << " pixels, bit " << bit;
            row[bit / 32] ^= 1u << (bit % 32);
        }
        for (int x = 1; x < w; ++x) {
            std::swap(row[0], row[static_cast<std::size_t>(x)]);
            EXPECT_NE(ChangeTracker::fingerprint(row.data(), bytes), base) << w << " pixels, 0 and " << x << " swapped";
            std::swap(row[0], row[static_cast<std::size_t>(x)]);
        }
        EXPECT_EQ(ChangeTracker::fingerprint(row.data(), bytes), base);
    }
}

TEST(ChooseBackends, OrderForEachSettingAndEnvironment) {
    using V = std::vector<std::string>;
    const struct {
        std::string setting;
        bool server, driver;
        V order;
        bool error, sdl_passed_over;
    } cases[] = {
        {"auto", true, false, {"sdl", "kms", "fbdev"}, false, false},
        {"auto", false, true, {"sdl", "kms", "fbdev"}, false, false},
        {"auto", false, false, {"kms", "fbdev", "sdl"}, false, true},
        {"sdl", false, false, {"sdl"}, false, false},
        {"kms", true, true, {"kms"}, false, false},
        {"fbdev", true, false, {"fbdev"}, false, false},
        {"framebuffer", false, false, {"kms", "fbdev", "sdl"}, true, true},
        {"", true, false, {"sdl", "kms", "fbdev"}, true, false},
    };
    for (const auto& c : cases) {
        const BackendChoice got = choose_backends(c.setting, c.server, c.driver);
        EXPECT_EQ(got.order, c.order) << c.setting;
        EXPECT_EQ(!got.error.empty(), c.error) << c.setting;
        if (c.error) {
            EXPECT_NE(got.error.find("\"" + c.setting + "\""), std::string::npos) << got.error;
        }
        EXPECT_EQ(got.passed_over.size(), c.sdl_passed_over ? 1u : 0u) << c.setting;
    }
}

}  // namespace
}  // namespace ts::display

namespace ts::display {
namespace {

// Only the rows asked about are looked at: a change elsewhere is neither seen nor forgotten,
// and is found by the next whole look.
TEST(ChangeTracker, ChangedWithinLooksAtTheGivenRowsOnly) {
    using Bands = std::vector<RowBand>;
    struct Case {
        const char* name;
        std::vector<int> rows_changed;
        Bands asked;
        Bands expected;
        Bands then_whole;  // what changed() finds afterwards
    } cases[] = {
        {"a changed row inside", {40}, {{30, 50}}, {{40, 41}}, {}},
        {"nothing changed inside", {}, {{30, 50}}, {}, {}},
        {"a change outside is left for later", {40, 80}, {{30, 50}}, {{40, 41}}, {{80, 81}}},
        {"overlapping bands look once", {45}, {{30, 50}, {40, 60}}, {{45, 46}}, {}},
        {"bands past the frame are cut", {99}, {{90, 150}}, {{99, 100}}, {}},
    };
    for (const Case& c : cases) {
        core::Surface s = core::make_opaque_surface(20, 100);
        SDL_FillRect(s.get(), nullptr, 0);
        ChangeTracker t;
        t.changed(s.get(), false);
        for (const int y : c.rows_changed) {
            SDL_Rect r{3, y, 1, 1};
            SDL_FillRect(s.get(), &r, 0xffffff);
        }
        EXPECT_EQ(t.changed_within(s.get(), c.asked), c.expected) << c.name;
        EXPECT_EQ(t.changed(s.get(), false), c.then_whole) << c.name;
    }
}

TEST(ChangeTracker, ChangedWithinANewSizeIsWhole) {
    ChangeTracker t;
    core::Surface a = core::make_opaque_surface(4, 10);
    core::Surface b = core::make_opaque_surface(4, 12);
    t.changed(a.get(), false);
    const std::vector<RowBand> rows{{2, 3}};
    EXPECT_EQ(t.changed_within(b.get(), rows), (std::vector<RowBand>{{0, 12}}));
}

}  // namespace
}  // namespace ts::display

namespace ts::display {
namespace {

// Most of a page's rows are transparent but for a few pixels: one pixel at any place, or two
// that trade places, must give a fingerprint of its own.
TEST(ChangeTracker, FingerprintTellsSparseRowsApart) {
    constexpr int kW = 376;
    std::vector<std::uint32_t> row(kW, 0);
    std::set<std::uint64_t> seen{ChangeTracker::fingerprint(row.data(), row.size() * 4)};
    for (const std::uint32_t pixel : {0xff000000u, 0x80ffffffu, 0x00000001u}) {
        for (int x = 0; x < kW; ++x) {
            row[static_cast<std::size_t>(x)] = pixel;
            EXPECT_TRUE(seen.insert(ChangeTracker::fingerprint(row.data(), row.size() * 4)).second) << x;
            row[static_cast<std::size_t>(x)] = 0;
        }
    }
    for (int x = 0; x + 8 < kW; x += 5) {  // two pixels, 32 bytes apart, swapped
        row[static_cast<std::size_t>(x)] = 0xff102030u;
        row[static_cast<std::size_t>(x) + 8] = 0xff405060u;
        EXPECT_TRUE(seen.insert(ChangeTracker::fingerprint(row.data(), row.size() * 4)).second) << x;
        std::swap(row[static_cast<std::size_t>(x)], row[static_cast<std::size_t>(x) + 8]);
        EXPECT_TRUE(seen.insert(ChangeTracker::fingerprint(row.data(), row.size() * 4)).second) << x << " swapped";
        row[static_cast<std::size_t>(x)] = row[static_cast<std::size_t>(x) + 8] = 0;
    }
}

}  // namespace
}  // namespace ts::display

namespace ts::display {
namespace {

// Empty rows are told apart by a compare: emptied or drawn on, they count as changed.
TEST(ChangeTracker, EmptyRowsChangeLikeAnyOther) {
    struct Case {
        const char* name;
        std::uint32_t before, after;  // row 5's pixel 7; every other pixel is 0
        std::vector<RowBand> expected;
    } cases[] = {
        {"empty stays empty", 0, 0, {}},
        {"drawn on", 0, 0x80ffffffu, {{5, 6}}},
        {"emptied", 0x80ffffffu, 0, {{5, 6}}},
        {"redrawn the same", 0x80ffffffu, 0x80ffffffu, {}},
    };
    for (const Case& c : cases) {
        core::Surface s = core::make_alpha_surface(40, 10);
        SDL_FillRect(s.get(), nullptr, 0);
        const SDL_Rect at{7, 5, 1, 1};
        SDL_FillRect(s.get(), &at, c.before);
        ChangeTracker t;
        t.changed(s.get(), false);
        SDL_FillRect(s.get(), &at, c.after);
        EXPECT_EQ(t.changed(s.get(), false), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace ts::display
