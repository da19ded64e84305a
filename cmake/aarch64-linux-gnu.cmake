# SPDX-License-Identifier: GPL-3.0-or-later
# 64-bit ARM Linux (Debian arm64), cross-built: see cmake/linux-cross.cmake.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(TESSAROLL_CROSS_TRIPLET aarch64-linux-gnu)
set(TESSAROLL_CROSS_MULTIARCH aarch64-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
