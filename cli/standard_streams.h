// SPDX-License-Identifier: GPL-3.0-or-later
// Standard input, output and error as the command line relies on them.
#pragma once

#include <string>
#include <string_view>

namespace tessaroll::cli {

// Call before anything else is opened: puts the null device on each of standard input, output
// and error that is closed, so that no file opened later takes its place (a list meant for the
// terminal would otherwise land in output.txt's temporary file), and remembers which were closed.
void guard_standard_streams();

bool standard_input_was_closed();

// Flushes standard output and tells whether all that was written to it arrived: false when it was
// closed at the start or a write failed (a full disk, /dev/full, a closed pipe); *problem then
// holds the sentence for the user.
bool standard_output_complete(std::string* problem);

// One line of UTF-8 text on standard error. A Windows console is handed it as UTF-16, which it
// shows whatever its code page; anywhere else the bytes go out as they are.
void write_error_line(std::string_view utf8);

}  // namespace tessaroll::cli
