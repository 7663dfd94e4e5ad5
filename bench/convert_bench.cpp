// Time of converting the whole composed frame (376 x 960 xRGB) into a device's format and
// rotation, and of finding its changed rows, beside one full-screen memcpy measured in the same
// run as the yardstick.
#include "display/changes.hpp"
#include "display/convert.hpp"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr int kW = 376, kH = 960;

const std::vector<std::uint32_t>& picture() {
    static const std::vector<std::uint32_t> p = [] {
        std::vector<std::uint32_t> v(static_cast<std::size_t>(kW) * kH);
        for (std::size_t i = 0; i < v.size(); ++i) v[i] = static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFFFF;
        return v;
    }();
    return p;
}

void BM_Memcpy(benchmark::State& st) {
    const std::size_t bytes = std::size_t{kW} * kH * 4;
    std::vector<std::uint32_t> to(picture().size());
    for (auto _ : st) {
        std::memcpy(to.data(), picture().data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}

// range(0): 0 XRGB8888, 1 RGB565, 2 XBGR8888, 3 packed 24-bit, 4 BGR565, 5 packed 24-bit BGR,
// 6 a rare layout (RGB565 on 4 bytes: the generic path); range(1): rotation.
void BM_Convert(benchmark::State& st) {
    const ts::display::PixelLayout layouts[] = {ts::display::kXrgb8888, ts::display::kRgb565, ts::display::kXbgr8888,
                                                ts::display::kRgb888,   ts::display::kBgr565,
                                                {3, 0, 8, 8, 8, 16, 8},  {4, 11, 5, 5, 6, 0, 5}};
    const ts::display::PixelLayout layout = layouts[st.range(0)];
    const int rotation = static_cast<int>(st.range(1));
    const bool turned = rotation == 90 || rotation == 270;
    const int stride = (turned ? kH : kW) * layout.bytes;
    std::vector<std::uint8_t> to(static_cast<std::size_t>(stride) * (turned ? kW : kH));
    const ts::display::Source src{picture().data(), kW, kH, kW};
    for (auto _ : st) {
        ts::display::convert_rows(src, 0, kH, {to.data(), stride, layout}, rotation);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}

// The change tracker on every composed frame: range(0) 1, every row new (a slide); 0, the same
// picture again (a page re-rendered to the same pixels).
void BM_ChangedRows(benchmark::State& st) {
    std::vector<std::uint32_t> a = picture(), b = picture();
    for (std::uint32_t& p : b) p ^= 0x010101;
    SDL_Surface* frames[] = {
        SDL_CreateRGBSurfaceWithFormatFrom(a.data(), kW, kH, 32, kW * 4, SDL_PIXELFORMAT_XRGB8888),
        SDL_CreateRGBSurfaceWithFormatFrom(b.data(), kW, kH, 32, kW * 4, SDL_PIXELFORMAT_XRGB8888)};
    ts::display::ChangeTracker tracker;
    std::size_t i = 0;
    for (auto _ : st) {
        benchmark::DoNotOptimize(tracker.changed(frames[i % 2], false).size());
        i += static_cast<std::size_t>(st.range(0));
    }
    for (SDL_Surface* f : frames) SDL_FreeSurface(f);
}

BENCHMARK(BM_Memcpy);
BENCHMARK(BM_ChangedRows)->ArgName("every_row_new")->Arg(1)->Arg(0);
BENCHMARK(BM_Convert)->ArgNames({"format", "rotation"})->ArgsProduct({{0, 1, 2, 3, 4, 5}, {0, 90, 180, 270}});
BENCHMARK(BM_Convert)->ArgNames({"format", "rotation"})->ArgsProduct({{6}, {0, 90}});

}  // namespace

BENCHMARK_MAIN();
