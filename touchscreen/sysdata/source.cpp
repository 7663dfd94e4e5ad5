#include "source.hpp"

#include "parse.hpp"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ts::sysdata {

Source::Source(std::string root) : root_(std::move(root)) {
    if (root_.empty() || root_.back() != '/') root_ += '/';
}

std::string Source::path(std::string_view rel) const {
    while (!rel.empty() && rel.front() == '/') rel.remove_prefix(1);
    std::string p = root_;
    p += rel;
    return p;
}

bool Source::read_path(const char* path, std::string& out) {
    out.clear();
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = true;
    char buf[4096];  // not out's own room: growing a string fills it with zeros first
    for (;;) {
        const ssize_t got = ::read(fd, buf, sizeof buf);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ok = got == 0;  // EIO, ENODATA and the like: the figure is unknown
            break;
        }
        out.append(buf, static_cast<std::size_t>(got));
    }
    ::close(fd);
    if (!ok) out.clear();
    return ok;
}

bool Source::read(std::string_view rel, std::string& out) const { return read_path(path(rel).c_str(), out); }

std::optional<long long> Source::read_int(std::string_view rel) const {
    std::string text;
    if (!read(rel, text)) return std::nullopt;
    std::string_view v = text;
    return parse::integer(v);
}

std::optional<std::string> Source::read_line(std::string_view rel) const {
    std::string text;
    if (!read(rel, text)) return std::nullopt;
    const auto nl = text.find('\n');
    if (nl != std::string::npos) text.resize(nl);
    return text;
}

bool Source::exists(std::string_view rel) const {
    struct stat st{};
    return ::stat(path(rel).c_str(), &st) == 0;
}

std::vector<std::string> Source::list(std::string_view rel) const {
    std::vector<std::string> names;
    DIR* dir = ::opendir(path(rel).c_str());
    if (dir == nullptr) return names;
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view n = e->d_name;
        if (!n.empty() && n.front() != '.') names.emplace_back(n);  // also skips a fixture's .keep
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::string> Source::link_name(std::string_view rel) const {
    char buf[512];
    const ssize_t n = ::readlink(path(rel).c_str(), buf, sizeof buf - 1);
    if (n <= 0) return std::nullopt;
    std::string_view target(buf, static_cast<std::size_t>(n));
    const auto slash = target.rfind('/');
    if (slash != std::string_view::npos) target.remove_prefix(slash + 1);
    return std::string(target);
}

}  // namespace ts::sysdata
