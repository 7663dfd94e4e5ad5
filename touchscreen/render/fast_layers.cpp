// Page layers with our own loops: only the runs a page drew are blended, straight from the
// cached surface (opacity is applied in the blend, so no copy is made), and the scaled page
// is sampled row by row into a reused buffer instead of a new surface.
#include "layers.hpp"
#include "pixels.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <span>

namespace ts::render::fast {
namespace {

struct Clip {
    int x0, y0, x1, y1;  // [x0, x1) x [y0, y1)
};

Clip clip_of(const SDL_Surface* s) {
    const SDL_Rect& r = s->clip_rect;
    return {r.x, r.y, r.x + r.w, r.y + r.h};
}

// A cached page surface as we make them: straight-alpha ARGB, blended, no modulation.
bool plain_page(SDL_Surface* page) {
    if (page->format->format != SDL_PIXELFORMAT_ARGB8888 || SDL_MUSTLOCK(page)) return false;
    SDL_BlendMode mode;
    Uint8 alpha, r, g, b;
    SDL_GetSurfaceBlendMode(page, &mode);
    SDL_GetSurfaceAlphaMod(page, &alpha);
    SDL_GetSurfaceColorMod(page, &r, &g, &b);
    return mode == SDL_BLENDMODE_BLEND && alpha == 255 && r == 255 && g == 255 && b == 255;
}

std::uint32_t* row_of(SDL_Surface* s, int y) {
    return reinterpret_cast<std::uint32_t*>(static_cast<Uint8*>(s->pixels) + static_cast<std::ptrdiff_t>(y) * s->pitch);
}

std::span<const pixels::Run> runs_in_row(const PageRuns& runs, int y) {
    return {runs.runs.data() + runs.row_start[static_cast<std::size_t>(y)],
            runs.runs.data() + runs.row_start[static_cast<std::size_t>(y) + 1]};
}

// A drawn run with the transparent columns around it: [lo, hi) holds the run and nothing
// else that is drawn, within the row.
struct RunInGap {
    pixels::Run run;
    int lo, hi;
};

// Calls f(screen row, page row, run in its gap) for every drawn run of the page rows that
// land inside the clip, with the page's top at screen row y.
template <class F>
void for_each_run(const PageRuns& runs, SDL_Surface* screen, SDL_Surface* page, int y, const Clip& clip, F&& f) {
    const int first = std::max(0, clip.y0 - y);
    const int last = std::min(page->h, clip.y1 - y);
    for (int sy = first; sy < last; ++sy) {
        const std::uint32_t* src = row_of(page, sy);
        std::uint32_t* dst = row_of(screen, y + sy);
        const std::span<const pixels::Run> row = runs_in_row(runs, sy);
        for (std::size_t i = 0; i < row.size(); ++i) {
            f(dst, src, RunInGap{row[i], i > 0 ? row[i - 1].x1 : 0, i + 1 < row.size() ? row[i + 1].x0 : page->w});
        }
    }
}

}  // namespace

bool handles(const SDL_Surface* screen) {
    const Uint32 f = screen->format->format;
    return (f == SDL_PIXELFORMAT_RGB888 || f == SDL_PIXELFORMAT_ARGB8888) && !SDL_MUSTLOCK(screen);
}

bool page_layers(FrameCache& cache, SDL_Surface* screen, int page_idx, SDL_Surface* page, int x, int y,
                 std::span<const std::uint32_t> opacities) {
    if (!handles(screen) || !plain_page(page)) return false;
    if (std::ranges::all_of(opacities, [](std::uint32_t o) { return o == 0; })) return true;  // covers nothing
    const Clip clip = clip_of(screen);
    for_each_run(runs_of(cache, page_idx, page), screen, page, y, clip,
                 [&](std::uint32_t* dst, const std::uint32_t* src, const RunInGap& in) {
                     const pixels::Run& run = in.run;
                     const int x0 = std::max(x + run.x0, clip.x0);
                     const int x1 = std::min(x + run.x1, clip.x1);
                     if (x0 >= x1) return;
                     if (opacities.size() == 1) {  // most layers: without sorting out the opacities per run
                         pixels::blend_row(dst + x0, src + (x0 - x), x1 - x0, opacities[0]);
                     } else {
                         pixels::blend_row_layers(dst + x0, src + (x0 - x), x1 - x0, opacities);
                     }
                 });
    return true;
}

bool page(FrameCache& cache, SDL_Surface* screen, int page_idx, SDL_Surface* page, int x, int y, int opacity) {
    const auto o = static_cast<std::uint32_t>(std::max(opacity, 0));
    return page_layers(cache, screen, page_idx, page, x, y, std::span<const std::uint32_t>(&o, 1));
}

namespace {

// Screen columns [x0, x1) of one row where src, placed at x, lies; blends what is left.
void blend_single(std::uint32_t* dst, const std::uint32_t* src, int src_w, int x, int x0, int x1, std::uint32_t o) {
    x0 = std::max(x0, x);
    x1 = std::min(x1, x + src_w);
    if (x0 < x1) pixels::blend_row(dst + x0, src + (x0 - x), x1 - x0, o);
}

}  // namespace

bool page_pair(FrameCache& cache, SDL_Surface* screen, int page_idx, SDL_Surface* page, int x_a, int x_b, int y,
               int opacity_a, int opacity_b) {
    if (!handles(screen) || !plain_page(page)) return false;
    // Each run is widened by the distance between the two: that reads only the transparent
    // gap after or before it, and widened runs never meet, while the distance is below the gap.
    if (std::abs(x_b - x_a) >= pixels::kRunMergeGap) return false;
    if (opacity_a <= 0 || opacity_a >= 255 || opacity_b <= 0 || opacity_b >= 255) return false;
    const Clip clip = clip_of(screen);
    const auto oa = static_cast<std::uint32_t>(opacity_a);
    const auto ob = static_cast<std::uint32_t>(opacity_b);
    const int lo_x = std::min(x_a, x_b), hi_x = std::max(x_a, x_b);
    const int both0 = std::max(hi_x, clip.x0);  // screen columns that both copies cover
    const int both1 = std::min(lo_x + page->w, clip.x1);
    for_each_run(runs_of(cache, page_idx, page), screen, page, y, clip,
                 [&](std::uint32_t* dst, const std::uint32_t* src, const RunInGap& in) {
                     const pixels::Run& run = in.run;
                     const int u0 = std::max(lo_x + run.x0, clip.x0);
                     const int u1 = std::min(hi_x + run.x1, clip.x1);
                     if (u0 >= u1) return;
                     // Mostly both copies can be blended over whole blocks of the union: where
                     // one of them lies outside the run it reads only the gap around it.
                     constexpr int kB = pixels::kBlendBlock;
                     const int whole = u0 + (u1 - u0 + kB - 1) / kB * kB;
                     if (whole <= clip.x1 && u0 - hi_x >= in.lo && whole - lo_x <= in.hi) {
                         pixels::blend_row_pair(dst + u0, src + (u0 - x_a), src + (u0 - x_b), whole - u0, oa, ob);
                         return;
                     }
                     const int m0 = std::clamp(both0, u0, u1);
                     const int m1 = std::clamp(both1, m0, u1);
                     // Left of both0 only the copy further left lies, right of both1 only the other.
                     blend_single(dst, src, page->w, x_a, u0, m0, oa);
                     blend_single(dst, src, page->w, x_b, u0, m0, ob);
                     if (m0 < m1) {
                         pixels::blend_row_pair(dst + m0, src + (m0 - x_a), src + (m0 - x_b), m1 - m0, oa, ob);
                     }
                     blend_single(dst, src, page->w, x_a, m1, u1, oa);
                     blend_single(dst, src, page->w, x_b, m1, u1, ob);
                 });
    return true;
}

bool scaled_page(FrameCache& cache, SDL_Surface* screen, int page_idx, SDL_Surface* page, int w, int h, int x,
                 int y, int opacity) {
    if (!handles(screen) || !plain_page(page)) return false;
    if (w <= 0 || h <= 0 || opacity <= 0) return true;
    const PageRuns& runs = runs_of(cache, page_idx, page);
    const Clip clip = clip_of(screen);
    const std::int64_t src_w = page->w;
    const std::int64_t src_h = page->h;

    // The same sampling as pixels::scale_nearest: column i takes source column i * src_w / w.
    pixels::map_columns(page->w, w, cache.columns);
    cache.row.resize(static_cast<std::size_t>(cache.columns.blocks()) * pixels::ColumnMap::kBlock);

    const int first = std::max(0, clip.y0 - y);
    const int last = std::min(h, clip.y1 - y);
    const int left = clip.x0 - x;   // visible scaled columns: [left, right)
    const int right = clip.x1 - x;
    for (int sy = first; sy < last; ++sy) {
        const int from_y = static_cast<int>(sy * src_h / h);
        const std::uint32_t* src = row_of(page, from_y);
        std::uint32_t* dst = row_of(screen, y + sy);
        for (const pixels::Run& run : runs_in_row(runs, from_y)) {
            // Scaled columns whose source column lies in [run.x0, run.x1).
            int i0 = static_cast<int>((run.x0 * std::int64_t{w} + src_w - 1) / src_w);
            int i1 = static_cast<int>((run.x1 * std::int64_t{w} + src_w - 1) / src_w);
            i0 = std::max(i0, left);
            i1 = std::min(i1, right);
            if (i0 >= i1) continue;
            if (w == src_w) {  // full size: the columns map one to one
                pixels::blend_row(dst + x + i0, src + i0, i1 - i0, static_cast<std::uint32_t>(opacity));
                continue;
            }
            pixels::gather_columns(src, cache.columns, i0, i1, cache.row.data());
            pixels::blend_row(dst + x + i0, cache.row.data() + i0, i1 - i0, static_cast<std::uint32_t>(opacity));
        }
    }
    return true;
}

namespace {

// Whether the resting picture in the cache shows this page as it is now, over the current
// background, for this screen.
bool rest_is_kept(const FrameCache& cache, const SDL_Surface* screen, int page_idx, const SDL_Surface* page, int w,
                  int h) {
    const SDL_Surface* rest = cache.rest.get();
    const PageRuns& runs = cache.page_runs[static_cast<std::size_t>(page_idx)];
    return rest != nullptr && rest->w == screen->w && rest->h == screen->h &&
           rest->format->format == screen->format->format && cache.rest_page == page && runs.surface == page &&
           !runs.stale && runs.scan == cache.rest_scan && cache.rest_for_w == w && cache.rest_for_h == h;
}

}  // namespace

bool resting(core::AppState& state, services::Components& c, SDL_Surface* screen, int page_idx, SDL_Surface* page,
             std::uint32_t dim) {
    if (!handles(screen) || !plain_page(page) || !full_clip(screen)) return false;
    FrameCache& cache = frame_cache(state);
    const int w = c.config.SCREEN_WIDTH();
    const int h = c.config.SCREEN_HEIGHT();
    if (!rest_is_kept(cache, screen, page_idx, page, w, h)) {
        SDL_Surface* rest = cache.rest.get();
        if (rest == nullptr || rest->w != screen->w || rest->h != screen->h ||
            rest->format->format != screen->format->format) {
            cache.rest.reset(SDL_CreateRGBSurfaceWithFormat(0, screen->w, screen->h, 32, screen->format->format));
            if (!cache.rest) throw core::SdlError("SDL_CreateRGBSurfaceWithFormat");
            rest = cache.rest.get();
        }
        cache.rest_page = nullptr;  // until it is whole
        if (!background(state, c, rest)) plain::background(state, c, rest);
        if (!fast::page(cache, rest, page_idx, page, 0, 0, 255)) plain::page(rest, page, 0, 0, 255);
        cache.rest_page = page;
        cache.rest_scan = cache.page_runs[static_cast<std::size_t>(page_idx)].scan;
        cache.rest_for_w = w;
        cache.rest_for_h = h;
    }
    if (dim == 0) {
        copy_pixels(cache.rest.get(), screen);
        return true;
    }
    SDL_Surface* rest = cache.rest.get();
    if (rest->pitch == screen->w * 4 && screen->pitch == rest->pitch) {  // one run: no set-up per row
        pixels::darken_copy_row(row_of(screen, 0), row_of(rest, 0), screen->w * screen->h, dim);
        return true;
    }
    for (int y = 0; y < screen->h; ++y) pixels::darken_copy_row(row_of(screen, y), row_of(rest, y), screen->w, dim);
    return true;
}

bool resting_rows(core::AppState& state, services::Components& c, SDL_Surface* screen, SDL_Surface* page, int y0,
                  int y1) {
    if (!handles(screen) || !plain_page(page) || !full_clip(screen) || !state._frame_cache) return false;
    FrameCache& cache = *state._frame_cache;
    SDL_Surface* rest = cache.rest.get();
    // The kept picture must be this page's, for this screen; a new background forgets the
    // page it was composed with. rest_scan is not asked: the page was rendered since, by design.
    if (rest == nullptr || cache.rest_page != page || cache.rest_for_w != c.config.SCREEN_WIDTH() ||
        cache.rest_for_h != c.config.SCREEN_HEIGHT() || rest->w != screen->w || rest->h != screen->h ||
        rest->format->format != screen->format->format) {
        return false;
    }
    y0 = std::max(y0, 0);
    y1 = std::min(y1, rest->h);
    if (y0 >= y1) return true;
    // The background the way resting() lays it, clipped to the rows: SDL goes row by row, so
    // each row comes out as in the whole picture.
    const SDL_Rect rows{0, y0, rest->w, y1 - y0};
    SDL_SetClipRect(rest, &rows);
    try {
        plain::background(state, c, rest);
    } catch (...) {
        SDL_SetClipRect(rest, nullptr);
        cache.rest_page = nullptr;  // half drawn
        throw;
    }
    SDL_SetClipRect(rest, nullptr);
    // The same runs, blended the same way, as fast::page finds for a whole page.
    const std::size_t row_bytes = static_cast<std::size_t>(rest->w) * 4;
    for (int y = y0; y < y1; ++y) {
        std::uint32_t* out = row_of(rest, y);
        if (y < page->h) {
            const std::uint32_t* src = row_of(page, y);
            cache.row_runs.clear();
            pixels::find_runs(src, page->w, cache.row_runs);
            for (const pixels::Run& run : cache.row_runs) {
                const int x1 = std::min(run.x1, rest->w);
                if (run.x0 < x1) pixels::blend_row(out + run.x0, src + run.x0, x1 - run.x0, 255);
            }
        }
        std::memcpy(row_of(screen, y), out, row_bytes);
    }
    // The kept picture now shows the page as it is; once the page's runs are found again it
    // is composed whole anew, which is always right.
    return true;
}

bool kept_resting(core::AppState& state, services::Components& c, SDL_Surface* screen, int page_idx,
                  SDL_Surface* page) {
    if (!handles(screen) || !plain_page(page) || !full_clip(screen) || !state._frame_cache) return false;
    const FrameCache& cache = *state._frame_cache;
    if (!rest_is_kept(cache, screen, page_idx, page, c.config.SCREEN_WIDTH(), c.config.SCREEN_HEIGHT())) return false;
    copy_pixels(cache.rest.get(), screen);
    return true;
}

}  // namespace ts::render::fast
