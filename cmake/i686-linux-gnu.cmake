# SPDX-License-Identifier: GPL-3.0-or-later
# 32-bit x86 Linux (Debian i386), cross-built: see cmake/linux-cross.cmake. Real arithmetic in SSE2
# registers, each double operation rounded to double: the x87 unit's 80-bit registers would round
# twice and change lists, and engine/fp_env.h refuses to build the engine for it.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TESSAROLL_CROSS_TRIPLET i686-linux-gnu)
set(TESSAROLL_CROSS_MULTIARCH i386-linux-gnu)
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
