// SPDX-License-Identifier: GPL-3.0-or-later
// What the main window shows is what is in force and what is printed: Print follows the list in
// the box, the box is read only with scroll bars and a count above it, the status line names a
// date that is not in the calendar and what changed since the list was made, and a personal
// password longer than the engine takes is refused whole.
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include "recording_printer.h"
#include "ui/frmMain.h"
#include "ui/frmSettings.h"
#include "window_test_support.h"

using namespace tessaroll;
using namespace tessaroll::ui;
using namespace tessaroll::ui::test;
using tessaroll::ui::testing::RecordingPrinters;

class ShownListTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<frmMain> window_;
    std::unique_ptr<MessageCatcher> messages_;
    std::unique_ptr<RecordingPrinters> printers_;

    QString path(const char* name) const { return dir_->filePath(QString::fromLatin1(name)); }
    template <typename T>
    T* control(const char* name) const {
        return window_->findChild<T*>(QString::fromLatin1(name));
    }
    QPlainTextEdit* list() const { return control<QPlainTextEdit>("txtPasswords"); }
    QPushButton* print() const { return control<QPushButton>("cmdPrint"); }
    QString caption() const { return control<QLabel>("Label2")->text(); }

    void open() {
        window_ = std::make_unique<frmMain>(dir_->path(), QDate(2026, 12, 7));
        printers_ = std::make_unique<RecordingPrinters>();
        window_->set_printer_factory(printers_->factory());
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        control<QLineEdit>("txtPpswd")->setText(QStringLiteral("secret"));
    }
    void set_date(int day, int month, int year) {
        control<QComboBox>("cmbDay")->setEditText(QString::number(day));
        control<QComboBox>("cmbMonth")->setEditText(QString::number(month));
        control<QComboBox>("cmbYear")->setEditText(QString::number(year));
    }
    void generate() { QTest::mouseClick(control<QPushButton>("cmdGenerate"), Qt::LeftButton); }
    QString list_of(int day, int month, int year) {
        set_date(day, month, year);
        generate();
        return list()->toPlainText();
    }
    // The printed lines of document i without the time stamp line.
    std::vector<QString> printed(std::size_t i) const {
        std::vector<QString> lines = printers_->lines(i);
        if (!lines.empty()) {
            lines.pop_back();
        }
        return lines;
    }
    bool status_fits() const {
        return wrapped_text_fits(control<QLabel>("LabelStatus")) &&
               window_->status() == control<QLabel>("LabelStatus")->text();
    }

