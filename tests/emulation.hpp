// A cross build's tests run under QEMU's user-mode emulator (CMAKE_CROSSCOMPILING_EMULATOR):
// ctest starts each test program through it, but a program that a test starts in turn (the
// reader, the whole dashboard) runs only where binfmt_misc hands such programs to the emulator.
#pragma once

#include <fstream>
#include <string>

namespace ts::test {

// The binfmt_misc entry of the emulator (TS_TEST_BINFMT, "qemu-aarch64"), or nullptr natively.
inline const char* emulator_entry() {
#ifdef TS_TEST_BINFMT
    return TS_TEST_BINFMT;
#else
    return nullptr;
#endif
}

// Why the programs this test starts cannot run here, or nullptr when they can.
inline const char* why_programs_cannot_start() {
    const char* entry = emulator_entry();
    if (entry == nullptr) return nullptr;
    std::ifstream status(std::string("/proc/sys/fs/binfmt_misc/") + entry);
    std::string state;
    if (status >> state && state == "enabled") return nullptr;
    return "starts programs of the target, which need binfmt_misc's emulator entry (scripts/cross registers it as root)";
}

}  // namespace ts::test
