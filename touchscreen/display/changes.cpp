#include "changes.hpp"

#include <cstring>

namespace ts::display {

const std::vector<RowBand>& ChangeTracker::changed(const SDL_Surface* frame, bool everything) {
    bands_.clear();
    const int w = frame->w, h = frame->h;
    if (w != w_ || h != h_) {
        w_ = w;
        h_ = h;
        last_.assign(static_cast<std::size_t>(w) * h, 0);
        everything = true;
    }
    const std::size_t row_bytes = static_cast<std::size_t>(w) * 4;
    for (int y = 0; y < h; ++y) {
        const void* row = static_cast<const std::uint8_t*>(frame->pixels) + static_cast<std::ptrdiff_t>(y) * frame->pitch;
        std::uint32_t* kept = last_.data() + static_cast<std::size_t>(y) * w;
        if (!everything && std::memcmp(row, kept, row_bytes) == 0) continue;
        std::memcpy(kept, row, row_bytes);
        if (!bands_.empty() && y - bands_.back().y1 < kJoinGap) {
            bands_.back().y1 = y + 1;
        } else {
            bands_.push_back({y, y + 1});
        }
    }
    if (static_cast<int>(bands_.size()) > kMaxBands) bands_ = {{bands_.front().y0, bands_.back().y1}};
    return bands_;
}

}  // namespace ts::display
