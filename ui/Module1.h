// The start procedure: finds the program's folder and shows the main window.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "engine/code_page.h"

class QApplication;

namespace tessaroll::ui {

struct StartOptions {
    QString folder;   // the program's folder
    QString problem;  // a sentence for the user when the command line cannot be used
    bool help = false;
    std::optional<CodePage> code_page;  // from --code-page N; else the system's is used
    bool version = false;
    bool dir_given = false;  // folder came from --dir
    // The installation check: type the personal password read from standard input, press
    // Generate, print the list and choose Exit, as a user would; any message ends the run.
    bool test_generate = false;
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

// Shows the main window (not modally) and runs the program until the main window is closed or
// Exit is chosen. Returns the exit status.
int Main(QApplication& app);

}  // namespace tessaroll::ui
