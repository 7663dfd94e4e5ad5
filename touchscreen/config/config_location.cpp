#include "config_location.hpp"

#include <cstdlib>
#include <sys/stat.h>

#ifndef TS_SYSCONFDIR
#define TS_SYSCONFDIR "/etc"
#endif

namespace ts::config {

ConfigLocation locate_config(const LocationInputs& in) {
    const auto set = [](const char* v) { return v != nullptr && *v != '\0'; };
    if (set(in.touchscreen_config)) return {in.touchscreen_config, in.exists(in.touchscreen_config)};
    const std::string base = set(in.xdg_config_home) ? std::string(in.xdg_config_home)
                                                     : std::string(set(in.home) ? in.home : "") + "/.config";
    const std::string user = base + "/touchscreen/config.toml";
    if (in.exists(user)) return {user, true};
    const std::string system = in.sysconfdir + "/touchscreen/config.toml";
    if (in.exists(system)) return {system, true};
    return {user, false};
}

ConfigLocation locate_config() {
    return locate_config({std::getenv("TOUCHSCREEN_CONFIG"), std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"),
                          TS_SYSCONFDIR, [](const std::string& p) {
                              struct stat st {};
                              return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
                          }});
}

}  // namespace ts::config
