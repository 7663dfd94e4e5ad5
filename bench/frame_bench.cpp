// Time of one frame's page area (background, masks, page or slide, indicator) at 376 x 960,
// beside one full-screen memcpy measured in the same run as the yardstick.
#include "frame_scene.hpp"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

ts::bench::FrameScene& scene() {
    static const auto s = std::make_unique<ts::bench::FrameScene>();
    return *s;
}

void BM_Memcpy(benchmark::State& st) {
    const std::size_t bytes = 376u * 960u * 4u;
    std::vector<unsigned char> from(bytes, 7), to(bytes);
    for (auto _ : st) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * static_cast<std::int64_t>(bytes));
}

void BM_RestingFrame(benchmark::State& st) {
    const auto how = static_cast<ts::render::Compositor>(st.range(0));
    for (auto _ : st) {
        scene().resting_frame(how);
        benchmark::ClobberMemory();
    }
    st.counters["drawn_share"] = scene().drawn_share();
}

void BM_RestingFrameAfterRender(benchmark::State& st) {
    for (auto _ : st) {
        scene().resting_frame_after_render();
        benchmark::ClobberMemory();
    }
}

void BM_SlideFrame(benchmark::State& st) {
    const auto how = static_cast<ts::render::Compositor>(st.range(0));
    const int k = static_cast<int>(st.range(1));
    scene().before_slide();
    for (auto _ : st) {
        scene().slide_frame(k, -1, how);
        benchmark::ClobberMemory();
    }
}

// The control centre opening (steps 1-4) and open (5), then closing (4-1) and closed (0),
// over the page at rest: each frame of the animation.
void BM_ControlCentreFrame(benchmark::State& st) {
    const int steps = static_cast<int>(st.range(0));
    const bool closing = st.range(1) != 0;
    scene().control_centre_frame(steps, closing);
    for (auto _ : st) {
        scene().control_centre_frame(steps, closing);
        benchmark::ClobberMemory();
    }
}

constexpr int kFast = static_cast<int>(ts::render::Compositor::fast);
constexpr int kPlain = static_cast<int>(ts::render::Compositor::plain);

BENCHMARK(BM_Memcpy);
BENCHMARK(BM_RestingFrame)->ArgNames({"plain"})->Arg(kFast)->Arg(kPlain);
BENCHMARK(BM_RestingFrameAfterRender);
// Every frame of a slide the fast way; the plain way, far slower, at a few of them.
BENCHMARK(BM_SlideFrame)->ArgNames({"plain", "k"})->ArgsProduct({{kFast}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}});
BENCHMARK(BM_SlideFrame)->ArgNames({"plain", "k"})->ArgsProduct({{kPlain}, {0, 1, 5, 9}});
BENCHMARK(BM_ControlCentreFrame)->ArgNames({"steps", "closing"})->ArgsProduct({{1, 2, 3, 4, 5}, {0}});
BENCHMARK(BM_ControlCentreFrame)->ArgNames({"steps", "closing"})->ArgsProduct({{4, 3, 2, 1, 0}, {1}});

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::AddCustomContext("build_type", TS_BUILD_TYPE);
    benchmark::AddCustomContext("compiler", TS_COMPILER);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
