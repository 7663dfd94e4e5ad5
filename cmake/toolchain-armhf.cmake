# 32-bit ARM with hardware floating point (Debian armhf): cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-armhf.cmake
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(TS_CROSS_TRIPLET arm-linux-gnueabihf)
set(TS_CROSS_QEMU qemu-arm-static)
set(TS_DEB_ARCH armhf)
# GCC notes at every std::vector of a 64-bit-aligned type that armhf passes such arguments
# differently since GCC 7.1; everything here is built by one compiler.
set(CMAKE_CXX_FLAGS_INIT -Wno-psabi)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-cross.cmake)
