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

void FeedHub::wake_screen() {
    idle_since_ = now_();
    screen_on_.store(true);
}

void FeedHub::set_auto_off_seconds(int seconds) {
    auto_off_seconds_.store(seconds < 0 ? 0 : seconds);
    idle_since_ = now_();
}

void FeedHub::check_auto_off() {
    const int limit = auto_off_seconds_.load();
    if (limit > 0 && screen_on_.load() && now_() - idle_since_ >= limit) screen_on_.store(false);
}

void FeedHub::start_core() {
    running_.store(true);
    if (core_start_) core_start_();
}

void FeedHub::stop_core() {
    running_.store(false);
    if (core_stop_) core_stop_();
}

}  // namespace ts::data
