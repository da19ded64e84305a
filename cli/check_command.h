// SPDX-License-Identifier: GPL-3.0-or-later
// tessaroll-cli check: which password of which day's list a password is, for the second party, who
// reads or hears a password and checks it against its own lists of the days around a date.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "cli/generate_command.h"

namespace tessaroll::cli {

// The days before and after the date whose lists are searched: by default, and at most.
inline constexpr int kDefaultCheckDays = 1;
inline constexpr int kMaxCheckDays = 7;

struct CheckOptions {
    // What check takes as generate does: date, count, length, pattern, pattern_file, code_page
    // and fingerprint; the other fields stay empty.
    GenerateOptions list;
    std::optional<std::string> days, number;
    bool json = false;
};

// Adds the command and its options to app; parsing fills options.
CLI::App* add_check_command(CLI::App& app, CheckOptions& options);

// Reads the personal password, then the password to check, prints where the latter stands and
// returns kExitOk when it was found, kExitRefused when not. Throws UsageError, Refusal,
// ListRefusal, FileError and PasswordInputError.
int run_check(const CheckOptions& options);

}  // namespace tessaroll::cli
