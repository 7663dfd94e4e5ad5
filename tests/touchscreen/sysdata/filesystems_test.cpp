// Which filesystems the disk page lists: real, local ones, each once, root first.
#include "fixture.hpp"

#include "sysdata/collector.hpp"
#include "sysdata/filesystems.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <utility>

namespace ts::sysdata {
namespace {

std::vector<std::string> points(const std::vector<Mount>& mounts) {
    std::vector<std::string> out;
    for (const Mount& m : mounts) out.push_back(m.mount_point);
    return out;
}

TEST(MountInfo, FieldsAndEscapes) {
    const auto mounts = parse_mountinfo(test::slurp("mounts/mountinfo"));
    ASSERT_EQ(mounts.size(), 17u);
    EXPECT_EQ(mounts[0].mount_point, "/");
    EXPECT_EQ(mounts[0].source, "/dev/sda2");
    EXPECT_EQ(mounts[0].major, 8u);
    EXPECT_EQ(mounts[0].minor, 2u);
    EXPECT_EQ(mounts[9].mount_point, "/mnt/my data");
    EXPECT_EQ(mounts[9].root, "/@data");
    EXPECT_EQ(mounts[9].fstype, "btrfs");
}

TEST(MountInfo, Unescape) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {{"/a\\040b", "/a b"}, {"\\011tab", "\ttab"}, {"back\\134slash", "back\\slash"},
                 {"cut\\04", "cut\\04"}, {"\\999", "\\999"}, {"plain", "plain"}};
    for (const auto& c : cases) EXPECT_EQ(unescape_octal(c.in), c.out) << c.in;
}

TEST(MountInfo, MalformedLinesAreLeftOut) {
    const char* text =
        "22 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
        "23 1 8:3 / /no-separator rw ext4 /dev/sda3 rw\n"
        "x 1 8:4 / /bad-id rw - ext4 /dev/sda4 rw\n"
        "25 1 84 / /bad-dev rw - ext4 /dev/sda5 rw\n"
        "26 1 8:6 / /cut rw -\n"
        "27 1 8:7\n";
    EXPECT_EQ(points(parse_mountinfo(text)), std::vector<std::string>{"/"});
}

TEST(Filesystems, RealOnesOnceRootFirst) {
    const auto mounts = parse_mountinfo(test::slurp("mounts/mountinfo"));
    // Left out: proc, sysfs, devtmpfs, tmpfs, cgroup2, autofs, overlay, the snap, NFS;
    // once: the bind of / at /var/www, the two btrfs subvolumes, the two datasets of pool tank.
    const std::vector<std::string> want{"/", "/boot/efi", "/home", "/srv/media/archive/photographs 2019 to 2024",
                                        "/tank"};
    EXPECT_EQ(points(select_filesystems(mounts, {}, {})), want);
}

TEST(Filesystems, ShowAndHideLists) {
    const auto mounts = parse_mountinfo(test::slurp("mounts/mountinfo"));
    // Hiding /tank leaves the pool's other dataset to stand for it.
    EXPECT_EQ(points(select_filesystems(mounts, {}, {"/boot/efi", "/tank"})),
              (std::vector<std::string>{"/", "/home", "/srv/media/archive/photographs 2019 to 2024", "/tank/media"}));
    EXPECT_EQ(points(select_filesystems(mounts, {}, {"/tank", "/tank/media", "/home"})),
              (std::vector<std::string>{"/", "/boot/efi", "/mnt/my data", "/srv/media/archive/photographs 2019 to 2024"}));
    // show keeps its own order; a pseudo filesystem stays out even when named.
    EXPECT_EQ(points(select_filesystems(mounts, {"/home", "/", "/proc"}, {})),
              (std::vector<std::string>{"/home", "/"}));
}

TEST(Filesystems, DevRootResolvesToTheRealDeviceAndItsBindShowsOnce) {
    const Source src(test::data("mounts/devroot"));
    std::string text;
    ASSERT_TRUE(src.read("proc/self/mountinfo", text));
    auto mounts = parse_mountinfo(text);
    for (Mount& m : mounts) m.source = resolve_source(src, m);
    EXPECT_EQ(mounts[0].source, "/dev/mmcblk0p2");
    EXPECT_EQ(points(select_filesystems(mounts, {}, {})), (std::vector<std::string>{"/", "/boot/firmware"}));
}

TEST(Labels, UdevEscapes) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {{"My\\x20Disk", "My Disk"}, {"\\x2fslash", "/slash"}, {"A\\x5cB", "A\\B"}, {"\\x4A\\x4b", "JK"},
                 {"cut\\x2", "cut\\x2"}, {"\\xzz", "\\xzz"}, {"\\X20", "\\X20"}, {"plain", "plain"}};
    for (const auto& c : cases) EXPECT_EQ(unescape_hex(c.in), c.out) << c.in;
}

