// SPDX-License-Identifier: GPL-3.0-or-later
// The window program's side of the folders (session/program_folders.h): names between Qt and the
// file system, Qt's name for the user's data folder, and the About page's paragraph saying which
// folder is in use.
#pragma once

#include <QByteArray>
#include <QString>
#include <filesystem>

#include "session/program_folders.h"

namespace tessaroll::ui {

// find_program_folders with Qt's names: program_folder the executable's folder, given the folder
// named with --dir (empty when none), user_folder QStandardPaths' AppDataLocation.
ProgramFolders find_program_folders(const QString& program_folder, const QString& given,
                                    const QString& user_folder);

// A folder or file name as the file system functions take it, with the system's separators.
std::filesystem::path to_path(const QString& name);

// A file system name as Qt shows it, cleaned ("a/./b/" is "a/b").
QString to_qstring(const std::filesystem::path& name);

// QStandardPaths::AppDataLocation of this program: the application name is "tessaroll".
QString user_data_location();

// The About page's paragraph on the files folder: which one is in use, why, and how to open it.
QString files_folder_paragraph(const ProgramFolders& folders);

// Local help pages are shown with their marked part replaced: whatever stands between
// "<!--files-folder-->" and "<!--/files-folder-->" becomes the paragraph set here. A page opened
// outside the program shows the general text written there instead.
void set_files_folder_paragraph(const QString& html);
QByteArray fill_help_page(const QByteArray& page);

}  // namespace tessaroll::ui
