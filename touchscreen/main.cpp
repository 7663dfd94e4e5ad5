// The dashboard program: bind the built-in components and run.
#include "core/app.hpp"
#include "services/builtin.hpp"

#include <unistd.h>

int main() {
    // Threads that outlive the loop still use these, so nothing here is ever destroyed:
    // the process ends through _exit once the dashboard has shut down.
    auto* builtin = new ts::services::Builtin();
    auto* clock = new ts::core::SteadyClock();
    auto* app = new ts::core::App(builtin->components, *clock);
    _exit(ts::core::run_program(*app));
}