using Labelled = std::vector<std::pair<std::string, std::string>>;  // mount point, label

// Every filesystem 1 GiB, half used: no real mounts needed.
CollectorOptions any_size() {
    CollectorOptions o;
    o.measure = [](const std::string&) { return FsSize{1 << 30, 1 << 29, 1 << 29}; };
    return o;
}

Labelled sample_labels(const std::string& root) {
    Collector c(Source(root), any_size());
    c.sample_filesystems();
    Labelled out;
    for (const FilesystemRow& r : *c.current().filesystems) out.emplace_back(r.mount_point, r.label);
    return out;
}

TEST(Labels, MatchedByTheDeviceTheLinkPointsTo) {
    // sde1 has a label but no mount; sdd1 no label; /dev/mapper/vault is a link to dm-0;
    // a newline in a label would break the row in two.
    const Labelled want{{"/", "rootfs"},
                        {"/boot/efi", "EFI"},
                        {"/media/pi/3A5F-1C22", "Holiday Photos"},
                        {"/media/pi/NO NAME", ""},
                        {"/mnt/vault", "vault"},
                        {"/run/media/anna/disk", "two?lines"}};
    EXPECT_EQ(sample_labels(test::data("mounts/labels")), want);
}

TEST(Labels, NoLabelFolderMeansNoLabels) {
    for (const auto& [point, label] : sample_labels(test::data("mounts/devroot"))) EXPECT_EQ(label, "") << point;
}

TEST(Labels, AStickMountedLaterGetsItsLabel) {
    const test::TempRoot root("mounts/labels");
    Collector c(Source(root.path()), any_size());
    c.sample_filesystems();
    std::filesystem::create_symlink("../../sdf1", root.path() + "/dev/disk/by-label/STICK");
    root.write("proc/self/mountinfo", test::slurp("mounts/labels/proc/self/mountinfo") +
                                          "60 22 8:81 / /media/pi/STICK rw shared:70 - vfat /dev/sdf1 rw\n");
    c.sample_filesystems();
    const auto& rows = *c.current().filesystems;
    const auto stick = std::find_if(rows.begin(), rows.end(), [](const FilesystemRow& r) { return r.mount_point == "/media/pi/STICK"; });
    ASSERT_NE(stick, rows.end());
    EXPECT_EQ(stick->label, "STICK");
}

TEST(Filesystems, SizesAsDfReportsThem) {
    const auto s = statvfs_size("/");
    ASSERT_TRUE(s);
    EXPECT_GT(s->total, 0u);
    EXPECT_LE(s->used + s->avail, s->total);  // blocks kept for root are neither
    EXPECT_FALSE(statvfs_size("/no/such/mount/point"));
}

TEST(Filesystems, StatvfsFiguresInBytes) {
    constexpr std::uint64_t kTiB = std::uint64_t{1} << 40;
    struct Case {
        const char* what;
        std::uint64_t frsize, bsize, blocks, bfree, bavail;
        std::optional<FsSize> want;
    };
    // Block counts and byte sizes past 2^32: a 32-bit build without large-file support gets them wrong.
    const Case cases[] = {
        {"16 TiB of 4 KiB blocks", 4096, 4096, std::uint64_t{1} << 32, std::uint64_t{1} << 31, (std::uint64_t{1} << 31) - 1000,
         FsSize{16 * kTiB, 8 * kTiB, 8 * kTiB - 4096 * 1000}},
        {"fragments, not blocks, are the unit", 4096, 1 << 20, 5'000'000'000, 1'000'000'000, 900'000'000,
         FsSize{20'480'000'000'000, 16'384'000'000'000, 3'686'400'000'000}},
        {"no fragment size: the block size", 0, 512, 3, 1, 1, FsSize{1536, 1024, 512}},
        {"more free than there is (a racing filesystem)", 4096, 4096, 10, 20, 30, FsSize{40960, 0, 40960}},
        {"no blocks: not a size", 4096, 4096, 0, 0, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        struct statvfs st{};
        st.f_frsize = c.frsize;
        st.f_bsize = c.bsize;
        st.f_blocks = c.blocks;
        st.f_bfree = c.bfree;
        st.f_bavail = c.bavail;
        const auto got = fs_size(st);
        ASSERT_EQ(got.has_value(), c.want.has_value()) << c.what;
        if (!got) continue;
        EXPECT_EQ(got->total, c.want->total) << c.what;
        EXPECT_EQ(got->used, c.want->used) << c.what;
        EXPECT_EQ(got->avail, c.want->avail) << c.what;
    }
}

}  // namespace
}  // namespace ts::sysdata
