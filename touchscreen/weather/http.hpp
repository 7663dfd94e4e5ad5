// One HTTP GET through libcurl with hard limits on time and size. Blocking: the weather thread
// calls it, never the frame.
#pragma once

#include "forecast.hpp"

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>

namespace ts::weather {

struct Limits {
    long connect_ms = 5000;          // DNS and TCP/TLS connect
    long total_ms = 15000;           // the whole request
    std::size_t max_body = 1 << 20;  // bytes; the transfer stops past it
};

struct FetchResult {
    std::string body;  // only when error is None
    ErrorKind error = ErrorKind::None;
    long status = 0;     // HTTP status when one arrived
    std::string detail;  // curl's or the status text, for the log
};

// The schemes a redirect from url may lead to: an https:// request never falls back to plain http.
const char* redirect_protocols(std::string_view url);

// Any thread except the main one. A set cancel flag ends the transfer early (as Transfer).
FetchResult http_get(const std::string& url, const Limits& limits, const std::atomic<bool>* cancel = nullptr);

}  // namespace ts::weather
