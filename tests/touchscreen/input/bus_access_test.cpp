// Why the reader cannot use its bus, worked out from a fixture tree as the dashboard's own user
// would see it: a missing node, the mode and ACL against its groups, a kernel driver.
#include "input/bus_access.hpp"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>

namespace ts::input {
namespace {

namespace fs = std::filesystem;

// A POSIX access ACL as the kernel stores it: version 2, then (tag, perm, id) little-endian.
std::string acl_blob(std::initializer_list<std::array<std::uint32_t, 3>> entries) {
    std::string out{"\x02\0\0\0", 4};
    for (const auto& [tag, perm, id] : entries) {
        const std::uint32_t words[] = {tag | perm << 16, id};
        for (std::uint32_t w : words)
            for (int b = 0; b < 4; ++b) out += static_cast<char>(w >> (8 * b));
    }
    return out;
}

TEST(BusAccess, TheCauseIsNamedWithTheGroupThatWouldGiveAccess) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to give the fixture's node another owner";
    const fs::path root = fs::temp_directory_path() / ("ts-bus-" + std::to_string(getpid()));
    const Identity service{1000, 1000, {44}};
    const gid_t bus_group = 4242;  // no such group on a build machine: shown as its number
    ASSERT_EQ(getgrgid(bus_group), nullptr) << "the test needs group 4242 to have no name";
    const struct {
        const char* name;
        mode_t mode;       // 0: no node at all
        bool driver;       // a kernel driver bound to the controller
        std::string acl;   // "" for none
        const char* cause;
    } cases[] = {
        {"missing", 0, false, "", "/dev/i2c-2 does not exist"},
        {"group only", 0660, false, "", "permission denied on /dev/i2c-2 (root:4242, mode 0660); membership of the group 4242 would give access"},
        {"nobody", 0600, false, "", "permission denied on /dev/i2c-2 (root:4242, mode 0600); no group may read and write it"},
        {"others may", 0666, false, "", ""},
        {"read only", 0664, false, "", "permission denied"},
        {"driver", 0666, true, "", "the kernel driver hid_over_i2c holds the touch controller (/sys/bus/i2c/devices/2-002c)"},
        // group::---, group 44 rw, mask rw: the service's group 44 gets in through the ACL.
        {"acl gives", 0660, false, acl_blob({{1, 6, 0xFFFFFFFF}, {4, 0, 0xFFFFFFFF}, {8, 6, 44}, {16, 6, 0xFFFFFFFF}, {32, 0, 0xFFFFFFFF}}), ""},
        // The mask takes the named group's write away.
        {"acl masked", 0640, false, acl_blob({{1, 6, 0xFFFFFFFF}, {4, 0, 0xFFFFFFFF}, {8, 6, 44}, {16, 4, 0xFFFFFFFF}, {32, 0, 0xFFFFFFFF}}),
         "with an ACL); no group may read and write it"},
    };
    for (const auto& c : cases) {
        fs::remove_all(root);
        fs::create_directories(root / "dev");
        if (c.mode != 0) {
            const fs::path node = root / "dev" / "i2c-2";
            std::ofstream(node).put('\0');
            ASSERT_EQ(chown(node.c_str(), 0, bus_group), 0) << c.name;
            ASSERT_EQ(chmod(node.c_str(), c.mode), 0);
            if (!c.acl.empty() &&
                setxattr(node.c_str(), "system.posix_acl_access", c.acl.data(), c.acl.size(), 0) != 0) {
                GTEST_SKIP() << "this filesystem keeps no ACLs, so the ACL rows cannot run";
            }
        }
        if (c.driver) {
            fs::create_directories(root / "sys/bus/i2c/devices/2-002c");
            fs::create_symlink("../../../../bus/i2c/drivers/hid_over_i2c", root / "sys/bus/i2c/devices/2-002c/driver");
        }
        const std::string cause = touch_bus_problem(root.string(), "/dev/i2c-2", 0x2C, service);
        if (*c.cause == '\0') {
            EXPECT_EQ(cause, "") << c.name;
        } else {
            EXPECT_NE(cause.find(c.cause), std::string::npos) << c.name << ": " << cause;
        }
    }
    EXPECT_EQ(touch_bus_problem(root.string(), "/dev/i2c-2", 0x2C, Identity{0, 0, {}}), "") << "root opens anything";
    fs::remove_all(root);
}

}  // namespace
}  // namespace ts::input
