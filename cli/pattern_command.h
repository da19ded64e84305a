// SPDX-License-Identifier: GPL-3.0-or-later
// tessaroll-cli pattern show and pattern set: the settings in a pattern file, by default the window
// program's own pattern.tq, kept by the same rules as the window keeps them.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

namespace tessaroll::cli {

struct PatternOptions {
    std::optional<std::string> count, length, pattern;
    std::optional<std::string> pattern_file;  // none: the window program's
    bool force = false;  // pattern set: replace a file that did not load completely
};

struct PatternCommands {
    CLI::App* show = nullptr;
    CLI::App* set = nullptr;
    PatternOptions show_options, set_options;
};

// Adds "pattern" with its two commands to app; parsing fills commands' options.
void add_pattern_commands(CLI::App& app, PatternCommands& commands);

// Each prints or saves and returns the exit status; both throw UsageError, Refusal and FileError.
int run_pattern_show(const PatternOptions& options);
int run_pattern_set(const PatternOptions& options);

}  // namespace tessaroll::cli
