#include "changes.hpp"

#include <algorithm>
#include <cstring>

namespace ts::display {
namespace {

// xxHash64's round, constants and final mixing, four independent lanes: a row costs about
// one multiply per 8 bytes.
constexpr std::uint64_t kP1 = 0x9E3779B185EBCA87ull, kP2 = 0xC2B2AE3D27D4EB4Full, kP3 = 0x165667B19E3779F9ull,
                        kP4 = 0x85EBCA77C2B2AE63ull;

std::uint64_t rotl(std::uint64_t v, int r) { return (v << r) | (v >> (64 - r)); }
std::uint64_t round(std::uint64_t acc, std::uint64_t word) { return rotl(acc + word * kP2, 31) * kP1; }
std::uint64_t merge(std::uint64_t h, std::uint64_t lane) { return (h ^ round(0, lane)) * kP1 + kP4; }

std::uint64_t load(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

}  // namespace

std::uint64_t ChangeTracker::fingerprint(const void* data, std::size_t bytes) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    const auto* end = p + bytes;
    std::uint64_t h = kP4 + bytes;
    if (bytes >= 32) {
        std::uint64_t a = kP1 + kP2, b = kP2, c = 0, d = -kP1;
        for (; end - p >= 32; p += 32) {
            a = round(a, load(p));
            b = round(b, load(p + 8));
            c = round(c, load(p + 16));
            d = round(d, load(p + 24));
        }
        h = rotl(a, 1) + rotl(b, 7) + rotl(c, 12) + rotl(d, 18);
        h = merge(merge(merge(merge(h, a), b), c), d) + bytes;
    }
    for (; end - p >= 8; p += 8) h = rotl(h ^ round(0, load(p)), 27) * kP1 + kP4;
    for (; p < end; ++p) h = rotl(h ^ (*p * kP4), 11) * kP1;
    h ^= h >> 33;
    h *= kP2;
    h ^= h >> 29;
    h *= kP3;
    return h ^ (h >> 32);
}

const std::vector<RowBand>& ChangeTracker::all_rows(const SDL_Surface* frame) {
    w_ = h_ = 0;  // the fingerprints no longer describe what is shown
    bands_.assign(1, {0, frame->h});
    return bands_;
}

void ChangeTracker::compare_rows(const SDL_Surface* frame, int y0, int y1, bool everything) {
    const std::size_t row_bytes = static_cast<std::size_t>(frame->w) * 4;
    for (int y = y0; y < y1; ++y) {
        const void* row = static_cast<const std::uint8_t*>(frame->pixels) + static_cast<std::ptrdiff_t>(y) * frame->pitch;
        const std::uint64_t print = fingerprint(row, row_bytes);
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
