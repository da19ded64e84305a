// SPDX-License-Identifier: GPL-3.0-or-later
// Every message box of the window program, one row a situation: what it must say, in plain words
// (none of the computation's own terms), with dates day first as the boxes take them, and with
// what to do next.
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <functional>
#include <memory>

#include "recording_printer.h"
#include "tests/support/file_calls_mock.h"
#include "ui/frmMain.h"
#include "ui/frmSettings.h"
#include "window_test_support.h"

using namespace tessaroll;
using namespace tessaroll::ui;
using namespace tessaroll::ui::test;
using tessaroll::ui::testing::RecordingPrinters;

namespace {

// Words of the computation and of the program's insides that mean nothing to a user.
const QStringList kNotPlain = {"break point", "divide",   "day 0",    "index",  "flag", "16 bit",
                               "16-bit",      "89 years", "negative", "iterat", "seed", "errno",
                               "exception",   "0x",       "???",      "  "};
// The words that begin what to do next.
const QRegularExpression kNextStep(
    QStringLiteral("\\b(type|pick|choose|press|make sure|rename|move|remove|set up|check|use|"
                   "open|let|copy|mend)\\b"),
    QRegularExpression::CaseInsensitiveOption);

struct Window {
    QTemporaryDir dir;
    std::unique_ptr<frmMain> main;
    RecordingPrinters printers;

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    void open() {
        main = std::make_unique<frmMain>(dir.path(), QDate(2026, 12, 7));
        main->set_printer_factory(printers.factory());
        main->show();
        main->findChild<QLineEdit*>("txtPpswd")->setText("secret");
    }
    void date(const QString& day, const QString& month, const QString& year) const {
        main->findChild<QComboBox*>("cmbDay")->setEditText(day);
        main->findChild<QComboBox*>("cmbMonth")->setEditText(month);
        main->findChild<QComboBox*>("cmbYear")->setEditText(year);
    }
    void press(const char* button) const {
        QTest::mouseClick(main->findChild<QPushButton*>(button), Qt::LeftButton);
    }
    void generate(const QString& day, const QString& month, const QString& year) const {
        date(day, month, year);
        press("cmdGenerate");
    }
    frmSettings* settings() const {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* s = qobject_cast<frmSettings*>(w)) {
                return s;
            }
        }
        return nullptr;
    }
};

struct Situation {
    Situation(const char* n, std::function<void(Window&)> a, QStringList s, QString ns = {},
              bool o = false)
        : name(n), act(std::move(a)), said(std::move(s)), not_said(std::move(ns)), opens(o) {}
    const char* name;
    std::function<void(Window&)> act;  // the window is open unless the row opens it itself
    QStringList said;                  // parts of the message, in order of appearance
    QString not_said;                  // e.g. the date month first
    bool opens;                        // the row writes files before the window opens
};

QByteArray pattern(int count, int length) {
    return pattern_file_bytes(count, length, QString());
}

