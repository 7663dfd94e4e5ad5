// Page 2: processor (load, history, cores, frequency, load average, temperature) and memory.
#pragma once

#include "cards.hpp"

#include "../config/knobs.hpp"
#include "../services/page_providers.hpp"

namespace ts::pages {

class LoadGauge : public services::LoadPage {
public:
    explicit LoadGauge(config::Knobs& knobs, SnapshotFeed feed = {}) : knobs_(knobs), feed_(std::move(feed)) {}
    void draw_cpu(SDL_Surface* surface, SDL_Rect rect) override;
    void draw_memory(SDL_Surface* surface, SDL_Rect rect) override;
    TextTrace* trace = nullptr;  // tests: records every text drawn

private:
    config::Knobs& knobs_;
    SnapshotFeed feed_;
};

}  // namespace ts::pages
