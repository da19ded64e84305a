// SPDX-License-Identifier: GPL-3.0-or-later
// The start procedure's command line: which folder the program uses, and what it refuses.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <clocale>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "ui/Module1.h"
#include "ui/message_box.h"

using namespace tessaroll::ui;

namespace {

bool write_file(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

class Module1Test : public QObject {
    Q_OBJECT

    QStringList messages_;

private slots:
    void init() {
        set_message_hook([this](const QString& text) { messages_ << text; });
    }
    void cleanup() {
        set_message_hook({});
        QCOMPARE(messages_, QStringList());
    }

    void folder_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("own_folder");  // else the temporary folder
        QTest::addColumn<QString>("problem");  // a part of the sentence; empty for none
        QTest::newRow("no arguments") << QStringList{} << true << "";
        QTest::newRow("--dir DIR") << QStringList{"--dir", "@"} << false << "";
        QTest::newRow("--dir=DIR") << QStringList{"--dir=@"} << false << "";
        QTest::newRow("missing folder") << QStringList{"--dir", "@/missing"} << true
                                        << "/missing\" given with --dir does not exist";
        QTest::newRow("a file, not a folder") << QStringList{"--dir", "@/file.txt"} << true
                                              << "file.txt\" given with --dir is a file";
        QTest::newRow("no value") << QStringList{"--dir"} << true << "--dir FOLDER";
        QTest::newRow("unknown option") << QStringList{"--colour"} << true << "colour";
        QTest::newRow("stray argument") << QStringList{"extra"} << true << "\"extra\"";
    }
    void folder() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, own_folder);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile file(dir.filePath("file.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        for (QString& a : arguments) {
            a.replace('@', dir.path());
        }
        const StartOptions options =
            read_start_options(QStringList{"tessaroll"} + arguments, "/opt/tessaroll");
        QVERIFY2(options.problem.contains(problem), qPrintable(options.problem));
        QCOMPARE(options.problem.isEmpty(), problem.isEmpty());
        QVERIFY2(!options.problem.contains(QStringLiteral("..")), qPrintable(options.problem));
        QCOMPARE(options.folder, own_folder ? QStringLiteral("/opt/tessaroll") : dir.path());
        QCOMPARE(options.dir_given, !own_folder);
        QVERIFY(!options.help);
    }

