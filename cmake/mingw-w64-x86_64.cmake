# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-compiling for 64-bit Windows with Debian's mingw-w64 toolchain (g++-mingw-w64-x86-64-posix).
#
#   cmake -S . -B build-windows/cli -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DCMAKE_FIND_ROOT_PATH=<folder with GMP and MPFR built for Windows> \
#         -DTESSAROLL_BUILD_UI=OFF -DTESSAROLL_BUILD_TESTS=OFF -DTESSAROLL_BUILD_BENCH=OFF
#
# The window program (scripts/windows-gui.sh) adds Qt's folder to CMAKE_FIND_ROOT_PATH and
# CMAKE_PREFIX_PATH and sets TESSAROLL_MINGW_SHARED_RUNTIME, see below.
#
# The posix flavour of the compiler is the one whose libstdc++ has std::thread and friends.
# Programs are linked statically (libstdc++, libgcc, winpthread) so that they start on any Windows
# machine, and under Wine, without DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TESSAROLL_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TESSAROLL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESSAROLL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TESSAROLL_MINGW_TRIPLET}-windres)

# Libraries and headers come from the mingw-w64 sysroot and from CMAKE_FIND_ROOT_PATH only, never
# from the Linux system; programs (pkg-config, python3) come from the Linux system.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${TESSAROLL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The window program and Qt itself pass -DTESSAROLL_MINGW_SHARED_RUNTIME=ON instead: Qt's DLLs use
# the toolchain's run-time DLLs, and a program linked to them must share the very same run time.
if(NOT TESSAROLL_MINGW_SHARED_RUNTIME)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
endif()
