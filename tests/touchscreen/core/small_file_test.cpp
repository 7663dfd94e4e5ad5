// Small files the dashboard reads: a regular file whole, and every other thing in its place
// refused at once with its cause, never a hang or an unbounded read.
#include "core/small_file.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace ts::core {
namespace {

namespace fs = std::filesystem;

TEST(SmallFile, ARegularFileIsReadWholeAndAnythingElseIsRefusedWithItsCause) {
    const fs::path dir = fs::temp_directory_path() / ("ts-small-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "folder");
    std::ofstream(dir / "plain") << "a = 1\n";
    std::ofstream(dir / "large") << std::string(2048, 'x');
    fs::create_symlink(dir / "plain", dir / "link");
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);  // no writer: a blocking open would hang
    const struct {
        const char* name;
        int code;  // 0: read
        const char* cause;
    } cases[] = {
        {"plain", 0, ""},
        {"link", 0, ""},
        {"missing", ENOENT, "No such file"},
        {"folder", EISDIR, "a folder"},
        {"fifo", EINVAL, "not a regular file"},
        {"large", EFBIG, "larger than 1024 bytes"},
    };
    for (const auto& c : cases) {
        const auto got = read_small_file((dir / c.name).string(), 1024);
        if (c.code == 0) {
            ASSERT_TRUE(got) << c.name << ": " << got.error().message();
            EXPECT_EQ(got.value(), "a = 1\n");
            continue;
        }
        ASSERT_FALSE(got) << c.name;
        EXPECT_EQ(got.error().code, c.code) << c.name;
        EXPECT_EQ(got.error().path, (dir / c.name).string());
        EXPECT_NE(got.error().cause.find(c.cause), std::string::npos) << got.error().cause;
    }
    std::ofstream(dir / "large", std::ios::trunc) << std::string((1 << 20) + 1, 'x');
    EXPECT_EQ(read_small_file((dir / "large").string(), 1 << 20).error().cause, "larger than 1 MiB");
    fs::remove_all(dir);
}

}  // namespace
}  // namespace ts::core