private slots:
    void init() {
        messages_ = std::make_unique<MessageCatcher>();
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        open();
    }
    void cleanup() {
        window_.reset();
        printers_.reset();
        messages_.reset();
        dir_.reset();
    }

    // Print is on only while the box holds the list output.txt holds: off at start, after a
    // refused Generate, and once another program has written output.txt.
    void print_is_on_only_for_the_list_shown() {
        QVERIFY(!print()->isEnabled());
        const QString list_7_12 = list_of(7, 12, 2026);
        QVERIFY(print()->isEnabled());
        QCOMPARE(window_->status(), QString());

        set_date(1, 1, 2002);  // refused: no list
        generate();
        QCOMPARE(messages_->texts.size(), 1);
        QCOMPARE(list()->toPlainText(), QString());
        QVERIFY(!print()->isEnabled());
        QCOMPARE(caption(), QStringLiteral("Passwords"));
        QCOMPARE(window_->status(), QString());
        QTest::mouseClick(print(), Qt::LeftButton);
        QCOMPARE(printers_->count(), std::size_t{0});

        QCOMPARE(list_of(7, 12, 2026), list_7_12);
        QVERIFY(print()->isEnabled());
        QTest::mouseClick(print(), Qt::LeftButton);
        QCOMPARE(printers_->count(), std::size_t{1});
        QCOMPARE(printers_->lines(0).at(0), QStringLiteral("Date=12/7/2026"));
        QCOMPARE(printers_->lines(0).at(2),
                 list_7_12.section(QLatin1Char('\n'), 0, 0));  // Password 1= ...

        // Another program writes output.txt: pressing Print now prints nothing and says why, and
        // Print goes off.
        QVERIFY(write_bytes(path("output.txt"), "Date=1/2/2003\r\n\r\nPassword 1= 1\r\n"));
        QVERIFY(QMetaObject::invokeMethod(window_.get(), "cmdPrint_Click"));
        QCOMPARE(printers_->count(), std::size_t{1});
        QCOMPARE(messages_->texts.size(), 2);
        QVERIFY2(
            messages_->texts[1].contains("output.txt") && messages_->texts[1].contains("Generate"),
            qPrintable(messages_->texts[1]));
        QVERIFY(!print()->isEnabled());
        QVERIFY2(window_->status().contains("output.txt") && status_fits(),
                 qPrintable(window_->status()));
        QCOMPARE(list()->toPlainText(), list_7_12);  // the box still shows what it showed

        // The same seen by the watch on the folder, without pressing Print.
        generate();
        QVERIFY(print()->isEnabled());
        QVERIFY(write_bytes(path("output.txt"), "Date=1/2/2003\r\n"));
        QTRY_VERIFY(!print()->isEnabled());
        QVERIFY(window_->status().contains("output.txt"));
    }

    // A date, personal password or setting changed since Generate is named in the status line,
    // and Print says so before it prints the list shown, which is the older one.
    void changes_since_generate_are_named_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("named");
        QTest::newRow("day") << "day"
                             << "The date changed";
        QTest::newRow("day typed as no number") << "day x"
                                                << "The date changed";
        QTest::newRow("personal password") << "password"
                                           << "The personal password changed";
        QTest::newRow("count picked") << "count"
                                      << "The settings changed";
        QTest::newRow("count typed") << "typed count"
                                     << "The settings changed";
        QTest::newRow("letter at position 3") << "letter"
                                              << "The settings changed";
        QTest::newRow("date and password") << "day+password"
                                           << "The date and the personal password changed";
    }
    void changes_since_generate_are_named() {
        QFETCH(QString, change);
        QFETCH(QString, named);
        const QString shown = list_of(7, 12, 2026);
        QTest::mouseClick(control<QPushButton>("cmdSettings"), Qt::LeftButton);
        frmSettings* settings = window_->findChild<frmSettings*>();
        QVERIFY(settings == nullptr);  // a window of its own, not a child
        for (QWidget* w : QApplication::topLevelWidgets()) {
            settings = settings != nullptr ? settings : qobject_cast<frmSettings*>(w);
        }
        QVERIFY(settings);
        const auto box = [&](const char* name) { return settings->findChild<QComboBox*>(name); };
        if (change.startsWith("day")) {
            control<QComboBox>("cmbDay")->setEditText(change == "day x" ? "x" : "8");
        }
        if (change.endsWith("password")) {
            control<QLineEdit>("txtPpswd")->setText(QStringLiteral("secreT"));
        }
        if (change == "count") {
            QVERIFY(pick(box("cmbPnumb"), "5"));
        } else if (change == "typed count") {
            box("cmbPnumb")->setEditText(QStringLiteral("6"));
        } else if (change == "letter") {
            QVERIFY(pick(box("cmbPosition"), " 3"));
            QVERIFY(pick(box("cmbSymbol"), "Letter"));
        }
        QVERIFY2(window_->status().startsWith(named) && window_->status().contains("Generate"),
                 qPrintable(window_->status()));
        QVERIFY2(status_fits(), qPrintable(window_->status()));
        QVERIFY(print()->isEnabled());
        QCOMPARE(list()->toPlainText(), shown);

        QTest::mouseClick(print(), Qt::LeftButton);
        QCOMPARE(messages_->texts.size(), 1);
        QVERIFY2(messages_->texts[0].contains(named.mid(4, named.indexOf(" changed") - 4)) &&
                     messages_->texts[0].contains("Generate"),
                 qPrintable(messages_->texts[0]));
        QCOMPARE(printers_->count(), std::size_t{1});
        QCOMPARE(printers_->lines(0).at(0), QStringLiteral("Date=12/7/2026"));

        generate();  // the new list: nothing changed since
        QCOMPARE(window_->status(), QString());
    }

    // The longest the status line says, a date note and every change, fits its strip.
    void the_longest_status_fits() {
        list_of(31, 12, 2005);  // 31/12/2005 is a date; 32/12/2005 is none with no list of its own
        list_of(32, 12, 2005);
        QVERIFY2(window_->status().contains("no calendar date"), qPrintable(window_->status()));
        control<QLineEdit>("txtPpswd")->setText(QStringLiteral("secreT"));
        control<QComboBox>("cmbDay")->setEditText(QStringLiteral("30"));
        QTest::mouseClick(control<QPushButton>("cmdSettings"), Qt::LeftButton);
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* settings = qobject_cast<frmSettings*>(w)) {
                settings->findChild<QComboBox*>("cmbPnumb")->setEditText(QStringLiteral("77"));
            }
        }
        QVERIFY2(
            window_->status().contains("The date, the personal password and the settings changed"),
            qPrintable(window_->status()));
        QVERIFY2(status_fits(), qPrintable(window_->status()));
    }

    // Changing a box back to what the list was made of takes the note away.
    void a_change_undone_is_no_change() {
        list_of(7, 12, 2026);
        control<QComboBox>("cmbDay")->setEditText(QStringLiteral("9"));
        QVERIFY(!window_->status().isEmpty());
        control<QComboBox>("cmbDay")->setEditText(QStringLiteral(" 7 "));  // read as 7
        QCOMPARE(window_->status(), QString());
    }

    // The box takes no typing, selects and copies, keeps each password on one line with scroll
    // bars, and the label above it counts the passwords.
    void list_box_is_read_only_with_scroll_bars_and_a_count_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<bool>("horizontal");
        QTest::newRow("4 x 10") << 4 << 10 << "4 passwords" << false << false;
        QTest::newRow("1 x 10") << 1 << 10 << "1 password" << false << false;
        QTest::newRow("12 x 30") << 12 << 30 << "12 passwords" << true << true;
        QTest::newRow("130 x 130") << 130 << 130 << "130 passwords" << true << true;
    }
    void list_box_is_read_only_with_scroll_bars_and_a_count() {
        QFETCH(int, count);
        QFETCH(int, length);
        QFETCH(QString, caption);
        QFETCH(bool, vertical);
        QFETCH(bool, horizontal);
        window_.reset();
        QVERIFY(write_bytes(path("pattern.tq"), pattern_file_bytes(count, length, "")));
        open();
        const QString shown = list_of(7, 12, 2026);
        QCOMPARE(shown.count(QLatin1Char('\n')), count);
        QCOMPARE(this->caption(), caption);
        QVERIFY(caption_fits(control<QLabel>("Label2"), caption));
        // No password broken across two lines of the box.
        for (QTextBlock b = list()->document()->firstBlock();
             b.isValid() && b.layout() != nullptr && b.layout()->lineCount() > 0; b = b.next()) {
            QCOMPARE(b.layout()->lineCount(), 1);
        }
        QVERIFY(list()->document()->firstBlock().layout()->lineCount() == 1);
        QCOMPARE(list()->verticalScrollBar()->maximum() > 0, vertical);
        QCOMPARE(list()->horizontalScrollBar()->maximum() > 0, horizontal);
        QTRY_COMPARE(list()->verticalScrollBar()->isVisibleTo(list()), vertical);
        QTRY_COMPARE(list()->horizontalScrollBar()->isVisibleTo(list()), horizontal);

        list()->setFocus();
        QTest::keyClicks(list(), "9012XYZ");
        QTest::keyClick(list(), Qt::Key_Delete);
        QTest::keyClick(list(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(list()->toPlainText(), shown);
        list()->selectAll();
        list()->copy();
        QCOMPARE(QApplication::clipboard()->text(), shown);
        QVERIFY(list()->isReadOnly());
    }

    // A date that is not in the calendar gives the list it always gave, which is the list of the
    // calendar date the status line names; a date before 2002 is named too. The command line
    // says the same sentences (session test).
    void dates_outside_the_calendar_are_named_data() {
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QDate>("same_list");  // invalid: no calendar date to compare with
        QTest::newRow("31/2/2026")
            << 31 << 2 << 2026 << "31/2/2026 is not a date; the list is the one of 3/3/2026."
            << QDate(2026, 3, 3);
        QTest::newRow("day 0") << 0 << 3 << 2026
                               << "0/3/2026 is not a date; the list is the one of 28/2/2026."
                               << QDate(2026, 2, 28);
        QTest::newRow("day 131") << 131 << 3 << 2026
                                 << "131/3/2026 is not a date; the list is the one of 9/7/2026."
                                 << QDate(2026, 7, 9);
        QTest::newRow("day -3") << -3 << 3 << 2026
                                << "-3/3/2026 is not a date; the list is the one of 25/2/2026."
                                << QDate(2026, 2, 25);
        QTest::newRow("30/2 of a leap year")
            << 30 << 2 << 2028 << "30/2/2028 is not a date; the list is the one of 2/3/2028."
            << QDate(2028, 3, 2);
        QTest::newRow("no calendar date has it")
            << 32 << 12 << 2005 << "32/12/2005 is not a date, and no calendar date has this list."
            << QDate();
        QTest::newRow("year 1990") << 15 << 3 << 1990 << "15/3/1990 lies before 2002" << QDate();
        QTest::newRow("a date") << 29 << 2 << 2028 << "" << QDate();
    }
    void dates_outside_the_calendar_are_named() {
        QFETCH(int, day);
        QFETCH(int, month);
        QFETCH(int, year);
        QFETCH(QString, said);
        QFETCH(QDate, same_list);
        const QString shown = list_of(day, month, year);
        QCOMPARE(messages_->texts, QStringList());
        QCOMPARE(shown.count(QLatin1Char('\n')), 4);
        QVERIFY(
            file_bytes(path("output.txt"))
                .startsWith(
                    QStringLiteral("Date=%1/%2/%3\r\n").arg(month).arg(day).arg(year).toLatin1()));
        if (said.isEmpty()) {
            QCOMPARE(window_->status(), QString());
        } else {
            QVERIFY2(window_->status().startsWith(said), qPrintable(window_->status()));
        }
        QVERIFY2(status_fits(), qPrintable(window_->status()));
        if (same_list.isValid()) {
            QCOMPARE(list_of(same_list.day(), same_list.month(), same_list.year()), shown);
            QCOMPARE(window_->status(), QString());
        } else if (said.contains("no calendar date")) {
            // No calendar date within a week of it gives this list.
            for (int d = -7; d <= 7; ++d) {
                const QDate near = QDate(year, month, 1).addDays(day - 1 + d);
                QVERIFY(list_of(near.day(), near.month(), near.year()) != shown);
            }
        }
    }

    // A personal password longer than the computation takes is refused whole, with a sentence;
    // the box keeps what it held.
    void over_long_password_is_refused_whole() {
        auto* password = control<QLineEdit>("txtPpswd");
        password->setText(QStringLiteral("abc"));
        QApplication::clipboard()->setText(QString(40000, QLatin1Char('x')));
        password->setFocus();
        password->end(false);
        password->paste();
        QCOMPARE(password->text(), QStringLiteral("abc"));
        QCOMPARE(messages_->texts.size(), 1);
        QVERIFY2(messages_->texts[0].contains("32766") &&
                     messages_->texts[0].contains("shorter personal password"),
                 qPrintable(messages_->texts[0]));

        // The longest that is taken, and one character more typed.
        password->setText(QString(32766, QLatin1Char('a')));
        QCOMPARE(password->text().size(), 32766);
        password->end(false);
        QTest::keyClick(password, Qt::Key_B);
        QCOMPARE(password->text(), QString(32766, QLatin1Char('a')));
        QCOMPARE(messages_->texts.size(), 2);
        set_date(7, 12, 2026);
        generate();
        QCOMPARE(messages_->texts.size(), 2);
        QCOMPARE(list()->toPlainText().count(QLatin1Char('\n')), 4);
    }
};

QTEST_MAIN(ShownListTest)
#include "shown_list_test.moc"
