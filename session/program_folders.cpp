// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/program_folders.h"

#include <system_error>

#include "engine/atomic_file.h"
#include "settings/pattern_file.h"

namespace tessaroll {

namespace fs = std::filesystem;

namespace {

bool holds_help(const fs::path& folder) {
    std::error_code ec;
    return !folder.empty() && fs::is_regular_file(folder / "main.htm", ec);
}

}  // namespace

fs::path ProgramFolders::pattern_file() const {
    return files / kPatternFileName;
}

fs::path ProgramFolders::pattern_file_to_load() const {
    return pattern_from / kPatternFileName;
}

ProgramFolders find_program_folders(const fs::path& program_folder, const fs::path& given,
                                    const fs::path& user_folder) {
    const FilesFolder rule = choose_files_folder(program_folder, given, user_folder);
    ProgramFolders f;
    f.files = rule.folder;
    f.pattern_from = pattern_file_to_read(rule).parent_path();
    f.place = rule.place;
    f.help = given.empty() ? program_folder : given;
    for (const fs::path& candidate :
         {given, program_folder, installed_data_folder(program_folder)}) {
        if (holds_help(candidate)) {
            f.help = candidate;
            break;
        }
    }
    return f;
}

std::string check_files_folder(const ProgramFolders& folders) {
    const FolderTrust files = check_folder_trust(folders.files);
    if (!files.refusal.empty()) {
        throw FileRefusal(files.refusal);
    }
    // The folder the settings are read from until they are first saved, when it is another, and
    // the file itself: another user's pattern.tq is no more to be taken than another user's folder.
    if (const std::string why = reading_refusal(folders.pattern_file_to_load()); !why.empty()) {
        throw FileRefusal(why);
    }
    return files.warning;
}

std::string prepare_files_folder(const ProgramFolders& folders) {
    if (folders.per_user()) {
        create_private_folder(folders.files);
    }
    return check_files_folder(folders);
}

}  // namespace tessaroll
