// Mounted filesystems worth showing: /proc/self/mountinfo filtered to real, local
// filesystems, each filesystem once, measured the way df measures it.
#pragma once

#include "source.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/statvfs.h>
#include <vector>

namespace ts::sysdata {

struct Mount {
    unsigned major = 0, minor = 0;
    std::string root;         // path inside the filesystem ("/" for its top)
    std::string mount_point;  // unescaped
    std::string fstype;
    std::string source;  // unescaped ("/dev/sda1", "pool/data", "server:/export")
    std::string label;   // the filesystem's label when looked up (label_of), else ""
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
// The sizes of statvfs's figures in bytes (fragment size as the unit, as df); nothing for a
// filesystem without blocks.
std::optional<FsSize> fs_size(const struct statvfs& st);

// "/dev/root" names no real device: resolve it through /sys/dev/block/MAJ:MIN.
std::string resolve_source(const Source& src, const Mount& m);

// Filesystem labels as udev links them: dev/disk/by-label/NAME -> ../../sdXN.
struct DeviceLabel {
    std::string device;  // the link's target name ("sdb1", "dm-0")
    std::string label;   // unescaped; control characters shown as '?'
};
std::vector<DeviceLabel> read_labels(const Source& src);
// Undoes udev's \xHH escapes in link names ("My\x20Disk" -> "My Disk"); a broken escape stays as it is.
std::string unescape_hex(std::string_view s);
// The label of a mount's (resolved) source device, following a /dev link such as
// /dev/mapper/NAME -> ../dm-0; "" when it has none.
std::string label_of(const Source& src, const std::vector<DeviceLabel>& labels, const std::string& source);

}  // namespace ts::sysdata