const std::vector<Situation>& situations() {
    static const std::vector<Situation> all = {
        {"day box empty",
         [](Window& w) { w.generate("", "3", "2026"); },
         {"The Day box is empty.", "Type or pick a day from 1 to 31."}},
        {"day not a number",
         [](Window& w) { w.generate("abc", "3", "2026"); },
         {"Day box", "\"abc\"", "Type or pick a day from 1 to 31."}},
        {"month 13",
         [](Window& w) { w.generate("5", "13", "2026"); },
         {"The month 13 does not exist.", "Type or pick a month from 1 to 12."}},
        {"year typed with two digits",
         [](Window& w) { w.generate("5", "3", "26"); },
         {"There is no list for the year 26.", "from 2002 to 2091", "four digits"}},
        {"year too far",
         [](Window& w) { w.generate("5", "3", "2200"); },
         {"the year 2200", "Type or pick a year from 2002 to 2091"}},
        {"first day of the count",
         [](Window& w) { w.generate("1", "1", "2002"); },
         {"There is no list for 1/1/2002", "Choose 2/1/2002 or a later date."}},
        {"too close before 2002",
         [](Window& w) { w.generate("31", "12", "2001"); },
         {"There is no list of 4 passwords for 31/12/2001", "Choose 2/1/2002 or a later date."},
         "12/31/2001"},
        {"too many passwords for the date",
         [](Window& w) {
             QVERIFY(write_bytes(w.path("pattern.tq"), pattern(130, 10)));
             w.open();
             w.generate("1", "1", "2091");
         },
         {"There is no list of 130 passwords for 1/1/2091", "Choose fewer passwords"},
         {},
         true},
        {"date too far",
         [](Window& w) { w.generate("1", "12", "2091"); },
         {"There is no list for 1/12/2091", "Choose an earlier date."},
         "12/1/2091"},
        {"count 0 in pattern.tq",
         [](Window& w) {
             QVERIFY(write_bytes(w.path("pattern.tq"), pattern(0, 10)));
             w.open();
             w.generate("5", "3", "2026");
         },
         {"number of passwords is 0", "Choose another in the Settings window"},
         {},
         true},
        {"output.txt is a folder",
         [](Window& w) {
             QVERIFY(QDir(w.dir.path()).mkdir("output.txt"));
             w.generate("5", "3", "2026");
         },
         {"output.txt\" is a folder.", "Rename or move that folder"}},
        {"output.txt cannot be written",
         [](Window& w) {
             w.generate("5", "3", "2026");  // the settings saved
             file_calls_mock::fail(file_calls_mock::Call::sync, EIO);
             w.generate("5", "3", "2026");
             file_calls_mock::fail(file_calls_mock::Call::sync, 0);
         },
         {"output.txt", "previous output.txt is unchanged", "Make sure"}},
        {"personal password too long",
         [](Window& w) {
             w.main->findChild<QLineEdit*>("txtPpswd")->setText(QString(40000, QLatin1Char('x')));
         },
         {"at most 32766 characters", "Use a shorter personal password."}},
        {"print: output.txt written by another program",
         [](Window& w) {
             w.generate("5", "3", "2026");
             QVERIFY(write_bytes(w.path("output.txt"), "Date=1/2/2003\r\n"));
             QVERIFY(QMetaObject::invokeMethod(w.main.get(), "cmdPrint_Click"));
         },
         {"another program", "Press Generate"}},
        {"print: the date changed since Generate",
         [](Window& w) {
             w.generate("5", "3", "2026");
             w.date("6", "3", "2026");
             w.press("cmdPrint");
         },
         {"made before the date changed", "press Generate, then Print again"}},
        {"print: no printer",
         [](Window& w) {
             w.main->set_printer_factory([](QString*) { return std::unique_ptr<Printer>(); });
             w.generate("5", "3", "2026");
             w.press("cmdPrint");
         },
         {"no printer", "Set up a default printer"}},
        {"print: job refused",
         [](Window& w) {
             auto refusing = std::make_shared<RecordingPrinters>(QStringLiteral("It is offline."));
             w.main->set_printer_factory(
                 [refusing](QString* problem) { return refusing->factory()(problem); });
             w.generate("5", "3", "2026");
             w.press("cmdPrint");
         },
         {"It is offline.", "Check that the printer is switched on"}},
        {"pattern.tq damaged at start",
         [](Window& w) {
             QVERIFY(write_bytes(w.path("pattern.tq"), " abc  10 \r\n"));
             w.open();
             QTest::qWait(20);  // said once the window is up
         },
         {"line 1", "abc", "choose a number and a length there"},
         {},
         true},
        {"pattern.tq with an odd line",
         [](Window& w) {
             QVERIFY(write_bytes(w.path("pattern.tq"), " 4  3 \r\n 1 \r\n x \r\n 1 \r\n"));
             w.open();
             QTest::qWait(20);
         },
         {"line 3 holds", "0 (a digit) or 1 (a letter)", "Open the Settings window"},
         {},
         true},
        {"pattern.tq cannot be saved",
         [](Window& w) {
             QVERIFY(QDir(w.dir.path()).mkdir("pattern.tq"));
             w.press("cmdSettings");
             QVERIFY(pick(w.settings()->findChild<QComboBox*>("cmbPnumb"), "5"));
         },
         {"pattern.tq", "not saved", "Make sure the file can be written"}},
    };
    return all;
}

}  // namespace

class MessagesTest : public QObject {
    Q_OBJECT

private slots:
    void every_message_is_plain_and_says_what_to_do_data() {
        QTest::addColumn<int>("row");
        for (std::size_t i = 0; i < situations().size(); ++i) {
            QTest::newRow(situations()[i].name) << static_cast<int>(i);
        }
    }
    void every_message_is_plain_and_says_what_to_do() {
        QFETCH(int, row);
        const Situation& s = situations().at(static_cast<std::size_t>(row));
        MessageCatcher messages;
        Window window;
        QVERIFY(window.dir.isValid());
        if (!s.opens) {
            window.open();
        }
        s.act(window);
        QVERIFY2(messages.texts.size() == 1, qPrintable(QStringLiteral("%1 messages: %2")
                                                            .arg(messages.texts.size())
                                                            .arg(messages.texts.join(" | "))));
        const QString text = messages.texts[0];
        qsizetype from = 0;
        for (const QString& part : s.said) {
            from = text.indexOf(part, from);
            QVERIFY2(from >= 0, qPrintable(text + QStringLiteral(" [lacks: ") + part + "]"));
        }
        for (const QString& term : kNotPlain) {
            QVERIFY2(!text.contains(term, Qt::CaseInsensitive),
                     qPrintable(text + QStringLiteral(" [says: ") + term + "]"));
        }
        QVERIFY2(s.not_said.isEmpty() || !text.contains(s.not_said), qPrintable(text));
        QVERIFY2(kNextStep.match(text).hasMatch(), qPrintable(text + " [no next step]"));
        said().insert(text, QString::fromLatin1(s.name));
    }
    // Each situation has a message of its own.
    void no_two_situations_say_the_same() {
        QCOMPARE(said().size(), static_cast<qsizetype>(situations().size()));
    }

private:
    static QMap<QString, QString>& said() {
        static QMap<QString, QString> texts;
        return texts;
    }
};

QTEST_MAIN(MessagesTest)
#include "messages_test.moc"
