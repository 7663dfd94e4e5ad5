// The picture tool: "touchscreen --snapshot DIR" draws the four pages and the open control
// centre with this machine's figures into DIR as PNG files, without a display and without
// starting the touch reader.
#pragma once

#include "builtin.hpp"

#include <memory>
#include <string>

namespace ts::app {

struct SnapshotTiming {
    int samples = 6;          // system samples: rates need two, graphs want a few more
    double sample_gap = 0.5;  // seconds between them
    double weather_wait = 8;  // seconds at most, from the start, for the first forecast answer
};

// True once the weather card has more to say than "asking": a forecast (the disk cache's
// counts), a failed request, or settings that ask for none.
bool weather_settled(const weather::WeatherView& view);

// Starts the weather thread, samples the system figures meanwhile, then waits what is left of
// timing.weather_wait for the forecast and stops the thread. Returns the view the pictures show.
std::shared_ptr<const weather::WeatherView> gather_figures(Builtin& builtin, const SnapshotTiming& timing);

// Writes DIR/page1.png ... page4.png and DIR/control-centre.png with the configuration file's
// settings. Returns the exit status; failures are logged with the path concerned.
int run_snapshot(Builtin& builtin, const std::string& dir, const SnapshotTiming& timing = {});

}  // namespace ts::app
