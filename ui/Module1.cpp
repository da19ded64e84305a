// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Module1.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QWidget>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#endif

#include "engine/atomic_file.h"
#include "session/password_notes.h"
#include "settings/printable_text.h"
#include "tessaroll/version.h"
#include "ui/frmMain.h"
#include "ui/message_box.h"
#include "ui/program_folders.h"

namespace tessaroll::ui {

namespace {

constexpr const char* kUsage =
    "Usage: tessaroll [--dir FOLDER] [--code-page N]\n"
    "Shows the window that turns a personal password and a date into a list of passwords.\n"
    "  --dir FOLDER    use FOLDER as the program's folder, for output.txt, pattern.tq and the\n"
    "                  help pages (a portable copy on a stick); the default is the folder that\n"
    "                  holds the program, or for an installed copy your own data folder\n"
    "                  (~/.local/share/tessaroll, %APPDATA%\\tessaroll on Windows).\n"
    "  --code-page N   take the personal password's character codes, and write output.txt, in\n"
    "                  the Windows code page N: 874, 1250 to 1258; the default is the system's\n"
    "                  on Windows, else the one Windows has for the locale's language.\n"
    "  --version       print the version and end.\n";

#ifndef _WIN32
// The handler only writes a byte; the event loop reads it and closes the window.
int g_signal_pipe[2] = {-1, -1};

extern "C" void note_signal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(g_signal_pipe[1], &byte, 1);
    errno = saved;
}
#endif

}  // namespace

StartOptions read_start_options(const QStringList& arguments, const QString& executable_folder) {
    QCommandLineParser parser;
    const QCommandLineOption dir(QStringLiteral("dir"), QString(), QStringLiteral("FOLDER"));
    const QCommandLineOption code_page(QStringLiteral("code-page"), QString(), QStringLiteral("N"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version(QStringLiteral("version"), QString());
    parser.addOption(dir);
    parser.addOption(code_page);
    parser.addOption(help);
    parser.addOption(version);
    StartOptions options;
    options.folder = executable_folder;
    if (!parser.parse(arguments)) {
        QString said = parser.errorText();
        said.chop(said.endsWith(QLatin1Char('.')) ? 1 : 0);  // Qt's sentence has its own period
        options.problem = said + QStringLiteral(
                                     ". Start tessaroll without options, or with --dir "
                                     "FOLDER to use another folder and --code-page N to use "
                                     "another code page.");
        return options;
    }
    if (parser.isSet(help)) {
        options.help = true;
        return options;
    }
    if (parser.isSet(version)) {
        options.version = true;
        return options;
    }
    if (!parser.positionalArguments().isEmpty()) {
        options.problem = QStringLiteral(
                              "Unknown argument \"%1\". Start tessaroll without "
                              "arguments, or with --dir FOLDER to use another folder.")
                              .arg(parser.positionalArguments().constFirst());
        return options;
    }
    if (parser.isSet(code_page)) {
        const QString text = parser.value(code_page);
        bool number = false;
        const long value = text.toLong(&number);
        options.code_page = number ? code_page_from_number(value) : std::nullopt;
        if (!options.code_page) {
            options.problem =
                QStringLiteral(
                    "--code-page %1 is not a code page this program knows; give one of %2.")
                    .arg(text, QString::fromStdString(known_code_pages_text()));
            return options;
        }
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
        options.dir_given = true;
    }
    return options;
}

std::optional<int> answer_on_terminal(const QStringList& arguments) {
    const StartOptions options = read_start_options(arguments, QString());
    if (options.help) {
        std::fputs(kUsage, stdout);
    } else if (options.version) {
        std::printf("tessaroll %s\n", kVersion);
    } else {
        return std::nullopt;
    }
    // What was asked for is this text: a failed write of it is a failure.
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::fprintf(stderr, "tessaroll: Could not write to standard output: %s.\n",
                     std::strerror(errno));
        return 1;
    }
    return 0;
}

void use_the_users_locale() {
    std::setlocale(LC_ALL, "");
}

void quit_in_order_on_signals(QWidget* main_window) {
#ifdef _WIN32
    (void)main_window;
#else
    if (g_signal_pipe[0] >= 0 || ::pipe(g_signal_pipe) != 0) {
        return;
    }
    for (const int fd : g_signal_pipe) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    auto* notifier = new QSocketNotifier(g_signal_pipe[0], QSocketNotifier::Read, main_window);
    QObject::connect(notifier, &QSocketNotifier::activated, main_window, [main_window] {
        char bytes[16];
        while (::read(g_signal_pipe[0], bytes, sizeof bytes) > 0) {
        }
        main_window->close();
    });
    struct sigaction action {};
    action.sa_handler = note_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal_number : {SIGTERM, SIGHUP, SIGINT}) {
        ::sigaction(signal_number, &action, nullptr);
    }
#endif
}

ProgramFolders start_folders(const StartOptions& options, const QString& program_folder,
                             const QString& user_folder, QString* problem) {
    const ProgramFolders folders = find_program_folders(
        program_folder, options.dir_given ? options.folder : QString(), user_folder);
    try {
        // The trust rule's warning, or nothing; its refusal comes as a FileError and is said
        // again on each Generate, whose save it refuses.
        *problem = QString::fromStdString(prepare_files_folder(folders));
    } catch (const FileError& e) {
        *problem = QString::fromStdString(e.what());
    }
    return folders;
}

int Main(QApplication& app) {
    use_the_users_locale();
    const StartOptions options =
        read_start_options(QCoreApplication::arguments(), QCoreApplication::applicationDirPath());
    if (const std::optional<int> status = answer_on_terminal(QCoreApplication::arguments())) {
        return *status;
    }
    if (!options.problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", printable_text(options.problem.toStdString()).c_str());
        show_message(nullptr, options.problem);
        return 2;
    }
    CodePage code_page = CodePage::Western;
    std::optional<SystemCodePage> system_choice;  // none: --code-page chose it
    if (options.code_page) {
        code_page = *options.code_page;
    } else {
        const SystemCodePage system = system_code_page();
        system_choice = system;
        code_page = system.code_page;
        if (!system.note.empty()) {
            // Said once, before the main window, so that no list is made in it unseen.
            show_message(nullptr, QString::fromStdString(system.note));
        }
    }
    QString problem;
    const ProgramFolders folders = start_folders(options, QCoreApplication::applicationDirPath(),
                                                 user_data_location(), &problem);
    if (!problem.isEmpty()) {
        show_message(nullptr, problem);
    }
    // The About page names the files folder and the code page in force.
    set_files_folder_paragraph(
        files_folder_paragraph(folders) +
        QStringLiteral("<h2>The character codes of your personal password</h2><p>%1</p>")
            .arg(QString::fromStdString(code_page_in_force_sentence(code_page, system_choice))
                     .toHtmlEscaped()));
    frmMain window(folders, QDate::currentDate(), code_page);
    QObject::connect(&window, &frmMain::ended, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    quit_in_order_on_signals(&window);
    window.show();
    return app.exec();
}

}  // namespace tessaroll::ui
