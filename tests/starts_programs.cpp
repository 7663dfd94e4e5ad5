// Linked into the test programs whose every test starts a program built for the target: under
// the emulator without binfmt_misc, they all skip, each with one line, instead of failing.
#include "emulation.hpp"

#include <gtest/gtest.h>

namespace {

class StartsPrograms : public testing::Environment {
public:
    void SetUp() override {
        if (const char* why = ts::test::why_programs_cannot_start()) GTEST_SKIP() << why;
    }
};

[[maybe_unused]] testing::Environment* const registered = testing::AddGlobalTestEnvironment(new StartsPrograms);

}  // namespace
