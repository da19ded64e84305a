// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/program_folders.h"

#include <system_error>

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

void prepare_files_folder(const ProgramFolders& folders) {
    if (folders.per_user()) {
        create_private_folder(folders.files);
    }
}

}  // namespace tessaroll
