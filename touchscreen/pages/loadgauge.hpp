// Page 2: processor and memory.
#pragma once

#include "../config/knobs.hpp"
#include "../services/page_providers.hpp"

namespace ts::pages {

class LoadGauge : public services::LoadPage {
public:
    explicit LoadGauge(config::Knobs& knobs) : knobs_(knobs) {}
    void draw_cpu(SDL_Surface* surface, SDL_Rect rect) override;
    void draw_memory(SDL_Surface* surface, SDL_Rect rect) override;

private:
    config::Knobs& knobs_;
};

}  // namespace ts::pages
