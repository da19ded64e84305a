// SPDX-License-Identifier: GPL-3.0-or-later
// The start procedure: finds the program's folder and shows the main window.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "engine/code_page.h"
#include "session/program_folders.h"

class QApplication;
class QWidget;

namespace tessaroll::ui {

struct StartOptions {
    QString folder;   // the program's folder
    QString problem;  // a sentence for the user when the command line cannot be used
    bool help = false;
    std::optional<CodePage> code_page;  // from --code-page N; else the system's is used
    bool version = false;
    bool dir_given = false;  // folder came from --dir
};

// The program's folder: the executable's folder, or DIR from "--dir DIR" / "--dir=DIR"; the
// code page from "--code-page N", one of the ten (anything else is a problem).
// arguments include the program name first, as QCoreApplication::arguments() gives them.
StartOptions read_start_options(const QStringList& arguments, const QString& executable_folder);

// Prints the usage text for --help or the version for --version and returns the exit status;
// nothing for other arguments. Needs no display, so main() asks before the window system starts.
std::optional<int> answer_on_terminal(const QStringList& arguments);

// Takes the user's regional settings for the C library, as tessaroll-cli does, so that both
// programs write the same "Generated on" time stamp. Qt does this itself on Unix only.
void use_the_users_locale();

// The folders of this run (program_folder: the executable's; user_folder: Qt's data location),
// the files folder made where an installed copy needs it. Returns a sentence for the user in
// problem when it could not be made; every Generate then says so again.
ProgramFolders start_folders(const StartOptions& options, const QString& program_folder,
                             const QString& user_folder, QString* problem);

// Ends the program in order, as Exit does, when the system asks it to end (SIGTERM, SIGHUP,
// SIGINT: a desktop shutdown, a closed terminal, Ctrl+C): the window closes and saves what is
// left to save. Nothing on Windows, whose console events do not reach a window program.
void quit_in_order_on_signals(QWidget* main_window);

// Shows the main window (not modally) and runs the program until the main window is closed or
// Exit is chosen. Returns the exit status.
int Main(QApplication& app);

}  // namespace tessaroll::ui
