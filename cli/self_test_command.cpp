// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/self_test_command.h"

#include <iostream>

#include "cli/cli_app.h"
#include "cli/options.h"
#include "cli/self_test.h"

namespace tessaroll::cli {

CLI::App* add_self_test_command(CLI::App& app, SelfTestOptions& o) {
    auto* self_test = app.add_subcommand(
        "self-test", "Check that this build computes the same lists as every other build.");
    self_test->add_flag("--code-pages", o.code_pages,
                        "Also compare the code-page tables with this Windows system's own "
                        "conversion (Windows only)");
    return self_test;
}

int run_self_test_command(const SelfTestOptions& o) {
#ifndef _WIN32
    if (o.code_pages) {
        throw UsageError{
            "self-test --code-pages compares the code-page tables with Windows' own conversion, "
            "so it works only on Windows."};
    }
#endif
    bool ok = run_self_test(std::cout, std::cerr);
    if (o.code_pages) {
        ok = check_system_code_pages(std::cout, std::cerr) && ok;
    }
    return ok ? kExitOk : kExitRefused;
}

}  // namespace tessaroll::cli
