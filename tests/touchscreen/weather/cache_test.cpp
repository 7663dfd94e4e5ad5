// The forecast cache on disk: where it lives, what survives a round trip, and that a write
// that fails leaves neither a half file nor a stray temporary one.
#include "weather/cache.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace ts::weather {
namespace {

namespace fs = std::filesystem;

class Cache : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("weather_cache_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir);
    }
    std::size_t files_in(const fs::path& folder) {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator{}));
    }
    fs::path dir;
};

TEST(CachePath, XdgCacheHomeFirstThenHomeAndNeverARelativeFolder) {
    struct Case {
        const char* xdg;
        const char* home;
        const char* path;
    } cases[] = {
        {"/var/cache/me", "/home/me", "/var/cache/me/touchscreen/weather.json"},
        {nullptr, "/home/me", "/home/me/.cache/touchscreen/weather.json"},
        {"", "/home/me", "/home/me/.cache/touchscreen/weather.json"},
        {"relative", "/home/me", "/home/me/.cache/touchscreen/weather.json"},
        {nullptr, nullptr, ""},
        {nullptr, "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(cache_path_from(c.xdg, c.home), c.path);
}

TEST_F(Cache, WhatIsWrittenIsReadBackAndTheFolderIsMadeWhenMissing) {
    const std::string path = (dir / "touchscreen" / "weather.json").string();
    const CachedResponse written{"http://127.0.0.1:1/f?latitude=1", 1796824800.5, "{\"a\":\"°C \\\"quoted\\\"\"}\n"};
    ASSERT_EQ(write_cache(path, written), "");
    std::string problem;
    const auto read = read_cache(path, problem);
    ASSERT_TRUE(read) << problem;
    EXPECT_EQ(read->request, written.request);
    EXPECT_EQ(read->fetched_at, written.fetched_at);
    EXPECT_EQ(read->body, written.body);
    EXPECT_EQ(files_in(dir / "touchscreen"), 1u) << "no temporary file is left beside it";

    // A second write replaces the first whole.
    ASSERT_EQ(write_cache(path, {"other", 2, "x"}), "");
    EXPECT_EQ(read_cache(path, problem)->body, "x");
    EXPECT_EQ(files_in(dir / "touchscreen"), 1u);
}

TEST_F(Cache, AFailedWriteNamesThePathAndKeepsTheOldFile) {
    const std::string path = (dir / "weather.json").string();
    ASSERT_EQ(write_cache(path, {"r", 1, "old"}), "");
    fs::permissions(dir, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    if (::access(dir.c_str(), W_OK) == 0) GTEST_SKIP() << "running as root: permissions are not enforced";
    const std::string problem = write_cache(path, {"r", 2, "new"});
    EXPECT_NE(problem.find(path), std::string::npos) << problem;
    std::string why;
    EXPECT_EQ(read_cache(path, why)->body, "old");
}

TEST_F(Cache, AFileInPlaceOfTheFolderIsAClearError) {
    std::ofstream(dir / "touchscreen") << "not a folder";
    const std::string problem = write_cache((dir / "touchscreen" / "weather.json").string(), {"r", 1, "b"});
    EXPECT_NE(problem.find((dir / "touchscreen").string()), std::string::npos) << problem;
}

TEST_F(Cache, AMissingFileIsNoProblemAndABrokenOneIs) {
    std::string problem;
    EXPECT_FALSE(read_cache((dir / "none.json").string(), problem));
    EXPECT_EQ(problem, "");
    const std::pair<const char*, const char*> broken[] = {
        {"{\"request\":", "invalid JSON"},
        {"[]", "invalid JSON"},
        {"{\"fetched_at\":1,\"body\":\"\"}", "\"request\""},
        {"{\"request\":\"r\",\"fetched_at\":\"1\",\"body\":\"\"}", "\"fetched_at\""},
        {"{\"request\":\"r\",\"fetched_at\":1,\"body\":{}}", "\"body\""},
    };
    const fs::path path = dir / "weather.json";
    for (const auto& [text, why] : broken) {
        std::ofstream(path, std::ios::trunc) << text;
        EXPECT_FALSE(read_cache(path.string(), problem)) << text;
        EXPECT_NE(problem.find(why), std::string::npos) << problem;
        EXPECT_NE(problem.find(path.string()), std::string::npos) << problem;
    }
}

}  // namespace
}  // namespace ts::weather
