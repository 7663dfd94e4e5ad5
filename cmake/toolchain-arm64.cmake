# 64-bit ARM (Debian arm64): cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-arm64.cmake
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(TS_CROSS_TRIPLET aarch64-linux-gnu)
set(TS_CROSS_QEMU qemu-aarch64-static)
set(TS_DEB_ARCH arm64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-cross.cmake)
