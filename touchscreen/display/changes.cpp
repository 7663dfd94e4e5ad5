#include "changes.hpp"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TS_FINGERPRINT_AVX2 1
#else
#define TS_FINGERPRINT_AVX2 0
#endif

namespace ts::display {
namespace {

// xxHash64's round, constants and final mixing, four independent lanes: a row costs about
// one multiply per 8 bytes.
constexpr std::uint64_t kP1 = 0x9E3779B185EBCA87ull, kP2 = 0xC2B2AE3D27D4EB4Full, kP3 = 0x165667B19E3779F9ull,
                        kP4 = 0x85EBCA77C2B2AE63ull;

std::uint64_t rotl(std::uint64_t v, int r) { return (v << r) | (v >> (64 - r)); }
std::uint64_t round(std::uint64_t acc, std::uint64_t word) { return rotl(acc + word * kP2, 31) * kP1; }
std::uint64_t merge(std::uint64_t h, std::uint64_t lane) { return (h ^ round(0, lane)) * kP1 + kP4; }

constexpr std::uint64_t kP5 = 0x27D4EB2F165667C5ull;

std::uint64_t avalanche(std::uint64_t h) {
    h ^= h >> 33;
    h *= kP2;
    h ^= h >> 29;
    h *= kP3;
    return h ^ (h >> 32);
}

std::uint64_t load(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

std::uint64_t fingerprint_scalar(const void* data, std::size_t bytes) {
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
    return avalanche(h);
}

#if TS_FINGERPRINT_AVX2
// The same job 32 bytes a step, after XXH3's accumulation: each 64-bit lane adds the product
// of its two halves, keyed anew every step (so a pixel moved along the row counts), and its
// neighbour's word; the four lanes are then mixed in as the scalar tail's words are.
// About a quarter of the scalar instructions; a process uses one of the two throughout.
__attribute__((target("avx2"))) inline void absorb(__m256i& acc, __m256i& key, const __m256i& step,
                                                  const std::uint8_t* at) {
    const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    const __m256i dk = _mm256_xor_si256(d, key);
    const __m256i product = _mm256_mul_epu32(dk, _mm256_srli_epi64(dk, 32));
    const __m256i neighbour = _mm256_shuffle_epi32(d, _MM_SHUFFLE(1, 0, 3, 2));
    acc = _mm256_add_epi64(acc, _mm256_add_epi64(product, neighbour));
    key = _mm256_add_epi64(key, step);
}

__attribute__((target("avx2"))) std::uint64_t fingerprint_avx2(const std::uint8_t* p, std::size_t bytes) {
    __m256i acc = _mm256_set_epi64x(static_cast<long long>(kP1), static_cast<long long>(kP2),
                                    static_cast<long long>(kP3), static_cast<long long>(kP4 + bytes));
    __m256i key = _mm256_set_epi64x(0x1cad21f72c81017cll, static_cast<long long>(0xdb979083e96dd4deull),
                                    0x1f67b3b7a4a44072ll, 0x78e5c0cc4ee679cbll);
    const __m256i step = _mm256_set_epi64x(static_cast<long long>(0xbe4ba423396cfeb8ull), 0x2172ffcc7dd05a82ll,
                                           static_cast<long long>(0x8e2443f7744608b8ull), 0x4c263a81e69035e0ll);
    const std::uint8_t* end = p + bytes;
    for (; end - p >= 64; p += 64) {
        absorb(acc, key, step, p);
        absorb(acc, key, step, p + 32);
    }
    for (; end - p >= 32; p += 32) absorb(acc, key, step, p);
    if (p < end) absorb(acc, key, step, end - 32);  // the last 32 bytes again, overlapping, with their own key
    alignas(32) std::uint64_t lanes[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), acc);
    std::uint64_t h = kP5 + bytes;
    for (const std::uint64_t lane : lanes) h = rotl(h ^ round(0, lane), 27) * kP1 + kP4;
    return avalanche(h);
}

bool has_avx2() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
}
#endif

}  // namespace

std::uint64_t ChangeTracker::fingerprint(const void* data, std::size_t bytes) {
#if TS_FINGERPRINT_AVX2
    if (bytes >= 32 && has_avx2()) return fingerprint_avx2(static_cast<const std::uint8_t*>(data), bytes);
#endif
    return fingerprint_scalar(data, bytes);
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
