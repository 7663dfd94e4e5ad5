#include "sdl_presenter.hpp"

#include "../core/log.hpp"

#include <vector>

namespace ts::display {

SDL_Surface* SdlPresenter::frame() {
    SDL_Surface* s = SDL_GetWindowSurface(window_.get());
    if (s == nullptr) throw core::SdlError("SDL_GetWindowSurface");
    return s;
}

void SdlPresenter::present(std::span<const RowBand> bands) {
    if (bands.empty()) return;
    const int w = frame()->w;
    std::vector<SDL_Rect> rects;
    rects.reserve(bands.size());
    for (const RowBand& b : bands) rects.push_back({0, b.y0, w, b.y1 - b.y0});
    if (SDL_UpdateWindowSurfaceRects(window_.get(), rects.data(), static_cast<int>(rects.size())) != 0) {
        throw core::SdlError("SDL_UpdateWindowSurfaceRects");
    }
}

void SdlPresenter::set_output_power(bool on) {
    if (on || told_off_) return;
    told_off_ = true;
    core::log::info("sdl: screen off shows a black picture");
}

}  // namespace ts::display
