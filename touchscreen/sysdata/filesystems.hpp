// Mounted filesystems worth showing: /proc/self/mountinfo filtered to real, local
// filesystems, each filesystem once, measured the way df measures it.
#pragma once

#include "source.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ts::sysdata {

struct Mount {
    unsigned major = 0, minor = 0;
    std::string root;         // path inside the filesystem ("/" for its top)
    std::string mount_point;  // unescaped
    std::string fstype;
    std::string source;  // unescaped ("/dev/sda1", "pool/data", "server:/export")
};

// One Mount per well-formed line; malformed lines are left out.
std::vector<Mount> parse_mountinfo(std::string_view text);
// Undoes the kernel's octal escapes (\040 space, \011 tab, \012 newline, \134 backslash).
std::string unescape_octal(std::string_view s);

bool is_pseudo_fs(std::string_view fstype);
bool is_network_fs(std::string_view fstype);

// The filesystems to show: pseudo, network and snap mounts dropped, each filesystem once
// (bind mounts, btrfs subvolumes, datasets of one ZFS pool), root first then by mount point.
// show: only these mount points (in that order) when not empty; hide: never these.
std::vector<Mount> select_filesystems(const std::vector<Mount>& mounts, const std::vector<std::string>& show,
                                      const std::vector<std::string>& hide);

struct FsSize {
    std::uint64_t total = 0;  // bytes
    std::uint64_t used = 0;   // bytes
    std::uint64_t avail = 0;  // bytes available to ordinary users
};
// statvfs of a path; injectable so tests need no real mounts.
using FsMeasure = std::function<std::optional<FsSize>(const std::string& path)>;
std::optional<FsSize> statvfs_size(const std::string& path);

// "/dev/root" names no real device: resolve it through /sys/dev/block/MAJ:MIN.
std::string resolve_source(const Source& src, const Mount& m);

}  // namespace ts::sysdata
