#pragma once

#include <cstdio>
#include <string>

namespace tessaroll::cli {

// Reads the personal password: one line of standard input without its line end (LF or CR LF),
// everything else kept. On a terminal it prompts on standard error and turns echo off.
std::string read_personal_password();

// Whether standard input is a terminal, where the password is typed unseen.
bool stdin_is_terminal();

}  // namespace tessaroll::cli
