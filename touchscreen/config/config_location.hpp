// Which configuration file the dashboard reads, and which one it waits for when there is none:
// $TOUCHSCREEN_CONFIG (whether or not it exists yet), else the first that exists of the user's
// file and the system-wide one; with neither, the defaults, watching for the user's file.
#pragma once

#include <functional>
#include <string>

namespace ts::config {

struct ConfigLocation {
    std::string path;   // the file read now and watched; may not exist yet
    bool found = true;  // false: no file, the dashboard runs on the defaults
};

struct LocationInputs {
    const char* touchscreen_config = nullptr;  // $TOUCHSCREEN_CONFIG
    const char* xdg_config_home = nullptr;     // $XDG_CONFIG_HOME
    const char* home = nullptr;                // $HOME
    std::string sysconfdir;                    // "/etc" for a /usr install
    std::function<bool(const std::string&)> exists;
};

ConfigLocation locate_config(const LocationInputs& in);

// The same from the process's environment, the install's configuration folder and the disk.
ConfigLocation locate_config();

}  // namespace ts::config
