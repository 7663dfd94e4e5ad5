// The dashboard as main.cpp builds it, with the weather asked from a given URL: measures the
// resident memory with weather on before a configuration file can say where to ask.
// Usage: dashboard_with_weather URL [LATITUDE LONGITUDE]; stop it with SIGTERM.
#include "app/app.hpp"
#include "app/builtin.hpp"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: %s URL [LATITUDE LONGITUDE]\n", argv[0]);
        return 2;
    }
    auto* builtin = new ts::app::Builtin();
    ts::config::Settings settings;
    settings.weather.url = argv[1];
    settings.weather.latitude = argc == 4 ? std::atof(argv[2]) : 52.52;
    settings.weather.longitude = argc == 4 ? std::atof(argv[3]) : 13.41;
    settings.weather.place = "Berlin";
    builtin->knobs.set_settings(settings);
    auto* clock = new ts::core::SteadyClock();
    auto* app = new ts::app::App(builtin->components, *clock);
    _exit(ts::app::run_program(*app));
}
