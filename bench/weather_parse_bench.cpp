// Cost of reading the full seven-day forecast response on the weather thread: the JSON parse
// plus the field checks, from the same fixture the tests serve.
#include "weather/parse.hpp"

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

std::string fixture() {
    std::ifstream in(TS_WEATHER_FIXTURE, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " TS_WEATHER_FIXTURE);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void BM_ParseSevenDayForecast(benchmark::State& state) {
    const std::string body = fixture();
    for (auto _ : state) {
        auto result = ts::weather::parse_forecast(body);
        if (!result.forecast) state.SkipWithError(result.detail.c_str());
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(body.size()));
}
BENCHMARK(BM_ParseSevenDayForecast)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
