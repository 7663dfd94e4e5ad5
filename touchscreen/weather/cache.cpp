#include "cache.hpp"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace ts::weather {
namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // Closes now so a failing close (a delayed write error) is seen.
    int close() { return ::close(std::exchange(fd_, -1)); }

private:
    int fd_;
};

std::string os_error(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

bool write_all(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

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
    std::string temp = path + ".XXXXXX";
    Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0) return os_error("cannot create a file beside", path);
    std::string problem;
    if (!write_all(fd.get(), text)) {
        problem = os_error("cannot write", temp);
    } else if (::fsync(fd.get()) != 0) {
        problem = os_error("cannot sync", temp);
    } else if (fd.close() != 0) {
        problem = os_error("cannot close", temp);
    } else if (::rename(temp.c_str(), path.c_str()) != 0) {
        problem = os_error("cannot rename onto", path);
    }
    if (!problem.empty()) {
        ::unlink(temp.c_str());
        return problem;
    }
    // The rename itself reaches the disk with the folder's entry.
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
    return {};
}

std::optional<CachedResponse> read_cache(const std::string& path, std::string& problem) {
    problem.clear();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        problem = "cannot read " + path;
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    const auto doc = nlohmann::json::parse(text.str(), nullptr, false);
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
