# SPDX-License-Identifier: GPL-3.0-or-later
# IBM Z Linux (Debian s390x), big-endian, cross-built: see cmake/linux-cross.cmake.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(TESSAROLL_CROSS_TRIPLET s390x-linux-gnu)
set(TESSAROLL_CROSS_MULTIARCH s390x-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
