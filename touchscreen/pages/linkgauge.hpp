// Page 4: network and processes.
#pragma once

#include "cards.hpp"

#include "../config/knobs.hpp"
#include "../services/page_providers.hpp"

namespace ts::pages {

class LinkGauge : public services::NetworkPage {
public:
    explicit LinkGauge(config::Knobs& knobs, SnapshotFeed feed = {}) : knobs_(knobs), feed_(std::move(feed)) {}
    void draw_network(SDL_Surface* surface, SDL_Rect rect) override;
    void draw_processes(SDL_Surface* surface, const services::ProcessRows* rows, SDL_Rect rect) override;
    TextTrace* trace = nullptr;  // tests: records every text drawn

private:
    config::Knobs& knobs_;
    SnapshotFeed feed_;
};

}  // namespace ts::pages
