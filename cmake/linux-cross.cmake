# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-compiling for another Linux processor with Debian's cross compilers (g++-<triplet>) and the
# libraries of that processor's Debian architecture, installed beside the machine's own through
# multiarch (libmpfr-dev:arm64 and so on): headers in /usr/include/<multiarch>, libraries in
# /usr/lib/<multiarch>, both of which the cross compilers search already. Included by the files
# of each processor, which set TESSAROLL_CROSS_TRIPLET, TESSAROLL_CROSS_MULTIARCH and
# CMAKE_SYSTEM_PROCESSOR first. The programs run under qemu-user, or natively where the processor
# can (i386 on x86-64).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${TESSAROLL_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${TESSAROLL_CROSS_TRIPLET}-g++)

# find_library looks in /usr/lib/<multiarch> of this architecture, not of the building machine.
set(CMAKE_LIBRARY_ARCHITECTURE ${TESSAROLL_CROSS_MULTIARCH})
# pkg-config reads the .pc files of this architecture only.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${TESSAROLL_CROSS_MULTIARCH}/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
