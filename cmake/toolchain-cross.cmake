# Shared by the per-architecture toolchain files: Debian's multiarch cross tool chain for
# TS_CROSS_TRIPLET, libraries and .pc files of the :ARCH dev packages, and the programs run
# through QEMU's user-mode emulator so that ctest runs the same list as on the build machine.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${TS_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${TS_CROSS_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${TS_CROSS_TRIPLET})

# Headers and libraries from the target's multiarch folders only; programs (cmake, pkg-config)
# from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TS_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# The build machine's .pc files would hand out x86-64 libraries: only the target's.
set(PKG_CONFIG_EXECUTABLE ${TS_CROSS_TRIPLET}-pkg-config CACHE FILEPATH "pkg-config of the target")
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${TS_CROSS_TRIPLET}/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# qemu-ARCH-static needs no binfmt_misc for a program ctest starts itself. The target's loader
# and libraries are the multiarch packages' (/lib/ld-linux-*.so, /usr/lib/TRIPLET), where the
# target's loader looks by itself.
set(CMAKE_CROSSCOMPILING_EMULATOR ${TS_CROSS_QEMU})