    void code_page_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code_page");    // 0 for none given
        QTest::addColumn<QString>("problem");  // a part of the sentence; empty for none
        QTest::newRow("none") << QStringList{} << 0 << "";
        QTest::newRow("1250") << QStringList{"--code-page", "1250"} << 1250 << "";
        QTest::newRow("=874") << QStringList{"--code-page=874"} << 874 << "";
        QTest::newRow("with --dir")
            << QStringList{"--dir", "/tmp", "--code-page", "1258"} << 1258 << "";
        QTest::newRow("437") << QStringList{"--code-page", "437"} << 0
                             << "--code-page 437 is not a code page this program knows; give one "
                                "of 874 (Thai), 1250 (Central European)";
        QTest::newRow("65001") << QStringList{"--code-page", "65001"} << 0
                               << "1257 (Baltic) and 1258 (Vietnamese).";
        QTest::newRow("not a number") << QStringList{"--code-page", "cp1252"} << 0 << "cp1252";
        QTest::newRow("no value") << QStringList{"--code-page"} << 0 << "--code-page N";
    }
    void code_page() {
        QFETCH(QStringList, arguments);
        QFETCH(int, code_page);
        QFETCH(QString, problem);
        const StartOptions options =
            read_start_options(QStringList{"tessaroll"} + arguments, "/opt/tessaroll");
        QVERIFY2(options.problem.contains(problem), qPrintable(options.problem));
        QCOMPARE(options.problem.isEmpty(), problem.isEmpty());
        QCOMPARE(options.code_page ? static_cast<int>(*options.code_page) : 0, code_page);
    }

    // The window program takes the user's locale for its time stamps, as tessaroll-cli does;
    // Qt sets it by itself only on Unix.
    void takes_the_users_locale() {
        const QByteArray saved = qgetenv("LC_ALL");
        qputenv("LC_ALL", "C.UTF-8");
        std::setlocale(LC_ALL, "C");
        use_the_users_locale();
        const QString time_locale = QString::fromLatin1(std::setlocale(LC_TIME, nullptr));
        qputenv("LC_ALL", saved);
        std::setlocale(LC_ALL, "");
#ifdef _WIN32
        // Windows' C run time takes the user's regional settings, not the environment, and names
        // them ("English_United States.1252").
        QVERIFY2(time_locale != QStringLiteral("C"), qPrintable(time_locale));
#else
        QVERIFY2(time_locale.startsWith("C.") && time_locale.contains("tf", Qt::CaseInsensitive),
                 qPrintable(time_locale));
#endif
    }

    // The start procedure of an installed copy (bin beside share/tessaroll) makes the user's own
    // files folder, readable by the user only, before the window reads or writes a file; a
    // portable copy and --dir make nothing.
    void start_folders_of_an_installed_copy() {
        QTemporaryDir dir;
        const QString bin = dir.filePath(QStringLiteral("usr/bin"));
        const QString user = dir.filePath(QStringLiteral("home/.local/share/tessaroll"));
        QVERIFY(QDir().mkpath(bin) &&
                QDir().mkpath(dir.filePath(QStringLiteral("usr/share/tessaroll"))));
        QString problem;
        const tessaroll::ProgramFolders f =
            start_folders(read_start_options({"tessaroll"}, bin), bin, user, &problem);
        QCOMPARE(problem, QString());
        QVERIFY(f.per_user());
        QVERIFY(QFileInfo(user).isDir());
#ifndef _WIN32  // Windows keeps the folder private by its place, not by mode bits
        QCOMPARE(QFileInfo(user).permissions() &
                     (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
                 QFile::Permissions());
#endif

        const QString stick = dir.filePath(QStringLiteral("stick"));
        QVERIFY(QDir().mkpath(stick));
        const QString other = dir.filePath(QStringLiteral("other-user"));
        start_folders(read_start_options({"tessaroll", "--dir", stick}, bin), bin, other, &problem);
        QVERIFY(!QFileInfo::exists(other));

        // A folder that cannot be made is said once, at start.
        QVERIFY(write_file(dir.filePath(QStringLiteral("blocked")), ""));
        start_folders(read_start_options({"tessaroll"}, bin), bin,
                      dir.filePath(QStringLiteral("blocked/tessaroll")), &problem);
        QVERIFY2(problem.contains(QStringLiteral("blocked")), qPrintable(problem));
    }

#ifndef _WIN32
    // The trust rule at start: a folder others may put files in is refused with the session
    // layer's sentence, which the window shows in a message box; one of the user's own that
    // others may write to gets its warning.
    void start_folders_apply_the_trust_rule() {
        QTemporaryDir dir;
        const QString bin = dir.filePath(QStringLiteral("bin"));
        const QString shared = dir.filePath(QStringLiteral("shared"));
        const QString open_folder = dir.filePath(QStringLiteral("open"));
        QVERIFY(QDir().mkpath(bin) && QDir().mkpath(shared) && QDir().mkpath(open_folder));
        QCOMPARE(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
        QCOMPARE(::chmod(QFile::encodeName(open_folder).constData(), 0777), 0);
        const struct {
            QString folder;
            QString said;
        } cases[] = {
            {shared, QStringLiteral("is shared like /tmp")},
            {open_folder, QStringLiteral("Others may write to the folder")},
        };
        for (const auto& c : cases) {
            QString problem;
            start_folders(read_start_options({"tessaroll", "--dir", c.folder}, bin), bin,
                          dir.filePath(QStringLiteral("user")), &problem);
            QVERIFY2(problem.contains(c.said) && problem.contains(c.folder), qPrintable(problem));
        }
    }
#endif

    void help_version_and_check() {
        QVERIFY(read_start_options({"tessaroll", "--help"}, "/opt").help);
        QVERIFY(read_start_options({"tessaroll", "-h"}, "/opt").help);
        QVERIFY(read_start_options({"tessaroll", "--version"}, "/opt").version);
        // The program ships no option for tests.
        const StartOptions check = read_start_options({"tessaroll", "--test-generate"}, "/opt");
        QVERIFY(check.problem.contains(QStringLiteral("test-generate")));
    }
};

QTEST_MAIN(Module1Test)
#include "module1_test.moc"
