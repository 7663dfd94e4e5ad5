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
