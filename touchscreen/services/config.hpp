// What the dashboard reads from its configuration component: panel geometry, colours,
// refresh intervals and the section heights of the two-section pages.
// Values are read at the moment of use and never copied, so a changed value applies next time.
#pragma once

#include "../core/sdl_types.hpp"

#include <map>
#include <string>

namespace ts::services {

class Config {
public:
    virtual ~Config() = default;

    // Values. The intervals are read from the refresh thread too: implementations keep
    // them safe to read from any thread. Everything else: main thread.
    virtual std::string FB_DEV() const = 0;
    virtual int SCREEN_WIDTH() const = 0;   // pixels
    virtual int SCREEN_HEIGHT() const = 0;  // pixels
    // Named colours; "accent" and "text_gray" at least. A missing key throws std::out_of_range.
    virtual const std::map<std::string, core::Color>& COLORS() const = 0;
    virtual double CPU_UPDATE_INTERVAL() const = 0;      // seconds
    virtual double MEMORY_UPDATE_INTERVAL() const = 0;   // seconds
    virtual double DISK_UPDATE_INTERVAL() const = 0;     // seconds
    virtual double NETWORK_UPDATE_INTERVAL() const = 0;  // seconds
    virtual double PROCESS_UPDATE_INTERVAL() const = 0;  // seconds
    virtual double TIME_UPDATE_INTERVAL() const = 0;     // seconds
    virtual double WEATHER_UPDATE_INTERVAL() const = 0;  // seconds
    virtual double BG_CHANGE_INTERVAL() const = 0;       // seconds

    // Operations, main thread only.
    virtual void init_fonts() = 0;           // needs an initialised display
    virtual void clear_surface_cache() = 0;  // drops cached text surfaces
    virtual int get_cpu_height() = 0;        // pixels
    virtual int get_mem_height() = 0;        // pixels
    virtual int get_net_height() = 0;        // pixels
    virtual int get_proc_height() = 0;       // pixels
};

}  // namespace ts::services
