// The configuration file over the dashboard's life: read at start-up, then read again on its
// own thread whenever it is saved, with the main thread only swapping in a finished result.
// Threads: start() and apply_pending() on the main thread; the watcher thread reads and
// parses the file and hands the result over under a mutex, flagged by an atomic so the
// frame loop's check costs one load.
#pragma once

#include "config_file.hpp"
#include "config_location.hpp"
#include "file_watcher.hpp"
#include "knobs.hpp"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace ts::config {

// Reads a whole configuration file and parses it; a file that cannot be read is an error
// naming it. Any thread.
LoadResult read_config_file(const std::string& path);

struct Applied {
    bool changed = false;  // new values are in the Knobs: pages must be drawn again
    std::string notice;    // for the control-centre panel; "" when all is well
};

// Puts a result into the Knobs and logs its findings. At start-up every valid value is taken;
// on a reload a single error keeps the whole previous configuration. Main thread.
Applied apply_config(Knobs& knobs, const LoadResult& result, bool reload);

class LiveConfig {
public:
    LiveConfig(Knobs& knobs, ConfigLocation where) : knobs_(knobs), where_(std::move(where)) {}

    // Start-up: logs which file is used, loads it into the Knobs, starts watching.
    // Returns the panel notice. A watcher that cannot start is logged; the dashboard runs on.
    std::string start(int settle_ms = 50) {
        std::string notice = load();
        watch(settle_ms);
        return notice;
    }
    // start() in two steps, for a start-up that must still write the environment between
    // them, while no other thread runs.
    std::string load();
    void watch(int settle_ms = 50);

    // Once per frame: applies a reload the watcher finished, if any.
    std::optional<Applied> apply_pending();

    const std::string& path() const { return where_.path; }

private:
    Knobs& knobs_;
    ConfigLocation where_;
    std::mutex lock_;
    std::optional<LoadResult> pending_;  // under lock_
    std::atomic<bool> has_pending_{false};
    std::unique_ptr<FileWatcher> watcher_;  // last: stops before the rest goes
};

}  // namespace ts::config
