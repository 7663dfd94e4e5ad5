// The configuration loader on arbitrary text. Beyond not crashing or throwing: every finding
// names its file and says what is wrong, an error-free file parses the same twice, and whatever
// the file holds, the settings that come out stay inside the ranges the dashboard relies on.
#include "check.hpp"

#include "config/config_file.hpp"

#include <cmath>
#include <cstdint>
#include <string_view>

namespace {

bool is_rotation(int degrees) { return degrees == 0 || degrees == 90 || degrees == 180 || degrees == 270; }
bool is_interval(double seconds) { return std::isfinite(seconds) && seconds > 0; }

void check_ranges(const ts::config::Settings& s) {
    if (s.weather.latitude) FUZZ_CHECK(*s.weather.latitude >= -90 && *s.weather.latitude <= 90);
    if (s.weather.longitude) FUZZ_CHECK(*s.weather.longitude >= -180 && *s.weather.longitude <= 180);
    FUZZ_CHECK(s.weather.units == "metric" || s.weather.units == "imperial");
    FUZZ_CHECK(is_interval(s.weather.interval));
    FUZZ_CHECK(s.clock.format == "24h" || s.clock.format == "12h");
    for (double v : {s.refresh.cpu, s.refresh.memory, s.refresh.disk, s.refresh.network, s.refresh.process,
                     s.refresh.time, s.refresh.background}) {
        FUZZ_CHECK(is_interval(v));
    }
    FUZZ_CHECK(is_rotation(s.display.rotation) && is_rotation(s.input.rotation));
    FUZZ_CHECK(s.panel.min_brightness >= 0 && s.panel.min_brightness <= 100);
    FUZZ_CHECK(s.light.led_paths.empty() || s.light.led_paths.size() == 3);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ts::config::LoadResult first = ts::config::parse_config(text, "fuzz.toml");
    for (const ts::config::Diagnostic& d : first.diagnostics) {
        FUZZ_CHECK(d.path == "fuzz.toml" && !d.message.empty());
        FUZZ_CHECK(d.line >= 0 && d.column >= 0);
    }
    check_ranges(first.settings);
    if (!first.has_errors()) FUZZ_CHECK(ts::config::parse_config(text, "fuzz.toml").settings == first.settings);
    return 0;
}
