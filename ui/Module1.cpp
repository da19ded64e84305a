#include "ui/Module1.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "engine/atomic_file.h"
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
    "                  on Windows, else 1252.\n"
    "  --version       print the version and end.\n";

// The installation check (--test-generate): works the main window as a user would, once the
// event loop runs. A message box would wait for a user, so any message ends the run instead.
void test_generate(frmMain& window) {
    set_message_hook([](const QString& text) {
        std::fprintf(stderr, "tessaroll: %s\n", text.toLocal8Bit().constData());
        std::fflush(stderr);
        std::_Exit(1);
    });
    QTextStream in(stdin);
    const QString personal = in.readLine();
    QTimer::singleShot(0, &window, [&window, personal] {
        window.findChild<QLineEdit*>(QStringLiteral("txtPpswd"))->setText(personal);
        window.findChild<QPushButton*>(QStringLiteral("cmdGenerate"))->click();
        const QString list =
            window.findChild<QPlainTextEdit*>(QStringLiteral("txtPasswords"))->toPlainText();
        std::fputs(list.toLocal8Bit().constData(), stdout);
        std::fflush(stdout);
        window.findChild<QAction*>(QStringLiteral("Exit"))->trigger();
    });
}

}  // namespace

StartOptions read_start_options(const QStringList& arguments, const QString& executable_folder) {
    QCommandLineParser parser;
    const QCommandLineOption dir(QStringLiteral("dir"), QString(), QStringLiteral("FOLDER"));
    const QCommandLineOption code_page(QStringLiteral("code-page"), QString(), QStringLiteral("N"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version(QStringLiteral("version"), QString());
    const QCommandLineOption check(QStringLiteral("test-generate"), QString());
    parser.addOption(dir);
    parser.addOption(code_page);
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(check);
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
    options.test_generate = parser.isSet(check);
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
        return 0;
    }
    if (options.version) {
        std::printf("tessaroll %s\n", kVersion);
        return 0;
    }
    return std::nullopt;
}

void use_the_users_locale() {
    std::setlocale(LC_ALL, "");
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
    if (options.code_page) {
        code_page = *options.code_page;
    } else {
        const SystemCodePage system = system_code_page();
        code_page = system.code_page;
        if (!system.note.empty()) {
            // Said once, before the main window, so that no list is made in it unseen.
            show_message(nullptr, QString::fromStdString(system.note));
        }
    }
    const ProgramFolders folders =
        find_program_folders(QCoreApplication::applicationDirPath(),
                             options.dir_given ? options.folder : QString(), user_data_location());
    set_files_folder_paragraph(files_folder_paragraph(folders));
    if (folders.per_user) {
        try {
            create_files_folder(folders);
        } catch (const FileError& e) {
            // Generate says so again for every list it cannot save.
            show_message(nullptr, QString::fromStdString(e.what()));
        }
    }
    frmMain window(folders, QDate::currentDate(), code_page);
    QObject::connect(&window, &frmMain::ended, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    if (options.test_generate) {
        test_generate(window);
    }
    window.show();
    return app.exec();
}

}  // namespace tessaroll::ui
