// SPDX-License-Identifier: GPL-3.0-or-later
// The settings as a user keeps them across windows, programs and runs: a refused value never
// reaches pattern.tq, a first run leaves no trap behind, two programs on one folder never undo
// each other, a signal ends the program in order, and an installed copy's windows find their
// files and their help pages in two places.
#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#ifndef _WIN32
#include <signal.h>
#endif

#include "session/program_folders.h"
#include "session/settings_store.h"
#include "settings/pattern_file.h"
#include "ui/frmMain.h"
#include "ui/frmSettings.h"
#include "ui/program_folders.h"
#include "window_test_support.h"

using namespace tessaroll;
using namespace tessaroll::ui;
using namespace tessaroll::ui::test;

namespace {

QByteArray pattern_bytes(int count, int length, const char* letters) {
    GenerationSettings s;
    s.pnumb = static_cast<std::int16_t>(count);
    s.lentgh = static_cast<std::int16_t>(length);
    set_pattern_letters(s, letters);
    return QByteArray::fromStdString(pattern_file_bytes(s));
}

// The settings window a main window shows on its first Settings click: the one that was not
// shown before.
frmSettings* settings_of(frmMain& window) {
    QList<frmSettings*> before;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* s = qobject_cast<frmSettings*>(w); s != nullptr && s->isVisible()) {
            before << s;
        }
    }
    window.findChild<QPushButton*>(QStringLiteral("cmdSettings"))->click();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* s = qobject_cast<frmSettings*>(w);
            s != nullptr && s->isVisible() && !before.contains(s)) {
            return s;
        }
    }
    return nullptr;
}

QComboBox* box(QWidget* window, const char* name) {
    return window->findChild<QComboBox*>(QString::fromLatin1(name));
}

QString status_of(QWidget* settings) {
    return settings->findChild<QLabel*>(QStringLiteral("LabelStatus"))->text();
}

void type_into(QComboBox* target, const QString& text) {
    target->setFocus();
    target->lineEdit()->selectAll();
    QTest::keyClicks(target, text);
}

}  // namespace

class SharedSettingsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<MessageCatcher> messages_;

    QString path(const char* name) const { return dir_->filePath(QString::fromLatin1(name)); }
    std::unique_ptr<frmMain> open() {
        auto window = std::make_unique<frmMain>(dir_->path(), QDate(2026, 12, 7));
        window->show();
        return window;
    }
    static void generate(frmMain& window, const char* personal = "secret") {
        window.findChild<QLineEdit*>(QStringLiteral("txtPpswd"))->setText(personal);
        window.findChild<QPushButton*>(QStringLiteral("cmdGenerate"))->click();
    }
    static QString list_of(frmMain& window) {
        return window.findChild<QPlainTextEdit*>(QStringLiteral("txtPasswords"))->toPlainText();
    }

