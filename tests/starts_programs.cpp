// Linked into the test programs whose every test starts a program built for the target: under
// the emulator without binfmt_misc they end before their tests with one line and status 77,
// which ctest counts as skipped (SKIP_RETURN_CODE in tests/CMakeLists.txt).
#include "emulation.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

class StartsPrograms : public testing::Environment {
public:
    void SetUp() override {
        if (const char* why = ts::test::why_programs_cannot_start()) {
            std::printf("skipped: this test %s\n", why);
            std::fflush(stdout);
            std::_Exit(77);
        }
    }
};

[[maybe_unused]] testing::Environment* const registered = testing::AddGlobalTestEnvironment(new StartsPrograms);

}  // namespace
