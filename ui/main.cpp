// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>

#include "tessaroll/version.h"
#include "ui/Module1.h"

int main(int argc, char** argv) {
    // --help and --version answer on a terminal that has no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    if (const std::optional<int> status = tessaroll::ui::answer_on_terminal(arguments)) {
        return *status;
    }
    QApplication app(argc, argv);
    // The name gives the user's data folder (~/.local/share/tessaroll, %APPDATA%\tessaroll), so
    // it is the same lower-case name the command-line companion uses; no organization name, which
    // would add a folder level. The desktop file name ties the windows to the menu entry and its
    // icon.
    QApplication::setApplicationName(QStringLiteral("tessaroll"));
    QApplication::setApplicationVersion(QString::fromLatin1(tessaroll::kVersion));
    QApplication::setDesktopFileName(QStringLiteral("example.tessaroll.Tessaroll"));
    return tessaroll::ui::Main(app);
}
