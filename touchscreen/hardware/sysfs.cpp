#include "sysfs.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

namespace ts::hardware {

namespace fs = std::filesystem;

std::string sysfs_root() {
    const char* env = std::getenv("TOUCHSCREEN_SYSFS_ROOT");
    return env && *env ? env : "/";
}

std::string class_dir(const std::string& root, const std::string& cls) {
    return (fs::path(root) / "sys" / "class" / cls).lexically_normal().string();
}

std::vector<std::string> class_entries(const std::string& root, const std::string& cls) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(class_dir(root, cls), ec), end; !ec && it != end; it.increment(ec)) {
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::string> checked_entry(const std::string& root, const std::string& cls,
                                         const std::string& configured, std::string& error) {
    // Decided on the text alone: ".." or a deeper path never reaches a lookup.
    const fs::path dir = class_dir(root, cls);
    fs::path given = fs::path(configured).lexically_normal();
    if (!given.has_filename()) given = given.parent_path();  // "panel/" names the folder "panel"
    const std::string name = given.filename().string();
    const bool is_entry = given.parent_path() == dir && !name.empty() && name != "." && name != "..";
    if (!is_entry) {
        error = configured + " is not a device in " + dir.string();
        return std::nullopt;
    }
    std::error_code ec;
    if (!fs::is_directory(given, ec)) {
        error = configured + " does not exist or is not a device folder";
        return std::nullopt;
    }
    return given.string();
}

std::optional<std::string> read_text(const std::string& path) {
    std::ifstream in(path);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return text.str();
}

std::optional<long> read_count(const std::string& path, std::string& error) {
    const auto text = read_text(path);
    if (!text) {
        error = path + " cannot be read";
        return std::nullopt;
    }
    const char* begin = text->c_str();
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(begin, &end, 10);
    const bool digits = end != begin;
    while (*end == '\n' || *end == ' ') ++end;
    if (!digits || *end != '\0' || errno != 0 || value < 0) {
        error = path + " does not hold a non-negative number";
        return std::nullopt;
    }
    return value;
}

SysfsFile& SysfsFile::operator=(SysfsFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        length_ = other.length_;
    }
    return *this;
}

SysfsFile::~SysfsFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::optional<SysfsFile> SysfsFile::open(const std::string& path, std::string& error) {
    // No O_CREAT: a missing attribute is an error, never a new file beside the device's.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        error = path + " cannot be opened for writing: " + std::strerror(errno);
        return std::nullopt;
    }
    SysfsFile file;
    file.fd_ = fd;
    file.path_ = path;
    return file;
}

bool SysfsFile::write(const std::string& text) const {
    if (fd_ < 0) return false;
    // The kernel takes each write as one value; a plain file (a test tree) keeps only the last.
    const ssize_t n = ::pwrite(fd_, text.data(), text.size(), 0);
    if (n != static_cast<ssize_t>(text.size())) return false;
    // A shorter value must not leave the end of a longer one behind in a plain file; sysfs
    // ignores the call, so it is made only when the text got shorter.
    if (text.size() < length_) {
        const int cut = ::ftruncate(fd_, n);
        (void)cut;
    }
    length_ = text.size();
    return true;
}

}  // namespace ts::hardware
