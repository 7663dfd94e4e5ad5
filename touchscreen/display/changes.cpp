#include "changes.hpp"

#include <xxhash.h>
#if defined(__x86_64__)
#include <xxh_x86dispatch.h>
#endif

#include <algorithm>
#include <cstring>

namespace ts::display {

// XXH3 at memory speed on a row: NEON on arm64, scalar on armhf (Debian's baseline has no
// NEON). On x86 the library's own choice of AVX2 or SSE2: its plain SSE2 entry measured three
// times slower in the changed-rows benchmark, beside the AVX2 code of the conversions.
std::uint64_t ChangeTracker::fingerprint(const void* data, std::size_t bytes) {
#if defined(__x86_64__)
    return XXH3_64bits_dispatch(data, bytes);
#else
    return XXH3_64bits(data, bytes);
#endif
}

const std::vector<RowBand>& ChangeTracker::all_rows(const SDL_Surface* frame) {
    w_ = h_ = 0;  // the fingerprints no longer describe what is shown
    bands_.assign(1, {0, frame->h});
    return bands_;
}

void ChangeTracker::compare_rows(const SDL_Surface* frame, int y0, int y1, bool everything) {
    const std::size_t row_bytes = static_cast<std::size_t>(frame->w) * 4;
    if (blank_.size() != row_bytes) {
        blank_.assign(row_bytes, 0);
        blank_print_ = fingerprint(blank_.data(), row_bytes);
    }
    for (int y = y0; y < y1; ++y) {
        const void* row = static_cast<const std::uint8_t*>(frame->pixels) + static_cast<std::ptrdiff_t>(y) * frame->pitch;
        // A page's empty rows are told by a compare, a fraction of a fingerprint; it stops at
        // the first drawn pixel elsewhere.
        const std::uint64_t print =
            std::memcmp(row, blank_.data(), row_bytes) == 0 ? blank_print_ : fingerprint(row, row_bytes);
        std::uint64_t& kept = last_[static_cast<std::size_t>(y)];
        if (!everything && print == kept) continue;
        kept = print;
        if (!bands_.empty() && y - bands_.back().y1 < kJoinGap) {
            bands_.back().y1 = y + 1;
        } else {
            bands_.push_back({y, y + 1});
        }
    }
}

const std::vector<RowBand>& ChangeTracker::changed(const SDL_Surface* frame, bool everything) {
    bands_.clear();
    if (frame->w != w_ || frame->h != h_) {
        w_ = frame->w;
        h_ = frame->h;
        last_.assign(static_cast<std::size_t>(h_), 0);
        everything = true;
    }
    compare_rows(frame, 0, h_, everything);
    if (static_cast<int>(bands_.size()) > kMaxBands) bands_ = {{bands_.front().y0, bands_.back().y1}};
    return bands_;
}

const std::vector<RowBand>& ChangeTracker::changed_within(const SDL_Surface* frame, std::span<const RowBand> rows) {
    if (frame->w != w_ || frame->h != h_) return changed(frame, true);
    bands_.clear();
    int done = 0;  // rows below this were looked at: overlapping bands are looked at once
    for (const RowBand& r : rows) {
        const int y0 = std::max({r.y0, done, 0});
        const int y1 = std::min(r.y1, h_);
        if (y0 >= y1) continue;
        compare_rows(frame, y0, y1, false);
        done = y1;
    }
    if (static_cast<int>(bands_.size()) > kMaxBands) bands_ = {{bands_.front().y0, bands_.back().y1}};
    return bands_;
}

}  // namespace ts::display
