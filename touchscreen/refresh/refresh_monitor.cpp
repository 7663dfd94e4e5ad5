#include "refresh_monitor.hpp"

#include <array>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace ts::refresh {
namespace {

constexpr double kPassPause = 0.2;   // seconds between passes with the screen on
constexpr double kIdlePause = 1.0;   // seconds: screen off, or the pass failed
constexpr double kDefaultInterval = 1.0;  // seconds, for a component not in the table
constexpr double kDiskIoInterval = 1.0 / 12;  // shorter than a pass: due on every pass

// The components each page shows, asked in this order until one is due.
const std::array<std::vector<std::string>, core::PAGE_COUNT> kPageComponents{{
    {"time", "weather", "disk_io"},
    {"cpu", "memory"},
    {"disk"},
    {"network", "process"},
}};

}  // namespace

bool _should_refresh(core::AppState& state, const services::Config& config, core::Clock& clock,
                     const std::string& component) {
    // Read afresh on every call, so a changed value applies to the next check.
    const std::map<std::string, double> intervals{
        {"cpu", config.CPU_UPDATE_INTERVAL()},
        {"memory", config.MEMORY_UPDATE_INTERVAL()},
        {"disk", config.DISK_UPDATE_INTERVAL()},
        {"network", config.NETWORK_UPDATE_INTERVAL()},
        {"process", config.PROCESS_UPDATE_INTERVAL()},
        {"time", config.TIME_UPDATE_INTERVAL()},
        {"weather", config.WEATHER_UPDATE_INTERVAL()},
        {"disk_io", kDiskIoInterval},
    };
    std::lock_guard lock(state._refresh_lock);
    const double current_time = clock.now();
    const auto interval_it = intervals.find(component);
    const double interval = interval_it == intervals.end() ? kDefaultInterval : interval_it->second;
    // A component never found due is due now, whatever the clock's origin.
    const auto last = state._last_refresh_times.find(component);
    if (last == state._last_refresh_times.end() || current_time - last->second >= interval) {
        state._last_refresh_times[component] = current_time;
        return true;
    }
    return false;
}

double refresh_pass(core::AppState& state, const services::Config& config, services::DataManager& data_mgr,
                    core::Clock& clock) noexcept {
    try {
        if (!data_mgr.get_screen_status()) return kIdlePause;
        for (int page_idx = 0; page_idx < core::PAGE_COUNT; ++page_idx) {
            for (const std::string& component : kPageComponents[static_cast<std::size_t>(page_idx)]) {
                if (_should_refresh(state, config, clock, component)) {
                    state._page_dirty[static_cast<std::size_t>(page_idx)].set();
                    break;
                }
            }
        }
        return kPassPause;
    } catch (...) {
        return kIdlePause;  // the next pass tries again
    }
}

void _refresh_monitor(core::AppState& state, const services::Config& config, services::DataManager& data_mgr,
                      core::Clock& clock) {
    for (;;) clock.sleep_for(refresh_pass(state, config, data_mgr, clock));
}

}  // namespace ts::refresh
