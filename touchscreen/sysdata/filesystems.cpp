#include "filesystems.hpp"

#include "parse.hpp"

#include <algorithm>
#include <array>
#include <sys/statvfs.h>

namespace ts::sysdata {

namespace {

// Replaces each backslash escape that decode accepts (the `len` characters after the
// backslash, giving a byte or -1) by its byte; anything else stays as it is.
template <class Decode>
std::string unescape(std::string_view s, std::size_t len, Decode decode) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + len < s.size()) {
            if (const int byte = decode(s.substr(i + 1, len)); byte >= 0) {
                out += static_cast<char>(byte);
                i += len;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string unescape_octal(std::string_view s) {
    return unescape(s, 3, [](std::string_view e) {
        const auto oct = [](char c) { return c >= '0' && c <= '7'; };
        if (e[0] > '3' || !oct(e[0]) || !oct(e[1]) || !oct(e[2])) return -1;
        return (e[0] - '0') * 64 + (e[1] - '0') * 8 + (e[2] - '0');
    });
}

std::string unescape_hex(std::string_view s) {
    return unescape(s, 3, [](std::string_view e) {
        if (e[0] != 'x' || hex_digit(e[1]) < 0 || hex_digit(e[2]) < 0) return -1;
        return hex_digit(e[1]) * 16 + hex_digit(e[2]);
    });
}

std::vector<Mount> parse_mountinfo(std::string_view text) {
    text = parse::whole_lines(text);
    std::vector<Mount> mounts;
    while (!text.empty()) {
        std::string_view l = parse::line(text);
        // id parent major:minor root mount-point options [optional...] - fstype source super-options
        if (!parse::unsigned_field(l) || !parse::unsigned_field(l)) continue;
        std::string_view dev = parse::word(l);
        Mount m;
        const auto maj = parse::integer(dev);
        if (!maj || dev.empty() || dev.front() != ':') continue;
        dev.remove_prefix(1);
        const auto min = parse::integer(dev);
        if (!min || !dev.empty() || *maj < 0 || *min < 0) continue;
        m.major = static_cast<unsigned>(*maj);
        m.minor = static_cast<unsigned>(*min);
        const std::string_view root = parse::word(l), point = parse::word(l), options = parse::word(l);
        if (root.empty() || point.empty() || options.empty()) continue;
        bool separator = false;
        while (!l.empty()) {
            const std::string_view w = parse::word(l);
            if (w == "-") {
                separator = true;
                break;
            }
            if (w.empty()) break;
        }
        const std::string_view fstype = parse::word(l), source = parse::word(l);
        if (!separator || fstype.empty() || source.empty()) continue;
        m.root = unescape_octal(root);
        m.mount_point = unescape_octal(point);
        m.fstype = fstype;
        m.source = unescape_octal(source);
        mounts.push_back(std::move(m));
    }
    return mounts;
}

bool is_pseudo_fs(std::string_view t) {
    static constexpr std::array<std::string_view, 34> kPseudo = {
        "proc",      "sysfs",    "tmpfs",     "devtmpfs",   "devpts",    "overlay",   "squashfs",
        "cgroup",    "cgroup2",  "autofs",    "securityfs", "debugfs",   "tracefs",   "configfs",
        "fusectl",   "mqueue",   "hugetlbfs", "pstore",     "bpf",       "binfmt_misc", "efivarfs",
        "ramfs",     "rpc_pipefs", "nsfs",    "selinuxfs",  "fuse.gvfsd-fuse", "fuse.portal", "fuse.lxcfs",
        "aufs",      "iso9660",  "udf",       "erofs",      "zram",      "none"};
    return std::find(kPseudo.begin(), kPseudo.end(), t) != kPseudo.end();
}

bool is_network_fs(std::string_view t) {
    static constexpr std::array<std::string_view, 12> kNetwork = {
        "nfs", "nfs4", "cifs", "smb3", "smbfs", "sshfs", "fuse.sshfs", "9p", "afs", "ceph", "glusterfs", "fuse.rclone"};
    return std::find(kNetwork.begin(), kNetwork.end(), t) != kNetwork.end();
}

namespace {

// What makes two mounts the same filesystem.
std::string identity(const Mount& m) {
    if (m.fstype == "zfs") return "zfs:" + m.source.substr(0, m.source.find('/'));  // datasets share the pool's space
    if (m.source.rfind("/dev/", 0) == 0) return "dev:" + m.source;  // btrfs subvolumes: one device, many numbers
    return "num:" + std::to_string(m.major) + ":" + std::to_string(m.minor);
}

bool listed(const std::vector<std::string>& list, const std::string& point) {
    return std::find(list.begin(), list.end(), point) != list.end();
}

}  // namespace

std::vector<Mount> select_filesystems(const std::vector<Mount>& mounts, const std::vector<std::string>& show,
                                      const std::vector<std::string>& hide) {
    std::vector<Mount> kept;
    for (const Mount& m : mounts) {
        if (is_pseudo_fs(m.fstype) || is_network_fs(m.fstype)) continue;
        if (m.mount_point.rfind("/snap/", 0) == 0 || m.source.rfind("/dev/loop", 0) == 0) continue;
        if (m.fstype.rfind("fuse.", 0) == 0 && m.source.rfind("/dev/", 0) != 0) continue;
        if (listed(hide, m.mount_point)) continue;
        if (!show.empty() && !listed(show, m.mount_point)) continue;
        const std::string id = identity(m);
        auto same = std::find_if(kept.begin(), kept.end(), [&](const Mount& k) { return identity(k) == id; });
        if (same == kept.end()) {
            kept.push_back(m);
        } else if (m.mount_point.size() < same->mount_point.size()) {
            *same = m;  // the shortest mount point names it best ("/" over "/home" of one btrfs)
        }
    }
    const auto rank = [&](const Mount& m) -> std::size_t {
        if (!show.empty()) return static_cast<std::size_t>(std::find(show.begin(), show.end(), m.mount_point) - show.begin());
        return m.mount_point == "/" ? 0 : 1;
    };
    std::stable_sort(kept.begin(), kept.end(), [&](const Mount& a, const Mount& b) {
        const auto ra = rank(a), rb = rank(b);
        return ra != rb ? ra < rb : a.mount_point < b.mount_point;
    });
    return kept;
}

// Without large-file support a 32-bit build's block counts are 32 bits: a 16 TiB filesystem of
// 4 KiB blocks would read as empty.
static_assert(sizeof(fsblkcnt_t) == 8, "build with -D_FILE_OFFSET_BITS=64");

std::optional<FsSize> fs_size(const struct statvfs& st) {
    if (st.f_blocks == 0) return std::nullopt;
    const std::uint64_t unit = st.f_frsize ? st.f_frsize : st.f_bsize;
    const std::uint64_t blocks = st.f_blocks;
    FsSize s;
    s.total = blocks * unit;
    s.used = (blocks - std::min<std::uint64_t>(st.f_bfree, blocks)) * unit;
    s.avail = std::min<std::uint64_t>(st.f_bavail, blocks) * unit;
    return s;
}

std::optional<FsSize> statvfs_size(const std::string& path) {
    struct statvfs st{};
    if (::statvfs(path.c_str(), &st) != 0) return std::nullopt;
    return fs_size(st);
}

std::string resolve_source(const Source& src, const Mount& m) {
    if (m.source != "/dev/root") return m.source;
    const auto name = src.link_name("sys/dev/block/" + std::to_string(m.major) + ":" + std::to_string(m.minor));
    return name ? "/dev/" + *name : m.source;
}

std::vector<DeviceLabel> read_labels(const Source& src) {
    std::vector<DeviceLabel> labels;
    for (const std::string& name : src.list("dev/disk/by-label")) {
        const auto device = src.link_name("dev/disk/by-label/" + name);
        if (!device || device->empty()) continue;
        std::string label = unescape_hex(name);
        // A label is whatever the filesystem's maker allowed: keep it one printable line.
        for (char& c : label) {
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
        }
        labels.push_back({*device, std::move(label)});
    }
    return labels;
}

std::string label_of(const Source& src, const std::vector<DeviceLabel>& labels, const std::string& source) {
    if (labels.empty() || source.rfind("/dev/", 0) != 0) return "";
    // /dev/mapper/NAME and /dev/disk/by-*/ are links to the kernel's name; /dev/sdb1 is that name.
    std::string device = src.link_name(source).value_or("");
    if (device.empty()) device = source.substr(source.rfind('/') + 1);
    for (const DeviceLabel& l : labels) {
        if (l.device == device) return l.label;
    }
    return "";
}

}  // namespace ts::sysdata
