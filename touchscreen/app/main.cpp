// The dashboard program: bind the built-in components and run.
#include "app.hpp"
#include "builtin.hpp"

#include <unistd.h>

int main() {
    // Threads that outlive the loop still use these, so nothing here is ever destroyed:
    // the process ends through _exit once the dashboard has shut down.
    auto* builtin = new ts::app::Builtin();
    auto* clock = new ts::core::SteadyClock();
    ts::app::AppHooks hooks;
    builtin->hook_settings(hooks);
    hooks.settings = [builtin] { return builtin->knobs.settings(); };
    auto* app = new ts::app::App(builtin->components, *clock, std::move(hooks));
    _exit(ts::app::run_program(*app));
}
