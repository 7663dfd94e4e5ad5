// The four page providers. Each draws its section into a cleared page surface with
// per-pixel alpha, inside the rectangle it is given. Main thread only.
#pragma once

#include <SDL.h>

#include <memory>

namespace ts::services {

class ClockWeatherPage {
public:
    virtual ~ClockWeatherPage() = default;
    virtual void draw_weather_page(SDL_Surface* surface, SDL_Rect rect) = 0;
    // True when drawing now would give the very pixels last drawn into surface at rect, so
    // that the caller may keep them; false when unsure. The page is due several times a
    // second while its picture changes once a second at most.
    virtual bool would_draw_the_same(const SDL_Surface* /*surface*/, SDL_Rect /*rect*/) const { return false; }
};

class LoadPage {
public:
    virtual ~LoadPage() = default;
    virtual void draw_cpu(SDL_Surface* surface, SDL_Rect rect) = 0;
    virtual void draw_memory(SDL_Surface* surface, SDL_Rect rect) = 0;
};

class StoragePage {
public:
    virtual ~StoragePage() = default;
    virtual void draw_disk(SDL_Surface* surface, SDL_Rect rect) = 0;
    // Starts the provider's own temperature updates and returns at once.
    virtual void _start_temp_update_thread() = 0;
};

// Process rows handed in by a caller that already has them; the dashboard passes none,
// and the provider then gathers them itself.
struct ProcessRows;

class NetworkPage {
public:
    virtual ~NetworkPage() = default;
    virtual void draw_network(SDL_Surface* surface, SDL_Rect rect) = 0;
    virtual void draw_processes(SDL_Surface* surface, const ProcessRows* rows, SDL_Rect rect) = 0;
};

// Loads a page provider by its component name; the dashboard defers this until it first
// needs the pages. Each call returns a new provider; a failure throws.
class PageProviderLoader {
public:
    virtual ~PageProviderLoader() = default;
    virtual std::unique_ptr<LoadPage> load_loadgauge() = 0;
    virtual std::unique_ptr<StoragePage> load_storegauge() = 0;
    virtual std::unique_ptr<NetworkPage> load_linkgauge() = 0;
    virtual std::unique_ptr<ClockWeatherPage> load_skyclock() = 0;
};

}  // namespace ts::services
