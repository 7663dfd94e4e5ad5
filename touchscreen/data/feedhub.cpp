#include "feedhub.hpp"

#include <chrono>

namespace ts::data {

FeedHub::FeedHub(std::function<double()> now) : now_(std::move(now)) {
    if (!now_) {
        now_ = [] {
            return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
        };
    }
    idle_since_ = now_();
}

void FeedHub::start_core() {
    running_.store(true);
    for (auto& [start, stop] : background_) start();
}

void FeedHub::stop_core() {
    running_.store(false);
    for (auto& [start, stop] : background_) stop();
}

void FeedHub::add_background_work(std::function<void()> start, std::function<void()> stop) {
    background_.emplace_back(std::move(start), std::move(stop));
}

void FeedHub::wake_screen() {
    idle_since_ = now_();
    if (!screen_on_.exchange(true) && on_screen_change) on_screen_change(true);
}

void FeedHub::turn_off() {
    if (screen_on_.exchange(false) && on_screen_change) on_screen_change(false);
}

void FeedHub::set_auto_off_seconds(int seconds) {
    auto_off_seconds_.store(seconds < 0 ? 0 : seconds);
    idle_since_ = now_();
}

void FeedHub::check_auto_off() {
    const int limit = auto_off_seconds_.load();
    if (limit > 0 && screen_on_.load() && now_() - idle_since_ >= limit) turn_off();
}

}  // namespace ts::data
