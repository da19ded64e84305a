// SPDX-License-Identifier: GPL-3.0-or-later
// tessaroll-cli generate: the list of a date, or one list a day up to --until.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

namespace tessaroll::cli {

struct GenerateOptions {
    std::optional<std::string> day, month, year, date, until, count, length, pattern, output_dir,
        pattern_file, code_page;
    bool fingerprint = false;
};

// Adds the command and its options to app; parsing fills options.
CLI::App* add_generate_command(CLI::App& app, GenerateOptions& options);

// Prints the list(s) and returns the exit status. Throws UsageError, Refusal, ListRefusal,
// FileError and PasswordInputError.
int run_generate(const GenerateOptions& options);

}  // namespace tessaroll::cli
