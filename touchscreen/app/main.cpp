// The dashboard program: bind the built-in components and run. "--snapshot DIR" instead
// draws the pages into DIR as pictures and exits.
#include "app.hpp"
#include "builtin.hpp"
#include "snapshot.hpp"

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Pictures are a megabyte or more each and come and go (a control centre drawn anew, a resized
// cache). glibc's default threshold rises after the first such buffer is freed, and the later
// ones then land in the heap, where the holes they leave stay resident for months. A fixed
// threshold keeps every large buffer in a mapping of its own that is returned when freed.
void keep_large_buffers_out_of_the_heap() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024);
#endif
}

}  // namespace

int main(int argc, char** argv) {
    keep_large_buffers_out_of_the_heap();
    // Threads that outlive the loop still use these, so nothing here is ever destroyed:
    // the process ends through _exit once the dashboard has shut down.
    auto* builtin = new ts::app::Builtin();
    if (argc >= 2 && std::string_view(argv[1]) == "--snapshot") {
        if (argc != 3) {
            std::fputs("usage: touchscreen [--snapshot DIR]\n", stderr);
            _exit(2);
        }
        _exit(ts::app::run_snapshot(*builtin, argv[2]));
    }
    auto* clock = new ts::core::SteadyClock();
    ts::app::AppHooks hooks;
    builtin->hook_settings(hooks);
    hooks.settings = [builtin] { return builtin->knobs.settings(); };
    auto* app = new ts::app::App(builtin->components, *clock, std::move(hooks));
    // TS_START_PAGE=1..4 opens on that page: lets a page be watched at rest without touches.
    if (const char* page = std::getenv("TS_START_PAGE"); page != nullptr && page[0] >= '1' && page[0] <= '4' && !page[1]) {
        app->state()._current_page = page[0] - '1';
    }
    _exit(ts::app::run_program(*app));
}
