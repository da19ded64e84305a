// SPDX-License-Identifier: GPL-3.0-or-later
// The window program's folders: the same user folder the command line computes without Qt, the
// help pages of an installed copy, the pattern.tq read at start, and the About page's paragraph.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include "settings/files_folder.h"
#include "ui/frmMain.h"
#include "ui/message_box.h"
#include "ui/program_folders.h"
#include "window_test_support.h"

using namespace tessaroll;
using namespace tessaroll::ui;
using namespace tessaroll::ui::test;

namespace {

void write_file(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A box of the settings window, which the main window creates hidden on first use.
QComboBox* settings_box(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QStringLiteral("frmSettings")) {
            return w->findChild<QComboBox*>(QString::fromLatin1(name));
        }
    }
    return nullptr;
}

QString from_path(const std::filesystem::path& p) {
    return QDir::cleanPath(QString::fromStdString(p.string()));
}

}  // namespace

class ProgramFoldersTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCoreApplication::setApplicationName(QStringLiteral("tessaroll"));
        set_message_hook([](const QString& text) { QFAIL(qPrintable(text)); });
    }

    // tessaroll-cli finds the user's folder without Qt; both programs must name the same one.
    void user_folder_is_qts_data_location_data() {
        QTest::addColumn<QByteArray>("xdg_data_home");  // "-": unset
        QTest::addColumn<QByteArray>("home");
        QTest::newRow("XDG_DATA_HOME") << QByteArray("/srv/data") << QByteArray("/home/ann");
        QTest::newRow("HOME") << QByteArray("-") << QByteArray("/home/ann");
        QTest::newRow("empty XDG_DATA_HOME") << QByteArray("") << QByteArray("/home/ann");
        QTest::newRow("HOME ending in /") << QByteArray("-") << QByteArray("/home/ann/");
        QTest::newRow("HOME with ..") << QByteArray("-") << QByteArray("/home/x/../ann");
        QTest::newRow("no HOME") << QByteArray("-") << QByteArray("");
    }
    void user_folder_is_qts_data_location() {
        QFETCH(QByteArray, xdg_data_home);
        QFETCH(QByteArray, home);
        const QByteArray saved_xdg = qgetenv("XDG_DATA_HOME");
        const bool had_xdg = qEnvironmentVariableIsSet("XDG_DATA_HOME");
        const QByteArray saved_home = qgetenv("HOME");
        if (xdg_data_home == "-") {
            qunsetenv("XDG_DATA_HOME");
        } else {
            qputenv("XDG_DATA_HOME", xdg_data_home);
        }
        qputenv("HOME", home);
        const QString qt = QDir::cleanPath(user_data_location());
        const QString ours = from_path(user_data_folder());
        had_xdg ? qputenv("XDG_DATA_HOME", saved_xdg) : qunsetenv("XDG_DATA_HOME");
        qputenv("HOME", saved_home);
        QCOMPARE(ours, qt);
        QVERIFY(qt.endsWith(QStringLiteral("/tessaroll")));
    }

    // An installed copy: programs in bin, help pages in share/tessaroll, files in the user's
    // folder, and the old pattern.tq beside the program read until the user's folder has one.
    void installed_copy() {
        QTemporaryDir dir;
        const QString bin = dir.filePath(QStringLiteral("bin"));
        const QString share = dir.filePath(QStringLiteral("share/tessaroll"));
        const QString user = dir.filePath(QStringLiteral("home/.local/share/tessaroll"));
        QDir().mkpath(bin);
        write_file(share + QStringLiteral("/main.htm"), "<p>guide</p>");
        write_file(bin + QStringLiteral("/pattern.tq"), " 3  2 \r\n 1 \r\n 0 \r\n");

        ProgramFolders f = find_program_folders(bin, {}, user);
        QVERIFY(f.per_user());
        QCOMPARE(to_qstring(f.files), user);
        QCOMPARE(to_qstring(f.help), share);
        QCOMPARE(to_qstring(f.pattern_from), bin);
        QVERIFY(files_folder_paragraph(f).contains(QStringLiteral("installed")));
        QVERIFY(files_folder_paragraph(f).contains(
            QDir::toNativeSeparators(bin + QStringLiteral("/pattern.tq"))));

        // One run: the old settings are read, the list and the settings go to the user's folder,
        // and a change goes there too; the file beside the program is left as it was.
        prepare_files_folder(f);
        {
            frmMain window(f, QDate(2024, 3, 1));
            QCOMPARE(window.generation_settings().pnumb, 3);
            window.findChild<QLineEdit*>(QStringLiteral("txtPpswd"))
                ->setText(QStringLiteral("ann"));
            window.findChild<QPushButton*>(QStringLiteral("cmdGenerate"))->click();
            // The settings read beside the program are the ones in force, now in the user's folder.
            QCOMPARE(file_bytes(user + QStringLiteral("/pattern.tq")),
                     QByteArray(" 3  2 \r\n 1 \r\n 0 \r\n"));
            window.findChild<QPushButton*>(QStringLiteral("cmdSettings"))->click();
            QVERIFY(pick(settings_box("cmbPnumb"), "5"));
            window.findChild<QAction*>(QStringLiteral("Exit"))->trigger();
        }
        QFile list(user + QStringLiteral("/output.txt"));
        QVERIFY(list.open(QIODevice::ReadOnly));
        QVERIFY(list.readAll().contains("Password 3= "));
        for (const auto& [folder, bytes] :
             {std::pair{user, QByteArray(" 5  2 \r\n 1 \r\n 0 \r\n")},
              std::pair{bin, QByteArray(" 3  2 \r\n 1 \r\n 0 \r\n")}}) {
            QFile saved(folder + QStringLiteral("/pattern.tq"));
            QVERIFY(saved.open(QIODevice::ReadOnly));
            QCOMPARE(saved.readAll(), bytes);
        }

        // From now on the user's own file is read.
        f = find_program_folders(bin, {}, user);
        QCOMPARE(to_qstring(f.pattern_from), user);
        QVERIFY(!files_folder_paragraph(f).contains(QStringLiteral("beside the program")));
    }

    // A portable copy keeps everything in its folder; --dir names another folder for the files,
    // whose help pages are used when it has them.
    void portable_copy_and_given_folder() {
        QTemporaryDir dir;
        const QString program = dir.filePath(QStringLiteral("copy"));
        const QString stick = dir.filePath(QStringLiteral("stick"));
        write_file(program + QStringLiteral("/main.htm"), "<p>guide</p>");
        QDir().mkpath(stick);

        ProgramFolders f = find_program_folders(program, {}, dir.filePath(QStringLiteral("u")));
        QVERIFY(!f.per_user());
        QCOMPARE(to_qstring(f.files), program);
        QCOMPARE(to_qstring(f.pattern_from), program);
        QCOMPARE(to_qstring(f.help), program);
        QVERIFY(files_folder_paragraph(f).contains(QStringLiteral("portable")));

        f = find_program_folders(program, stick, dir.filePath(QStringLiteral("u")));
        QCOMPARE(to_qstring(f.files), stick);
        QCOMPARE(to_qstring(f.help), program);
        write_file(stick + QStringLiteral("/main.htm"), "<p>own guide</p>");
        QCOMPARE(to_qstring(find_program_folders(program, stick, {}).help), stick);

        // No help pages anywhere: the help window's error page names the program's folder.
        QCOMPARE(to_qstring(find_program_folders(stick + QStringLiteral("/none"), {}, {}).help),
                 stick + QStringLiteral("/none"));
    }

    void about_page_names_the_folder_in_use() {
        const QByteArray page =
            "<p>Version</p><!--files-folder--><p>general text</p><!--/files-folder--><p>end</p>";
        set_files_folder_paragraph({});
        QCOMPARE(fill_help_page(page), page);  // nothing to say: the page's own text stays

        ProgramFolders f{"/home/ann/.local/share/tessaroll", "/home/ann/.local/share/tessaroll",
                         "/usr/share/tessaroll", FilesPlace::UserFolder};
        set_files_folder_paragraph(files_folder_paragraph(f));
        const QByteArray filled = fill_help_page(page);
        QVERIFY(!filled.contains("general text"));
        QVERIFY(filled.startsWith("<p>Version</p><!--files-folder--><p>"));
        QVERIFY(filled.endsWith("<!--/files-folder--><p>end</p>"));
        // The folder's name as the system writes it, its link as a URL.
        const QString name =
            QDir::toNativeSeparators(QStringLiteral("/home/ann/.local/share/tessaroll"));
        QVERIFY(filled.contains(
            ("<a href=\"file:///home/ann/.local/share/tessaroll\"><code>" + name + "</code></a>")
                .toUtf8()));
        QCOMPARE(fill_help_page("<p>no marks</p>"), QByteArray("<p>no marks</p>"));
        QCOMPARE(fill_help_page("<!--files-folder--> unclosed"),
                 QByteArray("<!--files-folder--> unclosed"));
        set_files_folder_paragraph({});
    }

    // Help, About in a window whose files are in the user's folder and whose pages are installed.
    void help_window_shows_the_folder_in_use() {
        QTemporaryDir dir;
        ProgramFolders f;
        f.files = to_path(dir.filePath(QStringLiteral("data/tessaroll")));
        f.pattern_from = f.files;
        f.help = to_path(dir.filePath(QStringLiteral("share")));
        f.place = FilesPlace::UserFolder;
        write_file(to_qstring(f.help) + QStringLiteral("/about.htm"),
                   "<h1>About</h1><!--files-folder--><p>general</p><!--/files-folder-->");
        set_files_folder_paragraph(files_folder_paragraph(f));
        prepare_files_folder(f);
        frmMain window(f, QDate(2024, 3, 1));
        window.findChild<QAction*>(QStringLiteral("About"))->trigger();
        QTextBrowser* browser = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QStringLiteral("frmHelp") && w->isVisible()) {
                browser = w->findChild<QTextBrowser*>(QStringLiteral("WebBrowser1"));
            }
        }
        QVERIFY(browser != nullptr);
        QTRY_VERIFY(browser->toPlainText().contains(QDir::toNativeSeparators(to_qstring(f.files))));
        QVERIFY(!browser->toPlainText().contains(QStringLiteral("general")));
        set_files_folder_paragraph({});
        window.findChild<QAction*>(QStringLiteral("Exit"))->trigger();
    }
};

QTEST_MAIN(ProgramFoldersTest)
#include "program_folders_test.moc"
