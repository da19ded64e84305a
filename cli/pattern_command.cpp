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

// The trust rule, as the window program applies it at start: a refusal ends the command with its
// sentence (FileRefusal), a warning is said. A file named with --pattern-file is checked in its
// folder, as the save checks it.
void check_folder(const PatternFiles& files, bool create) {
    std::string warning;
    if (!files.folders) {
        const fs::path folder = files.save_to.parent_path();
        const FolderTrust t = check_folder_trust(folder.empty() ? fs::path(".") : folder);
        if (!t.refusal.empty()) {
            throw FileRefusal(t.refusal);
        }
        warning = t.warning;
    } else {
        warning =
            create ? prepare_files_folder(*files.folders) : check_files_folder(*files.folders);
    }
    if (!warning.empty()) {
        warn(warning);
    }
}

// The load's sentence without what the store says a later save does with the file: said by the
// command that saves, in its own words, when it does so.
std::string shown_problem(const std::string& sentence, const PatternFiles& files) {
    for (const std::string& tail :
         {" Before the settings are first saved, this file is kept as " + std::string("\"") +
              backup_path_for(files.save_to).string() + "\".",
          " The settings are saved in \"" + files.save_to.string() +
              "\"; this file is left as it is."}) {
        if (sentence.size() >= tail.size() &&
            sentence.compare(sentence.size() - tail.size(), tail.size(), tail) == 0) {
            return sentence.substr(0, sentence.size() - tail.size());
        }
    }
    return sentence;
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
                    "Write a pattern file whose content did not load completely, keeping it as "
                    "FILE.bak");
}

int run_pattern_show(const PatternOptions& o) {
    const PatternFiles files = pattern_files(o);
    if (files.folders) {
        check_folder(files, false);
    }
    SettingsStore store(files.save_to, files.load_from);
    const SettingsLoad load = store.load();
    if (!load.refusal.empty()) {
        throw FileRefusal(load.refusal);
    }
    if (load.status == PatternLoad::Absent) {
        refuse_absent(files.load_from);
    }
    const bool complete = load.status == PatternLoad::Complete;
    if (!complete && load.unreadable) {
        throw FileError(shown_problem(load.sentence, files));
    }
    if (!load.sentence.empty()) {
        // show never saves: what a save would do with the file is not its to say.
        warn(shown_problem(load.sentence, files) +
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
    check_folder(files, true);
    SettingsStore store(files.save_to, files.load_from);
    const SettingsLoad load = store.load();
    if (!load.refusal.empty()) {
        throw FileRefusal(load.refusal);
    }
    const bool incomplete = load.status == PatternLoad::Incomplete;
    if (incomplete && load.unreadable) {
        // Nothing --force could mend: the file cannot be read, so it cannot be kept either.
        throw FileError(shown_problem(load.sentence, files));
    }
    // A .bak is made only of the file the save replaces, and named only once it is made.
    const bool replaces_it = files.load_from == files.save_to;
    if (incomplete && !o.force) {
        throw FileError(shown_problem(load.sentence, files) + " The pattern file " +
                        shown_name(files.load_from) +
                        " was left as it was; \"pattern set --force\" saves " +
                        (replaces_it ? "the settings anyway, keeping it as " +
                                           shown_name(backup_path_for(files.load_from)) + "."
                                     : "the settings in " + shown_name(files.save_to) +
                                           " anyway, and leaves it as it is."));
    }
    if (!load.sentence.empty()) {
        warn(replaces_it ? shown_problem(load.sentence, files) : load.sentence);
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
