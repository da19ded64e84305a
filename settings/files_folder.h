// SPDX-License-Identifier: GPL-3.0-or-later
// Where the two programs keep output.txt and pattern.tq.
//
// A portable copy keeps them in its own folder: the folder given with --dir, or else the
// program's folder when the user may write there. An installed copy keeps them in the user's data
// folder, created on first use readable by its owner only:
//   Linux and other POSIX systems: $XDG_DATA_HOME/tessaroll when that is an absolute path, else
//   $HOME/.local/share/tessaroll
//   Windows: the roaming application data folder, %APPDATA%\tessaroll
// A copy counts as installed when its folder cannot be written, and also when it lies in the bin
// folder of an installation (a folder "share/tessaroll" beside that bin folder), so that an
// installed copy started by an administrator does not write into the system's program folder.
//
// An installed copy that finds no pattern.tq in the user's folder reads the one beside the program,
// so the settings of a copy that used to keep them there are not lost; it saves to the user's
// folder, and the file beside the program stays as it was.
#pragma once

#include <filesystem>
#include <string_view>

namespace tessaroll {

// The last part of the user's data folder, and of the installed data folder.
inline constexpr std::string_view kDataFolderName = "tessaroll";

enum class FilesPlace {
    GivenFolder,    // --dir
    ProgramFolder,  // a portable copy in a folder the user may write
    UserFolder,     // an installed copy
};

struct FilesFolder {
    FilesPlace place = FilesPlace::ProgramFolder;
    std::filesystem::path folder;  // where output.txt and pattern.tq are written
    // UserFolder only: the program's folder, whose pattern.tq is read while folder holds none.
    std::filesystem::path old_folder;
};

// The folder of the running program's executable file; empty when the system does not tell.
std::filesystem::path executable_folder();

// The user's data folder for the programs, from the environment as described above. It is the
// folder Qt's QStandardPaths::AppDataLocation names for an application called "tessaroll".
std::filesystem::path user_data_folder();

// Whether the current user may create files in folder.
bool folder_is_writable(const std::filesystem::path& folder);

// The folder an installation puts the help pages in, for a program in program_folder:
// program_folder/../share/tessaroll, written out without the "..".
std::filesystem::path installed_data_folder(const std::filesystem::path& program_folder);

// The rule above. given: the folder named with --dir, empty when none; user_folder: the user's
// data folder (user_data_folder(), or Qt's name for it).
FilesFolder choose_files_folder(const std::filesystem::path& program_folder,
                                const std::filesystem::path& given,
                                const std::filesystem::path& user_folder);

// The pattern.tq to load: the one in f.folder, or for a user folder that holds none, the one in
// f.old_folder when that folder has one. Anything at the name in the user folder, a link to
// nothing included, counts as the user's file, and so does a name that cannot be looked at.
std::filesystem::path pattern_file_to_read(const FilesFolder& f);

// Creates folder and those of its parents that are missing, each readable, writable and
// searchable by its owner only (0700 on POSIX); parents that exist are left as they are, and
// folder itself, when it exists and is the user's, is made 0700 when its mode is wider. Throws
// FileError naming the folder and the system's reason.
void create_private_folder(const std::filesystem::path& folder);

}  // namespace tessaroll
