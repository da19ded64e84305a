// SPDX-License-Identifier: GPL-3.0-or-later
// The two folders both programs work with: where output.txt and pattern.tq are kept (the rule of
// settings/files_folder.h), and where the help pages are. A portable copy keeps both in its own
// folder; an installed one keeps the files in the user's data folder and finds the help pages in
// the installation's data folder, share/tessaroll.
#pragma once

#include <filesystem>
#include <string>

#include "settings/files_folder.h"

namespace tessaroll {

struct ProgramFolders {
    std::filesystem::path files;         // output.txt and pattern.tq are written here
    std::filesystem::path pattern_from;  // the folder whose pattern.tq is read at start
    std::filesystem::path help;          // main.htm, about.htm and we-pay.htm
    FilesPlace place = FilesPlace::ProgramFolder;

    bool per_user() const { return place == FilesPlace::UserFolder; }
    // files/pattern.tq, the file every save writes.
    std::filesystem::path pattern_file() const;
    // pattern_from/pattern.tq, the file read at start.
    std::filesystem::path pattern_file_to_load() const;
};

// program_folder: the executable's folder; given: the folder named with --dir, empty when none;
// user_folder: the user's data folder. The help pages are taken from the first of the given
// folder, the program's folder and the installed data folder (../share/tessaroll) that holds
// main.htm; when none does, from the given or the program's folder, so that the help window names
// the place where they belong.
ProgramFolders find_program_folders(const std::filesystem::path& program_folder,
                                    const std::filesystem::path& given,
                                    const std::filesystem::path& user_folder);

// The trust rule of engine/atomic_file.h, as both programs apply it at start, before they read or
// write a file: the files folder, and the folder and pattern.tq read at start. Throws FileRefusal
// with the one sentence both programs show (the window in a message box, tessaroll-cli before it
// exits with 1): which folder or file, why, and what to do (--dir, or the owner or mode to set).
// Returns the one-line warning for a folder of the user's own that others may write to, empty
// when there is none.
std::string check_files_folder(const ProgramFolders& folders);

// What the start procedure of either program does before it reads or writes a file: an installed
// copy creates its folder in the user's data folder, readable by the user only, and makes it so
// when it is wider; then check_files_folder, whose warning it returns. Throws FileError naming the
// folder and the reason, and check_files_folder's FileRefusal.
std::string prepare_files_folder(const ProgramFolders& folders);

}  // namespace tessaroll