private slots:
    void init() {
        messages_ = std::make_unique<MessageCatcher>();
        dir_ = std::make_unique<QTemporaryDir>();
    }
    void cleanup() {
        messages_.reset();
        dir_.reset();
    }

    // A count or length typed by mistake is refused at Generate and never saved: the letter
    // pattern survives Exit and the next start.
    void refused_values_are_never_saved_data() {
        QTest::addColumn<QString>("box_name");
        QTest::addColumn<QString>("typed");
        QTest::newRow("length 0") << "cmbLentgh"
                                  << "0";
        QTest::newRow("length -1") << "cmbLentgh"
                                   << "-1";
        QTest::newRow("length 131") << "cmbLentgh"
                                    << "131";
        QTest::newRow("count 0") << "cmbPnumb"
                                 << "0";
        QTest::newRow("count 32767") << "cmbPnumb"
                                     << "32767";
    }
    void refused_values_are_never_saved() {
        QFETCH(QString, box_name);
        QFETCH(QString, typed);
        const QByteArray letters = pattern_bytes(4, 10, "ddllddllll");
        QVERIFY(write_bytes(path("pattern.tq"), letters));
        {
            auto window = open();
            type_into(box(settings_of(*window), qPrintable(box_name)), typed);
            generate(*window);
            QCOMPARE(messages_->texts.size(), 1);
            QVERIFY2(messages_->texts[0].contains(QStringLiteral(" is %1;").arg(typed)),
                     qPrintable(messages_->texts[0]));
            QCOMPARE(list_of(*window), QString());
            window->findChild<QAction*>(QStringLiteral("Exit"))->trigger();
        }
        QCOMPARE(file_bytes(path("pattern.tq")), letters);
        auto window = open();
        generate(*window);
        QVERIFY2(list_of(*window).startsWith(QStringLiteral("Password 1= 90ry48plhx\n")),
                 qPrintable(list_of(*window)));
        window->findChild<QAction*>(QStringLiteral("Exit"))->trigger();
    }

    // A first run that picks only a count saves the length a list uses, so the next start
    // behaves as the first did.
    void a_first_run_leaves_no_trap() {
        {
            auto window = open();
            QVERIFY(pick(box(settings_of(*window), "cmbPnumb"), "3"));
            window->findChild<QAction*>(QStringLiteral("Exit"))->trigger();
        }
        QCOMPARE(file_bytes(path("pattern.tq")), pattern_bytes(3, 10, ""));
        auto window = open();
        generate(*window);
        QCOMPARE(messages_->texts, QStringList());
        QCOMPARE(list_of(*window).count(QLatin1Char('\n')), 3);
        window->findChild<QAction*>(QStringLiteral("Exit"))->trigger();
    }

    // Two windows on one folder, and the command line's store beside them: each sees the
    // other's change in its boxes, and ending one writes nothing back.
    void two_programs_never_undo_each_other() {
        QVERIFY(write_bytes(path("pattern.tq"), pattern_bytes(4, 10, "")));
        auto a = open();
        auto b = open();
        frmSettings* settings_a = settings_of(*a);
        frmSettings* settings_b = settings_of(*b);
        QVERIFY(settings_a != settings_b);
        QVERIFY(pick(box(settings_a, "cmbPnumb"), "7"));
        QCOMPARE(file_bytes(path("pattern.tq")), pattern_bytes(7, 10, ""));
        QTRY_COMPARE(box(settings_b, "cmbPnumb")->currentText(), QStringLiteral("7"));
        QVERIFY2(
            status_of(settings_b).contains(QStringLiteral("Another program changed the settings.")),
            qPrintable(status_of(settings_b)));
        b->findChild<QAction*>(QStringLiteral("Exit"))->trigger();
        QCOMPARE(file_bytes(path("pattern.tq")), pattern_bytes(7, 10, ""));

        // As tessaroll-cli pattern set does while the window is open.
        SettingsStore cli(to_path(path("pattern.tq")));
        cli.load();
        QVERIFY(cli.set(7, 12, std::string_view("llllllllllll")).saved);
        QTRY_COMPARE(box(settings_a, "cmbLentgh")->currentText(), QStringLiteral("12"));
        generate(*a);
        QVERIFY2(list_of(*a).contains(QRegularExpression(QStringLiteral("^Password 7= [a-z]{12}$"),
                                                         QRegularExpression::MultilineOption)),
                 qPrintable(list_of(*a)));
        a->findChild<QAction*>(QStringLiteral("Exit"))->trigger();
        QCOMPARE(file_bytes(path("pattern.tq")), pattern_bytes(7, 12, "llllllllllll"));
        QCOMPARE(messages_->texts, QStringList());
    }

    // An installed copy: files in the user's folder, help pages in the installation's; We Pay,
    // the User Guide and About all come from the help folder.
    void installed_windows_find_files_and_help_apart() {
        const QString bin = path("usr/bin"), share = path("usr/share/tessaroll");
        const QString user = path("home/.local/share/tessaroll");
        QVERIFY(QDir().mkpath(bin) && QDir().mkpath(share));
        for (const char* page : {"main.htm", "about.htm", "we-pay.htm"}) {
            QVERIFY(write_bytes(share + QLatin1Char('/') + QLatin1String(page),
                                QByteArray("<h1>") + page + "</h1>"));
        }
        const ProgramFolders folders = find_program_folders(bin, {}, user);
        prepare_files_folder(folders);
        frmMain window(folders, QDate(2026, 12, 7));
        window.show();
        generate(window);
        QVERIFY(QFile::exists(user + QStringLiteral("/output.txt")));
        for (const auto& [action, page] :
             {std::pair{"We_pay", "we-pay.htm"}, std::pair{"UserGuide", "main.htm"},
              std::pair{"About", "about.htm"}}) {
            window.findChild<QAction*>(QString::fromLatin1(action))->trigger();
            QTextBrowser* shown = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->objectName() == QStringLiteral("frmHelp") && w->isVisible()) {
                    shown = w->findChild<QTextBrowser*>(QStringLiteral("WebBrowser1"));
                }
            }
            QVERIFY(shown != nullptr);
            QTRY_COMPARE(shown->source().toLocalFile(),
                         QDir(share).absoluteFilePath(QString::fromLatin1(page)));
        }
        window.findChild<QAction*>(QStringLiteral("Exit"))->trigger();
        QCOMPARE(messages_->texts, QStringList());
    }

    // SIGTERM (a desktop shutdown), SIGHUP (a closed terminal) and SIGINT (Ctrl+C) end the
    // program as Exit does: it quits with status 0 instead of being killed.
    void signals_end_the_program_in_order_data() {
        QTest::addColumn<int>("signal_number");
#ifndef _WIN32
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
        QTest::newRow("SIGINT") << int(SIGINT);
#endif
    }
    void signals_end_the_program_in_order() {
#ifdef _WIN32
        QSKIP("Windows sends a window program no such signals.");
#else
        QFETCH(int, signal_number);
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(TESSAROLL_PROGRAM_DIR "/tessaroll"),
                      {QStringLiteral("--dir"), dir_->path()});
        QVERIFY(program.waitForStarted());
        // The window is up once the program has looked at its folder for pattern.tq changes;
        // a signal that comes earlier ends it as well, which is no failure of the program.
        QTest::qWait(1500);
        ::kill(static_cast<pid_t>(program.processId()), signal_number);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
#endif
    }
};

QTEST_MAIN(SharedSettingsTest)
#include "shared_settings_test.moc"
