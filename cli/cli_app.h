// SPDX-License-Identifier: GPL-3.0-or-later
// The command-line companion: the same lists as the window program, for scripts and for users
// who print a month of lists at once.
#pragma once

namespace tessaroll::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;  // the engine refused the input, or a file failed
inline constexpr int kExitUsage = 2;

int run(int argc, char** argv);

}  // namespace tessaroll::cli
