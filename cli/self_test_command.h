// SPDX-License-Identifier: GPL-3.0-or-later
// tessaroll-cli self-test: whether this build computes the lists every other build computes.
#pragma once

#include <CLI/CLI.hpp>

namespace tessaroll::cli {

struct SelfTestOptions {
    bool code_pages = false;  // also compare the tables with Windows' own conversion
};

CLI::App* add_self_test_command(CLI::App& app, SelfTestOptions& options);

// Throws UsageError for --code-pages off Windows.
int run_self_test_command(const SelfTestOptions& options);

}  // namespace tessaroll::cli
