// The built-in data manager: the panel's on/off state and its automatic switch-off after
// an idle time. The screen status is asked from the main and the refresh threads.
#pragma once

#include "../services/data_manager.hpp"

#include <atomic>
#include <functional>

namespace ts::data {

class FeedHub : public services::DataManager {
public:
    // now: monotonic seconds; injectable for tests.
    explicit FeedHub(std::function<double()> now = {});

    void start_core() override;
    void stop_core() override;
    bool get_screen_status() override { return screen_on_.load(); }
    void wake_screen() override;
    void check_auto_off() override;

    // Idle seconds before the panel switches off; 0 keeps it on. Counting restarts now.
    void set_auto_off_seconds(int seconds);
    int auto_off_seconds() const { return auto_off_seconds_.load(); }
    void turn_off() { screen_on_.store(false); }
    // A touch happened; restarts the idle count. Main thread.
    void note_activity() { idle_since_ = now_(); }
    bool running() const { return running_.load(); }
    // Background work that starts and stops with the core (the system-figure sampler). Main thread.
    void on_core(std::function<void()> start, std::function<void()> stop) {
        core_start_ = std::move(start);
        core_stop_ = std::move(stop);
    }

private:
    std::function<double()> now_;
    std::atomic<bool> running_{false};
    std::atomic<bool> screen_on_{true};
    std::atomic<int> auto_off_seconds_{0};
    double idle_since_ = 0;  // main thread only
    std::function<void()> core_start_, core_stop_;
};

}  // namespace ts::data
