# SPDX-License-Identifier: GPL-3.0-or-later
# Two builds of one commit give the same programs, byte for byte, wherever their folders are: the
# source and build folders' paths, which the debug information (and through it the build ID of a
# Linux program) would carry, are written as "." instead. The build folder's comes last, so that
# it wins for a build folder inside the source folder. Dates come from SOURCE_DATE_EPOCH, which the
# Makefile sets to the time of the last commit.
add_compile_options("-ffile-prefix-map=${PROJECT_SOURCE_DIR}=."
                    "-ffile-prefix-map=${PROJECT_BINARY_DIR}=.")
# moc's sources include each header by its path from the folder that includes it, which in the
# debug information would depend on how deep the build folder lies; with the prefix, moc writes
# the path from an include folder (ui/frmMain.h) instead.
set(CMAKE_AUTOMOC_PATH_PREFIX ON)
