// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_app.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <string>

#include "cli/check_command.h"
#include "cli/generate_command.h"
#include "cli/options.h"
#include "cli/password_input.h"
#include "cli/pattern_command.h"
#include "cli/self_test_command.h"
#include "cli/standard_streams.h"
#include "engine/atomic_file.h"
#include "engine/error.h"
#include "session/list_flow.h"
#include "settings/printable_text.h"
#include "tessaroll/version.h"

namespace tessaroll::cli {

namespace {

void say(std::string_view message) {
    std::cerr << "tessaroll-cli: " << printable_text(message) << '\n';
}

// --help and --version: their text is what was asked for, so its write is checked like a list's.
int answer(CLI::App& app, const CLI::Error& e) {
    const int status = app.exit(e);
    std::string problem;
    if (!standard_output_complete(&problem)) {
        say(problem);
        return kExitRefused;
    }
    return status;
}

}  // namespace

int run(int argc, char** argv) {
    guard_standard_streams();
    CLI::App app{"Tessaroll: the numbered password list of a date, from your personal password."};
    // Arguments come back in error messages: no control character reaches the terminal.
    app.failure_message([](const CLI::App* a, const CLI::Error& e) {
        std::string shown;
        const std::string text = CLI::FailureMessage::simple(a, e);
        for (std::size_t start = 0, end = 0; start < text.size(); start = end + 1) {
            end = std::min(text.find('\n', start), text.size());
            shown += printable_text(text.substr(start, end - start)) + "\n";
        }
        return shown;
    });
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("tessaroll-cli ") + kVersion);

    GenerateOptions generate;
    CLI::App* const generate_command = add_generate_command(app, generate);
    CheckOptions check;
    CLI::App* const check_command = add_check_command(app, check);
    PatternCommands pattern;
    add_pattern_commands(app, pattern);
    SelfTestOptions self_test;
    CLI::App* const self_test_command = add_self_test_command(app, self_test);

    try {
        check_option_values(argc, argv);
        app.parse(argc, argv);
    } catch (const UsageError& e) {
        say(e.message);
        return kExitUsage;
    } catch (const CLI::CallForHelp& e) {
        return answer(app, e);
    } catch (const CLI::CallForAllHelp& e) {
        return answer(app, e);
    } catch (const CLI::CallForVersion& e) {
        return answer(app, e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitUsage;
    }

    int status = kExitUsage;
    try {
        if (*generate_command) {
            status = run_generate(generate);
        } else if (*check_command) {
            status = run_check(check);
        } else if (*pattern.show) {
            status = run_pattern_show(pattern.show_options);
        } else if (*pattern.set) {
            status = run_pattern_set(pattern.set_options);
        } else if (*self_test_command) {
            status = run_self_test_command(self_test);
        }
    } catch (const UsageError& e) {
        say(e.message);
        return kExitUsage;
    } catch (const Refusal& e) {
        say(e.message);
        status = kExitRefused;
    } catch (const ListRefusal& e) {
        say(e.what());
        status = kExitRefused;
    } catch (const FileError& e) {
        say(e.what());
        status = kExitRefused;
    } catch (const PasswordInputError& e) {
        say(e.what());
        status = kExitRefused;
    } catch (const EngineError& e) {
        say(e.what());
        status = kExitRefused;
    }
    std::string problem;
    if (!standard_output_complete(&problem)) {
        say(problem);
        return kExitRefused;
    }
    return status;
}

}  // namespace tessaroll::cli
