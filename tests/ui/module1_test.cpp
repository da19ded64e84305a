// The start procedure's command line: which folder the program uses, and what it refuses.
#include <QTemporaryDir>
#include <QTest>

#include "ui/Module1.h"

using namespace tessaroll::ui;

class Module1Test : public QObject {
    Q_OBJECT

private slots:
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
        QCOMPARE(options.folder, own_folder ? QStringLiteral("/opt/tessaroll") : dir.path());
        QVERIFY(!options.help);
    }

    void help() {
        QVERIFY(read_start_options({"tessaroll", "--help"}, "/opt").help);
        QVERIFY(read_start_options({"tessaroll", "-h"}, "/opt").help);
    }
};

QTEST_MAIN(Module1Test)
#include "module1_test.moc"
