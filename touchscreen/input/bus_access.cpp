#include "bus_access.hpp"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace ts::input {
namespace {

constexpr unsigned kReadWrite = 6;  // r and w in one triple of mode bits

// The POSIX ACL as the kernel stores it in "system.posix_acl_access": a 4-byte version, then
// entries of tag (2 bytes), permissions (2) and id (4), little-endian.
struct AclEntry {
    std::uint16_t tag, perm;
    std::uint32_t id;
};
constexpr std::uint16_t kUserObj = 1, kUser = 2, kGroupObj = 4, kGroup = 8, kMask = 16;

std::vector<AclEntry> read_acl(const std::string& path) {
    unsigned char buf[1024];
    const ssize_t n = ::getxattr(path.c_str(), "system.posix_acl_access", buf, sizeof buf);
    std::vector<AclEntry> out;
    if (n < 4 || (n - 4) % 8 != 0) return out;
    const auto le16 = [&](ssize_t at) { return static_cast<std::uint16_t>(buf[at] | buf[at + 1] << 8); };
    for (ssize_t at = 4; at + 8 <= n; at += 8) {
        const std::uint32_t id = buf[at + 4] | buf[at + 5] << 8 | buf[at + 6] << 16 | std::uint32_t{buf[at + 7]} << 24;
        out.push_back({le16(at), le16(at + 2), id});
    }
    return out;
}

bool in_group(const Identity& who, gid_t g) {
    return who.gid == g || std::find(who.groups.begin(), who.groups.end(), g) != who.groups.end();
}

std::string group_name(gid_t g) {
    if (const group* gr = ::getgrgid(g)) return gr->gr_name;
    return std::to_string(g);
}

std::string user_name(uid_t u) {
    if (const passwd* pw = ::getpwuid(u)) return pw->pw_name;
    return std::to_string(u);
}

// The kernel's access check for read and write, with the ACL where there is one.
bool may_read_write(const struct stat& st, const std::vector<AclEntry>& acl, const Identity& who) {
    if (who.uid == 0) return true;
    if (who.uid == st.st_uid) return ((st.st_mode >> 6) & kReadWrite) == kReadWrite;
    if (acl.empty()) {
        const unsigned bits = in_group(who, st.st_gid) ? (st.st_mode >> 3) : st.st_mode;
        return (bits & kReadWrite) == kReadWrite;
    }
    unsigned mask = 7;
    for (const AclEntry& e : acl) {
        if (e.tag == kMask) mask = e.perm;
    }
    for (const AclEntry& e : acl) {
        if (e.tag == kUser && e.id == who.uid) return (e.perm & mask & kReadWrite) == kReadWrite;
    }
    bool matched = false;
    for (const AclEntry& e : acl) {
        const bool group_entry = e.tag == kGroupObj ? in_group(who, st.st_gid) : e.tag == kGroup && in_group(who, e.id);
        if (!group_entry) continue;
        matched = true;
        if ((e.perm & mask & kReadWrite) == kReadWrite) return true;
    }
    return !matched && (st.st_mode & kReadWrite) == kReadWrite;
}

// Groups whose members could read and write the node.
std::vector<std::string> granting_groups(const struct stat& st, const std::vector<AclEntry>& acl) {
    std::vector<std::string> out;
    unsigned mask = 7;
    for (const AclEntry& e : acl) {
        if (e.tag == kMask) mask = e.perm;
    }
    const unsigned owner_group_perm = acl.empty() ? (st.st_mode >> 3) & 7 : 0;
    if ((owner_group_perm & kReadWrite) == kReadWrite) out.push_back(group_name(st.st_gid));
    for (const AclEntry& e : acl) {
        const bool grants = (e.perm & mask & kReadWrite) == kReadWrite;
        if (grants && e.tag == kGroupObj) out.push_back(group_name(st.st_gid));
        if (grants && e.tag == kGroup) out.push_back(group_name(e.id));
    }
    return out;
}

}  // namespace

Identity own_identity() {
    Identity who{::geteuid(), ::getegid(), {}};
    const int n = ::getgroups(0, nullptr);
    if (n > 0) {
        who.groups.resize(static_cast<std::size_t>(n));
        who.groups.resize(static_cast<std::size_t>(std::max(0, ::getgroups(n, who.groups.data()))));
    }
    return who;
}

std::string touch_bus_problem(const std::string& root, const std::string& device, int address, const Identity& who) {
    const std::string node = root + device;
    struct stat st {};
    if (::stat(node.c_str(), &st) != 0) {
        if (errno == ENOENT) return device + " does not exist: the i2c-dev module or the bus is not enabled";
        return "cannot look at " + device + ": " + std::strerror(errno);
    }
    const std::vector<AclEntry> acl = read_acl(node);
    if (!may_read_write(st, acl, who)) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        std::string cause = "permission denied on " + device + " (" + user_name(st.st_uid) + ":" +
                            group_name(st.st_gid) + ", mode " + mode + (acl.empty() ? "" : ", with an ACL") + ")";
        const std::vector<std::string> groups = granting_groups(st, acl);
        if (groups.empty()) return cause + "; no group may read and write it";
        return cause + "; membership of the group " + groups.front() + " would give access";
    }
    // The bus's number from its node ("/dev/i2c-2" -> 2), for the controller's sysfs entry.
    const std::string bus = device.substr(device.find_last_of('-') + 1);
    char entry[64];
    std::snprintf(entry, sizeof entry, "/sys/bus/i2c/devices/%s-%04x/driver", bus.c_str(), address);
    std::error_code ec;
    const auto driver = std::filesystem::read_symlink(root + entry, ec);
    if (!ec) {
        return "the kernel driver " + driver.filename().string() + " holds the touch controller (" +
               std::string(entry).substr(0, std::string(entry).size() - 7) + ")";
    }
    return "";
}

}  // namespace ts::input
