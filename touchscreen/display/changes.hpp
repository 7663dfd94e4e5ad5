// Which rows of the composed frame differ from the picture last shown, so that a frame whose
// page was re-rendered to the same pixels presents nothing, and one whose clock digits
// changed presents a band of a few dozen rows instead of 1.4 MB. A row is remembered by a
// 64-bit fingerprint, not a copy: two copies of the screen would cost more memory than the
// rest of the picture cache. Main thread only.
#pragma once

#include "presenter.hpp"

#include <cstdint>
#include <span>
#include <vector>

namespace ts::display {

class ChangeTracker {
public:
    // Bands of rows of `frame` (32-bit pixels) that differ from the frame last given here, or
    // every row when `everything` or the size changed; remembers the rows for the next call.
    // Neighbouring bands closer than kJoinGap rows are joined, and at most kMaxBands are given.
    const std::vector<RowBand>& changed(const SDL_Surface* frame, bool everything);
    // Every row of `frame`, without looking: for frames known to differ everywhere (a slide),
    // where fingerprints would cost more than they save. The next changed() gives every row.
    const std::vector<RowBand>& all_rows(const SDL_Surface* frame);
    // changed() looking only at the rows within `rows`, for a frame known to be unchanged
    // elsewhere since the last call: a few dozen rows cost a few dozen fingerprints. A size
    // other than the last one gives every row, as changed() does.
    const std::vector<RowBand>& changed_within(const SDL_Surface* frame, std::span<const RowBand> rows);

    static constexpr int kJoinGap = 8;    // rows: a separate update costs more than a few rows
    static constexpr int kMaxBands = 8;

    // The fingerprint of `bytes` bytes; two different rows share one with a chance of about
    // one in 2^64.
    static std::uint64_t fingerprint(const void* data, std::size_t bytes);

private:
    // Fingerprints rows [y0, y1) and adds those that differ to bands_.
    void compare_rows(const SDL_Surface* frame, int y0, int y1, bool everything);

    std::vector<std::uint64_t> last_;  // one fingerprint per row
    int w_ = 0, h_ = 0;
    std::vector<RowBand> bands_;
    std::vector<std::uint8_t> blank_;  // one row of zeros, as wide as the last frame's
    std::uint64_t blank_print_ = 0;    // its fingerprint
};

}  // namespace ts::display
