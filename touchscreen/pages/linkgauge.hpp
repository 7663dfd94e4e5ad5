// Page 4: network and processes.
#pragma once

#include "../config/knobs.hpp"
#include "../services/page_providers.hpp"

namespace ts::pages {

class LinkGauge : public services::NetworkPage {
public:
    explicit LinkGauge(config::Knobs& knobs) : knobs_(knobs) {}
    void draw_network(SDL_Surface* surface, SDL_Rect rect) override;
    void draw_processes(SDL_Surface* surface, const services::ProcessRows* rows, SDL_Rect rect) override;

private:
    config::Knobs& knobs_;
};

}  // namespace ts::pages
