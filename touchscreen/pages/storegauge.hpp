// Page 3: filesystems and temperatures.
#pragma once

#include "../config/knobs.hpp"
#include "../services/page_providers.hpp"

namespace ts::pages {

class StoreGauge : public services::StoragePage {
public:
    explicit StoreGauge(config::Knobs& knobs) : knobs_(knobs) {}
    void draw_disk(SDL_Surface* surface, SDL_Rect rect) override;
    void _start_temp_update_thread() override { temp_updates_started_ = true; }
    bool temp_updates_started() const { return temp_updates_started_; }

private:
    config::Knobs& knobs_;
    bool temp_updates_started_ = false;
};

}  // namespace ts::pages
