// The last good response on disk, so a board that boots without network still shows the
// weather it had, with its age. Weather thread only.
#pragma once

#include <optional>
#include <string>

namespace ts::weather {

struct CachedResponse {
    std::string request;    // the URL it answered: a cache for another place is not shown
    double fetched_at = 0;  // unix seconds
    std::string body;       // the response exactly as received
};

// $XDG_CACHE_HOME/touchscreen/weather.json, else $HOME/.cache/touchscreen/weather.json;
// "" when neither names an absolute folder.
std::string cache_path_from(const char* xdg_cache_home, const char* home);
std::string default_cache_path();

// Written atomically: a temporary file in the same folder, fsync, rename. The folder is
// created when missing. Returns "" or what went wrong, naming the path.
std::string write_cache(const std::string& path, const CachedResponse& cached);
// nullopt with problem empty when there is no file; with problem set when it is unreadable.
std::optional<CachedResponse> read_cache(const std::string& path, std::string& problem);

}  // namespace ts::weather
