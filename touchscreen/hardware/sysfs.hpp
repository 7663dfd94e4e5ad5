// Device folders under /sys/class and their attribute files. Every path is taken relative to
// a root that stands for "/" ($TOUCHSCREEN_SYSFS_ROOT in tests), and a configured folder must
// be an entry of the class folder itself, so nothing outside the devices is ever written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ts::hardware {

// The folder standing for "/": $TOUCHSCREEN_SYSFS_ROOT when set and not empty, else "/".
std::string sysfs_root();

// "<root>/sys/class/<cls>", without a doubled slash.
std::string class_dir(const std::string& root, const std::string& cls);

// The names in a class folder, sorted; empty when the folder is missing.
std::vector<std::string> class_entries(const std::string& root, const std::string& cls);

// A configured device folder, checked by its name before any link is followed: it must be
// "<class folder>/<name>" and exist. Returns the folder, or the reason in error.
std::optional<std::string> checked_entry(const std::string& root, const std::string& cls,
                                         const std::string& configured, std::string& error);

// Reads a whole small attribute file; nullopt when it cannot be read.
std::optional<std::string> read_text(const std::string& path);

// A non-negative integer attribute ("255\n"). error names the file and what is wrong.
std::optional<long> read_count(const std::string& path, std::string& error);

// One attribute file kept open for writing (close-on-exec) for the life of the device.
class SysfsFile {
public:
    SysfsFile() = default;
    SysfsFile(SysfsFile&& other) noexcept
        : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)), length_(other.length_) {}
    SysfsFile& operator=(SysfsFile&& other) noexcept;
    SysfsFile(const SysfsFile&) = delete;
    SysfsFile& operator=(const SysfsFile&) = delete;
    ~SysfsFile();

    // Opens an existing file for writing; never creates one. error names the file.
    static std::optional<SysfsFile> open(const std::string& path, std::string& error);

    // Replaces the file's content with text in one write, assuming no one else writes it.
    // False when the kernel refused it.
    bool write(const std::string& text) const;
    bool write(long value) const { return write(std::to_string(value)); }
    const std::string& path() const { return path_; }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_ = -1;
    std::string path_;
    mutable std::size_t length_ = SIZE_MAX;  // of the last text written; unknown at first
};

}  // namespace ts::hardware
