// Page 3: filesystems and temperatures.
#pragma once

#include "cards.hpp"

#include "../config/knobs.hpp"
#include "../services/page_providers.hpp"

namespace ts::pages {

// What names a filesystem on the page: its mount point, or its label where the mount point
// only says where removable media land (/media/pi/3A5F-1C22, /run/media/..., /mnt/...).
std::string filesystem_title(const std::string& mount_point, const std::string& label);

class StoreGauge : public services::StoragePage {
public:
    explicit StoreGauge(config::Knobs& knobs, SnapshotFeed feed = {}) : knobs_(knobs), feed_(std::move(feed)) {}
    void draw_disk(SDL_Surface* surface, SDL_Rect rect) override;
    // The sampler thread reads the sensors; nothing more to start here.
    void _start_temp_update_thread() override { temp_updates_started_ = true; }
    bool temp_updates_started() const { return temp_updates_started_; }
    TextTrace* trace = nullptr;  // tests: records every text drawn

private:
    config::Knobs& knobs_;
    SnapshotFeed feed_;
    bool temp_updates_started_ = false;
};

}  // namespace ts::pages
