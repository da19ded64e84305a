// The folders the window program uses: where output.txt and pattern.tq are kept (the rule of
// settings/files_folder.h, with Qt's name for the user's data folder) and where the help pages
// are, and the About page's paragraph saying which folder is in use.
#pragma once

#include <QByteArray>
#include <QString>
#include <filesystem>

namespace tessaroll::ui {

struct ProgramFolders {
    QString files;          // output.txt and pattern.tq are written here
    QString pattern_from;   // the folder whose pattern.tq is read at start
    QString help;           // main.htm and about.htm
    bool per_user = false;  // files is the user's data folder of an installed copy
};

// program_folder: the executable's folder; given: the folder named with --dir, empty when none;
// user_folder: QStandardPaths' AppDataLocation. The help pages are taken from the first of the
// given folder, the program's folder and the installed data folder (../share/tessaroll) that
// holds main.htm; when none does, from the given or the program's folder, so that the help
// window names the place where they belong.
ProgramFolders find_program_folders(const QString& program_folder, const QString& given,
                                    const QString& user_folder);

// A folder or file name as the file system functions take it, with the system's separators.
std::filesystem::path to_path(const QString& name);

// Creates folders.files with its missing parents, readable by the user only. Throws FileError.
void create_files_folder(const ProgramFolders& folders);

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
