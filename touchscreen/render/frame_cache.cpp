#include "frame_cache.hpp"

namespace ts::core {

void FrameCacheDeleter::operator()(render::FrameCache* cache) const noexcept { delete cache; }

}  // namespace ts::core

namespace ts::render {

FrameCache& frame_cache(core::AppState& state) {
    if (!state._frame_cache) state._frame_cache.reset(new FrameCache());
    return *state._frame_cache;
}

const PageRuns& runs_of(FrameCache& cache, int page_idx, SDL_Surface* surface) {
    PageRuns& r = cache.page_runs.at(static_cast<std::size_t>(page_idx));
    if (!r.stale && r.surface == surface) return r;
    // Once per render: a scan of the surface costs about one blend of it.
    r.row_start.assign(1, 0);
    r.runs.clear();
    for (int y = 0; y < surface->h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const Uint8*>(surface->pixels) +
                                                                 static_cast<std::ptrdiff_t>(y) * surface->pitch);
        pixels::find_runs(row, surface->w, r.runs);
        r.row_start.push_back(static_cast<std::uint32_t>(r.runs.size()));
    }
    r.surface = surface;
    r.stale = false;
    ++r.scan;
    return r;
}

}  // namespace ts::render
