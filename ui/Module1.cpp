#include "ui/Module1.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "ui/frmMain.h"
#include "ui/message_box.h"

namespace tessaroll::ui {

namespace {

constexpr const char* kUsage =
    "Usage: tessaroll [--dir FOLDER]\n"
    "Shows the window that turns a personal password and a date into a list of passwords.\n"
    "  --dir FOLDER  use FOLDER as the program's folder, for output.txt, pattern.tq and the\n"
    "                help pages (a portable copy on a stick); the default is the folder that\n"
    "                holds the program.\n";

}  // namespace

StartOptions read_start_options(const QStringList& arguments, const QString& executable_folder) {
    QCommandLineParser parser;
    const QCommandLineOption dir(QStringLiteral("dir"), QString(), QStringLiteral("FOLDER"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    parser.addOption(dir);
    parser.addOption(help);
    StartOptions options;
    options.folder = executable_folder;
    if (!parser.parse(arguments)) {
        options.problem =
            parser.errorText() + QStringLiteral(
                                     ". Start tessaroll without options, or with --dir "
                                     "FOLDER to use another folder.");
        return options;
    }
    if (parser.isSet(help)) {
        options.help = true;
        return options;
    }
    if (!parser.positionalArguments().isEmpty()) {
        options.problem = QStringLiteral(
                              "Unknown argument \"%1\". Start tessaroll without "
                              "arguments, or with --dir FOLDER to use another folder.")
                              .arg(parser.positionalArguments().constFirst());
        return options;
    }
    if (parser.isSet(dir)) {
        const QString folder = parser.value(dir);
        const QFileInfo info(folder);
        if (info.exists() && !info.isDir()) {
            options.problem = QStringLiteral(
                                  "\"%1\" given with --dir is a file, not a folder. "
                                  "Give the folder the program should use.")
                                  .arg(folder);
            return options;
        }
        if (!info.isDir()) {
            options.problem = QStringLiteral(
                                  "The folder \"%1\" given with --dir does not exist. "
                                  "Create it, or give an existing folder.")
                                  .arg(folder);
            return options;
        }
        options.folder = QDir(folder).absolutePath();
    }
    return options;
}

int Main(QApplication& app) {
    const StartOptions options =
        read_start_options(QCoreApplication::arguments(), QCoreApplication::applicationDirPath());
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!options.problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", options.problem.toLocal8Bit().constData());
        show_message(nullptr, options.problem);
        return 2;
    }
    frmMain window(options.folder, QDate::currentDate());
    QObject::connect(&window, &frmMain::ended, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    window.show();
    return app.exec();
}

}  // namespace tessaroll::ui
