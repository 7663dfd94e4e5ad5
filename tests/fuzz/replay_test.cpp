// Runs a fuzz target's checks over every input kept in its corpus folder, in the ordinary
// GCC builds and under their address sanitizer, so a finding saved there stays fixed
// without Clang. One case per file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::string> corpus_files() {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(FUZZ_CORPUS)) {
        if (entry.is_regular_file()) files.push_back(entry.path().filename().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

class Corpus : public ::testing::TestWithParam<std::string> {};

TEST_P(Corpus, InputPassesTheTargetsChecks) {
    std::ifstream in(std::filesystem::path(FUZZ_CORPUS) / GetParam(), std::ios::binary);
    ASSERT_TRUE(in) << GetParam();
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // A failed check aborts the program with its message, failing the case.
    EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
}

INSTANTIATE_TEST_SUITE_P(Files, Corpus, ::testing::ValuesIn(corpus_files()), [](const auto& info) {
    std::string name = info.param;
    std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
});

}  // namespace
