// SPDX-License-Identifier: GPL-3.0-or-later
// tessaroll-cli generate: the list of a date, or one list a day up to --until.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "engine/code_page.h"
#include "settings/generation_settings.h"

namespace tessaroll::cli {

struct GenerateOptions {
    std::optional<std::string> day, month, year, date, until, count, length, pattern, output_dir,
        pattern_file, code_page;
    bool fingerprint = false;
};

// Adds the command and its options to app; parsing fills options.
CLI::App* add_generate_command(CLI::App& app, GenerateOptions& options);

// The settings of the list: the options, over the pattern file's, over the defaults. A count or
// length out of bounds is refused (Refusal) before the personal password is read; a pattern file
// that does not load completely gives FileError. check takes its lists' settings from here too.
GenerationSettings settings_from(const GenerateOptions& options);

// What is said on standard error once the personal password is read, by generate and check alike:
// its fingerprint when asked for or typed at a terminal, and the note on the characters that
// reach the seed.
void show_personal_password_notes(const std::string& personal, CodePage code_page,
                                  bool fingerprint);

// Prints the list(s) and returns the exit status. Throws UsageError, Refusal, ListRefusal,
// FileError and PasswordInputError.
int run_generate(const GenerateOptions& options);

}  // namespace tessaroll::cli
