// Page 4: network and processes.
#pragma once

#include "cards.hpp"

#include "../config/knobs.hpp"
#include "../services/page_providers.hpp"

#include <functional>

namespace ts::pages {

class LinkGauge : public services::NetworkPage {
public:
    // shown, when given, is told each time the process rows are drawn: they are gathered
    // only while someone looks at them.
    explicit LinkGauge(config::Knobs& knobs, SnapshotFeed feed = {}, std::function<void()> shown = {})
        : knobs_(knobs), feed_(std::move(feed)), processes_shown_(std::move(shown)) {}
    void draw_network(SDL_Surface* surface, SDL_Rect rect) override;
    void draw_processes(SDL_Surface* surface, const services::ProcessRows* rows, SDL_Rect rect) override;
    TextTrace* trace = nullptr;  // tests: records every text drawn

private:
    config::Knobs& knobs_;
    SnapshotFeed feed_;
    std::function<void()> processes_shown_;
};

}  // namespace ts::pages
