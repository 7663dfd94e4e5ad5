// The page cache: one full-screen surface per page, drawn again in place by the page
// providers whenever the page is dirty.
#include "frame.hpp"
#include "frame_cache.hpp"

#include <stdexcept>

namespace ts::render {
namespace {

template <typename Provider>
Provider& bound(const std::unique_ptr<Provider>& slot, const char* name) {
    if (!slot) throw std::logic_error(std::string("page provider not bound: ") + name);
    return *slot;
}

SDL_Rect clock_page_rect(services::Config& config) {
    return {0, 30, config.SCREEN_WIDTH(), config.SCREEN_HEIGHT() - 30};
}

}  // namespace

SDL_Surface* _render_page_to_surface(core::AppState& state, services::Components& c, int page_idx) {
    if (page_idx < 0 || page_idx >= core::PAGE_COUNT) throw std::out_of_range("no such page");
    core::Surface& slot = state._cached_pages[page_idx];
    if (!slot) slot = core::make_alpha_surface(c.config.SCREEN_WIDTH(), c.config.SCREEN_HEIGHT());
    SDL_Surface* surface = slot.get();
    // Whatever happens below, the runs found for the old picture no longer hold.
    FrameCache& cache = frame_cache(state);
    cache.page_runs[static_cast<std::size_t>(page_idx)].stale = true;
    ++cache.renders[static_cast<std::size_t>(page_idx)];
    if (SDL_FillRect(surface, nullptr, SDL_MapRGBA(surface->format, 0, 0, 0, 0)) != 0) {
        throw core::SdlError("SDL_FillRect");
    }

    const int w = c.config.SCREEN_WIDTH();
    const int h = c.config.SCREEN_HEIGHT();
    if (page_idx == 0) {
        bound(c.skyclock, "skyclock").draw_weather_page(surface, clock_page_rect(c.config));
    } else if (page_idx == 1) {
        int y = 12;
        const int cpu_height = c.config.get_cpu_height();
        const int mem_height = c.config.get_mem_height();
        services::LoadPage& sys_mon = bound(c.sys_mon, "sys_mon");
        sys_mon.draw_cpu(surface, {12, y, w - 24, cpu_height});
        y += cpu_height + 12;
        sys_mon.draw_memory(surface, {12, y, w - 24, mem_height});
    } else if (page_idx == 2) {
        bound(c.disk, "disk").draw_disk(surface, {12, 12, w - 24, h - 24});
    } else if (page_idx == 3) {
        int y = 12;
        const int net_height = c.config.get_net_height();
        const int proc_height = c.config.get_proc_height();
        services::NetworkPage& net_proc = bound(c.net_proc, "net_proc");
        net_proc.draw_network(surface, {12, y, w - 24, net_height});
        y += net_height + 12;
        net_proc.draw_processes(surface, nullptr, {12, y, w - 24, proc_height});
    }

    state._page_dirty[static_cast<std::size_t>(page_idx)].clear();
    return surface;
}

bool keep_unchanged_page(core::AppState& state, services::Components& c, int page_idx) {
    if (page_idx != 0 || !c.skyclock) return false;
    const auto it = state._cached_pages.find(page_idx);
    if (it == state._cached_pages.end() || !it->second) return false;
    if (!c.skyclock->would_draw_the_same(it->second.get(), clock_page_rect(c.config))) return false;
    state._page_dirty[static_cast<std::size_t>(page_idx)].clear();
    return true;
}

std::uint64_t render_count(const core::AppState& state, int page_idx) {
    return state._frame_cache ? state._frame_cache->renders.at(static_cast<std::size_t>(page_idx)) : 0;
}

}  // namespace ts::render
