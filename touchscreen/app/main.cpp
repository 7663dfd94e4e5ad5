// The dashboard program: bind the built-in components and run. "--snapshot DIR" instead
// draws the pages into DIR as pictures and exits.
#include "app.hpp"
#include "builtin.hpp"
#include "snapshot.hpp"

#include <cstdio>
#include <string_view>
#include <unistd.h>

int main(int argc, char** argv) {
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
    auto* app = new ts::app::App(builtin->components, *clock);
    _exit(ts::app::run_program(*app));
}
