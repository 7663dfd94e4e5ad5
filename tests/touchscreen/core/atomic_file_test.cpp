// Replacing a file whole: the new content arrives complete, and a write that cannot be made
// says which file and leaves the old content in place.
#include "core/atomic_file.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace ts::core {
namespace {

namespace fs = std::filesystem;

std::string read_all(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(AtomicFile, ReplacesTheContentAndLeavesNoTemporary) {
    const fs::path dir = fs::temp_directory_path() / ("ts-atomic-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path file = dir / "f.conf";
    write_file_atomically(file.string(), "one\n");
    write_file_atomically(file.string(), "two\n");
    EXPECT_EQ(read_all(file), "two\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1);
    fs::remove_all(dir);
}

TEST(AtomicFile, NeverWritesThroughALinkAndSetsTheMode) {
    const fs::path dir = fs::temp_directory_path() / ("ts-atomic-link-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "victim") << "keep\n";
    std::ofstream(dir / "other") << "keep too\n";
    const fs::path file = dir / "f.conf";
    fs::create_symlink(dir / "victim", file);
    fs::create_symlink(dir / "other", dir / "f.conf.tmp");  // where an older writer put its temporary
    const mode_t old_mask = umask(022);
    write_file_atomically(file.string(), "new\n", 0600);
    EXPECT_FALSE(fs::is_symlink(file));
    EXPECT_EQ(read_all(file), "new\n");
    EXPECT_EQ(read_all(dir / "victim"), "keep\n");
    EXPECT_EQ(read_all(dir / "other"), "keep too\n");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    write_file_atomically(file.string(), "again\n");
    umask(old_mask);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 3) << "victim, other and f.conf alone";
    fs::remove_all(dir);
}

TEST(AtomicFile, AFailedWriteNamesTheFileAndKeepsTheOldContent) {
    const fs::path dir = fs::temp_directory_path() / ("ts-atomic-ro-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path file = dir / "f.conf";
    write_file_atomically(file.string(), "old\n");
    // A folder that is not writable; root ignores the mode, so a missing one stands in there.
    const std::string target = geteuid() == 0 ? (dir / "missing" / "f.conf").string() : file.string();
    chmod(dir.c_str(), 0555);
    try {
        write_file_atomically(target, "new\n");
        ADD_FAILURE() << "no error";
    } catch (const std::system_error& e) {
        EXPECT_NE(std::string(e.what()).find(target + ".tmp"), std::string::npos) << e.what();
    }
    chmod(dir.c_str(), 0755);
    EXPECT_EQ(read_all(file), "old\n");
    fs::remove_all(dir);
}

}  // namespace
}  // namespace ts::core
