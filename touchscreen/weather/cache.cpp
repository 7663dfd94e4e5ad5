#include "cache.hpp"

#include "../core/atomic_file.hpp"
#include "../core/small_file.hpp"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <utility>


namespace ts::weather {

constexpr std::size_t kMaxCacheBytes = 1 << 20;  // a week's forecast is some 30 kB

std::string cache_path_from(const char* xdg, const char* home) {
    const auto absolute = [](const char* p) { return p != nullptr && p[0] == '/'; };
    if (absolute(xdg)) return std::string(xdg) + "/touchscreen/weather.json";
    if (absolute(home)) return std::string(home) + "/.cache/touchscreen/weather.json";
    return {};
}

std::string default_cache_path() { return cache_path_from(std::getenv("XDG_CACHE_HOME"), std::getenv("HOME")); }

std::string write_cache(const std::string& path, const CachedResponse& cached) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    const fs::path folder = target.parent_path();
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) return "cannot create " + folder.string() + ": " + ec.message();

    const nlohmann::json doc{{"request", cached.request}, {"fetched_at", cached.fetched_at}, {"body", cached.body}};
    // Never throws: a byte that is not UTF-8 (say in a hand-written url) is replaced.
    const std::string text = doc.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    try {
        core::write_file_atomically(path, text);
    } catch (const std::system_error& e) {
        return e.what();
    }
    return {};
}

std::optional<CachedResponse> read_cache(const std::string& path, std::string& problem) {
    problem.clear();
    const auto text = core::read_small_file(path, kMaxCacheBytes);
    if (!text) {
        if (text.error().code != ENOENT) problem = "cannot read " + text.error().message();
        return std::nullopt;
    }
    const auto doc = nlohmann::json::parse(text.value(), nullptr, false);
    const auto bad = [&](const char* why) {
        problem = path + ": " + why;
        return std::nullopt;
    };
    if (doc.is_discarded() || !doc.is_object()) return bad("not a weather cache (invalid JSON)");
    const auto request = doc.find("request"), fetched = doc.find("fetched_at"), body = doc.find("body");
    if (request == doc.end() || !request->is_string()) return bad("\"request\" missing or not a string");
    if (fetched == doc.end() || !fetched->is_number()) return bad("\"fetched_at\" missing or not a number");
    if (body == doc.end() || !body->is_string()) return bad("\"body\" missing or not a string");
    return CachedResponse{request->get<std::string>(), fetched->get<double>(), body->get<std::string>()};
}

}  // namespace ts::weather
