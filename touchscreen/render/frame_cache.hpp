// What render keeps between frames besides the shared state: the background with its corner
// masks already laid on, the runs of each page surface that hold anything, and scratch space
// for the slide, so that a frame allocates nothing and touches only pixels that matter.
// Main thread only. Everything here is derived, and is rebuilt when its source changes.
#pragma once

#include "pixels.hpp"

#include "../core/app_state.hpp"

#include <array>
#include <cstdint>
#include <vector>

namespace ts::render {

// Where a page surface holds anything, row by row.
struct PageRuns {
    const SDL_Surface* surface = nullptr;  // the surface described; a different one means stale
    bool stale = true;                     // set by every render of the page
    std::uint64_t scan = 0;                // counts the scans, so a picture made from them can tell
    std::vector<std::uint32_t> row_start;  // surface->h + 1 offsets into runs
    std::vector<pixels::Run> runs;
};

struct FrameCache {
    // _background_surface with the four masks blitted on, valid for the key below.
    core::Surface composed_background;
    const SDL_Surface* composed_from = nullptr;  // nullptr: nothing composed
    int composed_for_w = 0, composed_for_h = 0;  // SCREEN_WIDTH / SCREEN_HEIGHT the masks sit at

    std::array<PageRuns, core::PAGE_COUNT> page_runs;

    // The whole resting picture (background, masks, page) in the screen's format: while
    // nothing under it changes, a frame at rest is one copy of it.
    core::Surface rest;
    const SDL_Surface* rest_page = nullptr;  // nullptr: nothing composed
    std::uint64_t rest_scan = 0;             // the page's PageRuns::scan when composed
    int rest_for_w = 0, rest_for_h = 0;      // SCREEN_WIDTH / SCREEN_HEIGHT when composed

    std::array<std::uint64_t, core::PAGE_COUNT> renders{};  // per page, counted by every render
    std::vector<pixels::Run> row_runs;                       // the runs of one row, reused

    // Slide scratch, reused: the source column of each scaled column, and one gathered row.
    pixels::ColumnMap columns;
    std::vector<std::uint32_t> row;
};

// The state's cache, made on first use.
FrameCache& frame_cache(core::AppState& state);

// The runs of a cached page surface, found again if the page was rendered since.
const PageRuns& runs_of(FrameCache& cache, int page_idx, SDL_Surface* surface);

}  // namespace ts::render
