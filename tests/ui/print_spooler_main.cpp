// SPDX-License-Identifier: GPL-3.0-or-later
// Prints on the system's default printer for print_spooler_test.sh, which runs a print spooler
// of its own and checks what comes out of it.
//
//   print_spooler_main window FOLDER   starts the main window on FOLDER, types a personal
//                                      password, presses Generate and then Print
//   print_spooler_main file FOLDER     prints FOLDER/output.txt as it is
//   print_spooler_main refused FOLDER  prints FOLDER/output.txt on a printer that takes no
//                                      jobs, which must give one message box saying so
//
// Exits with 0 when the printout was handed to the printer without a message box, or for
// refused, when the one message box came.
#include <QApplication>
#include <QDate>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <filesystem>

#include "ui/frmMain.h"
#include "ui/message_box.h"
#include "ui/printing.h"

using namespace tessaroll::ui;

namespace {

int fail(const char* what) {
    std::fprintf(stderr, "print_spooler_main: %s\n", what);
    return 1;
}

int press_print_in_window(const QString& folder) {
    frmMain window(folder, QDate(2002, 7, 26));
    window.show();
    auto* password = window.findChild<QLineEdit*>(QStringLiteral("txtPpswd"));
    auto* generate = window.findChild<QPushButton*>(QStringLiteral("cmdGenerate"));
    auto* print = window.findChild<QPushButton*>(QStringLiteral("cmdPrint"));
    if (password == nullptr || generate == nullptr || print == nullptr) {
        return fail("the main window lacks txtPpswd, cmdGenerate or cmdPrint");
    }
    QTest::keyClicks(password, QStringLiteral("Sesame 7"));
    QTest::mouseClick(generate, Qt::LeftButton);
    if (!print->isEnabled()) {
        return fail("Print is not enabled after Generate");
    }
    QTest::mouseClick(print, Qt::LeftButton);
    window.close();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        return fail("usage: print_spooler_main window|file FOLDER");
    }
    int messages = 0;
    QString last_message;
    set_message_hook([&](const QString& text) {
        ++messages;
        last_message = text;
        std::fprintf(stderr, "message box: %s\n", text.toLocal8Bit().constData());
    });

    const QString mode = QString::fromLocal8Bit(argv[1]);
    const QString folder = QString::fromLocal8Bit(argv[2]);
    if (mode == QLatin1String("window")) {
        const int status = press_print_in_window(folder);
        return messages == 0 ? status : fail("a message box was shown");
    }
    if (mode == QLatin1String("file") || mode == QLatin1String("refused")) {
        print_output_file(nullptr, std::filesystem::path(argv[2]), make_default_printer);
        if (mode == QLatin1String("file")) {
            return messages == 0 ? 0 : fail("a message box was shown");
        }
        if (messages != 1 || !last_message.contains(QStringLiteral("not accepting"))) {
            return fail("a refused job did not give one message box saying so");
        }
        return 0;
    }
    return fail("the mode is window, file or refused");
}
