// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

namespace tessaroll::cli {

// No personal password could be read; what() is the sentence for the user.
class PasswordInputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the personal password: one line of standard input without its line end (LF or CR LF)
// and a leading UTF-8 byte order mark, everything else kept. Bytes that are not UTF-8 are refused
// with PasswordInputError naming the first bad byte; on Windows they are read in the console's
// input code page, or the ANSI one without a console, unless that is UTF-8 itself. An empty line is
// the empty personal password; a last line without a line end counts. On a terminal echo is turned
// off before the prompt is written to standard error, and the terminal's mode comes back however
// the read ends, Ctrl+C, Ctrl+\ and Ctrl+Z included. Throws PasswordInputError when standard input
// is closed, cannot be read (a folder, a read error) or ends before a line, and EngineError without
// reading further when the line grows past the longest personal password the engine takes.
std::string read_personal_password();

// Reads the password to check, after the personal password: the next line of standard input
// without its line end, or on a terminal a second prompt without echo. Only its first
// kMaxLength + 1 bytes are kept, which is enough to tell that a longer one is no list's password.
// An empty line is the empty text. Throws PasswordInputError when standard input ends before it
// or cannot be read.
std::string read_password_to_check();

// Whether standard input is a terminal, where the password is typed unseen.
bool stdin_is_terminal();

}  // namespace tessaroll::cli
