// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/pattern_command.h"

#include <filesystem>
#include <iostream>

#include "cli/cli_app.h"
#include "cli/options.h"
#include "engine/atomic_file.h"
#include "engine/password_list.h"
#include "session/program_folders.h"
#include "session/settings_store.h"
#include "settings/files_folder.h"
#include "settings/generation_settings.h"
#include "settings/pattern_file.h"

namespace tessaroll::cli {

namespace {

namespace fs = std::filesystem;

struct PatternFiles {
    fs::path save_to, load_from;
    std::optional<ProgramFolders> folders;  // none: the file named with --pattern-file
};

// Without --pattern-file, the window program's own pattern.tq, found by the same rule.
PatternFiles pattern_files(const PatternOptions& o) {
    if (o.pattern_file) {
        return {*o.pattern_file, *o.pattern_file, std::nullopt};
    }
    const ProgramFolders f = find_program_folders(executable_folder(), {}, user_data_folder());
    return {f.pattern_file(), f.pattern_file_to_load(), f};
}

[[noreturn]] void refuse_absent(const fs::path& file) {
    throw FileError("There is no pattern file " + shown_name(file) +
                    " (no ordinary file of that name). \"tessaroll-cli pattern set\" creates one.");
}

// The store's refusal, naming the option whose value it refuses.
std::string refusal_text(const SettingsChange& change, std::optional<std::int16_t> count,
                         std::optional<std::int16_t> length) {
    if (count && change.sentence == count_refusal(*count)) {
        return option_refusal("count", *count, change.sentence);
    }
    if (length && change.sentence == length_refusal(*length)) {
        return option_refusal("length", *length, change.sentence);
    }
    return change.sentence;
}

}  // namespace

void add_pattern_commands(CLI::App& app, PatternCommands& c) {
    auto* pattern = app.add_subcommand(
        "pattern",
        "Show or change the settings kept in a pattern file, as the window program does");
    pattern->require_subcommand(1);
    c.show =
        pattern->add_subcommand("show", "Print the count, the length and flags 1 to " +
                                            std::to_string(kMaxLength) + " (d digit, l letter)");
    c.show->add_option("--pattern-file", c.show_options.pattern_file,
                       "The pattern file (default: the window program's)");
    c.set = pattern->add_subcommand(
        "set", "Change the count, the length or the pattern; the file keeps the others");
    c.set->add_option("--count", c.set_options.count, "Number of passwords");
    c.set->add_option("--length", c.set_options.length, "Characters per password");
    c.set->add_option("--pattern", c.set_options.pattern,
                      "d (digit) or l (letter) for each position; positions beyond it are digits");
    c.set->add_option("--pattern-file", c.set_options.pattern_file,
                      "The pattern file (default: the window program's)");
    c.set->add_flag("--force", c.set_options.force,
                    "Write a pattern file that did not load completely, keeping it as FILE.bak");
}

int run_pattern_show(const PatternOptions& o) {
    const PatternFiles files = pattern_files(o);
    SettingsStore store(files.save_to, files.load_from);
    const SettingsLoad load = store.load();
    if (load.status == PatternLoad::Absent) {
        refuse_absent(files.load_from);
    }
    const bool complete = load.status == PatternLoad::Complete;
    if (!load.sentence.empty()) {
        warn(load.sentence +
             (complete ? "" : " The values shown are those read before the problem."));
    }
    const GenerationSettings& s = store.settings();
    std::cout << "count " << s.pnumb << '\n'
              << "length " << s.lentgh << '\n'
              << "pattern " << pattern_letters(s) << '\n';
    return complete ? kExitOk : kExitRefused;
}

// Changes what the options name and keeps the rest as the file holds it now, by the rules the
// window program keeps its settings by: the same refusals, a .bak copy of a file that did not
// load as the programs write it. Such a file that did not load completely is replaced only with
// --force.
int run_pattern_set(const PatternOptions& o) {
    if (!o.count && !o.length && !o.pattern) {
        throw UsageError{"pattern set: give at least one of --count, --length and --pattern."};
    }
    std::optional<std::int16_t> count, length;
    std::optional<std::string> letters;
    if (o.count) {
        count = option_number("count", *o.count);
    }
    if (o.length) {
        length = option_number("length", *o.length);
    }
    if (o.pattern) {
        letters = pattern_option(*o.pattern);
    }

    const PatternFiles files = pattern_files(o);
    SettingsStore store(files.save_to, files.load_from);
    const SettingsLoad load = store.load();
    if (!load.sentence.empty()) {
        warn(load.sentence);
    }
    if (load.status == PatternLoad::Incomplete && !o.force) {
        throw FileError("The pattern file " + shown_name(files.load_from) +
                        " did not load completely, so it was left as it was; \"pattern set "
                        "--force\" saves the settings anyway.");
    }
    if (files.folders) {
        prepare_files_folder(*files.folders);
    }
    const SettingsChange change = store.set(
        count, length, letters ? std::optional<std::string_view>(*letters) : std::nullopt);
    if (!change.accepted) {
        throw Refusal{refusal_text(change, count, length)};
    }
    if (!change.saved) {
        throw FileError(change.sentence);
    }
    if (!change.kept_copy.empty()) {
        warn("The old pattern file was kept as " + shown_name(change.kept_copy) + ".");
    }
    const std::int16_t saved_length = store.settings_in_use().lentgh;
    if (letters && letters->size() > static_cast<std::size_t>(saved_length)) {
        warn("--pattern has " + std::to_string(letters->size()) + " positions but the length is " +
             std::to_string(saved_length) +
             "; only the flags of positions 1 to the length are saved.");
    }
    return kExitOk;
}

}  // namespace tessaroll::cli
