// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: start state, layout, Generate end to end and its failures, the pattern file
// at start and end, the settings window, and the menu's accelerators.
#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSessionManager>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cerrno>

#include "engine/atomic_file.h"
#include "engine/code_page.h"
#include "engine/fingerprint.h"
#include "settings/pattern_file.h"
#include "tests/support/file_calls_mock.h"
#include "ui/fingerprint_view.h"
#include "ui/frmMain.h"
#include "ui/frmSettings.h"
#include "window_test_support.h"

using namespace tessaroll;
using namespace tessaroll::ui;
using namespace tessaroll::ui::test;

namespace {

frmSettings* settings_window() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* s = qobject_cast<frmSettings*>(w)) {
            return s;
        }
    }
    return nullptr;
}

int settings_window_count() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        n += qobject_cast<frmSettings*>(w) != nullptr ? 1 : 0;
    }
    return n;
}

// The list box text and the output file of a list, apart from the file's time stamp.
QString list_text(const QStringList& passwords) {
    QString text;
    for (int i = 0; i < passwords.size(); ++i) {
        text += QStringLiteral("Password %1= %2\n").arg(i + 1).arg(passwords[i]);
    }
    return text;
}

QByteArray file_head(int day, int month, int year, const QStringList& passwords) {
    QByteArray bytes =
        QStringLiteral("Date=%1/%2/%3\r\n\r\n").arg(month).arg(day).arg(year).toLatin1();
    for (int i = 0; i < passwords.size(); ++i) {
        bytes += QStringLiteral("Password %1= %2\r\n").arg(i + 1).arg(passwords[i]).toLatin1();
    }
    return bytes + "\r\nGenerated on ";
}

}  // namespace

class FrmMainTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<frmMain> window_;
    std::unique_ptr<MessageCatcher> messages_;  // every message box, answered at once

    QString path(const char* name) const { return dir_->filePath(QString::fromLatin1(name)); }

    template <typename T>
    T* control(const char* name) const {
        return window_->findChild<T*>(QString::fromLatin1(name));
    }
    QComboBox* combo(const char* name) const { return control<QComboBox>(name); }
    QAction* action(const char* name) const { return control<QAction>(name); }
    QString list_box() const { return control<QPlainTextEdit>("txtPasswords")->toPlainText(); }

    void open(const QDate& today = QDate(2005, 3, 9), CodePage code_page = CodePage::Western) {
        window_ = std::make_unique<frmMain>(dir_->path(), today, code_page);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }
    void set_date(const QString& day, const QString& month, const QString& year) {
        combo("cmbDay")->setEditText(day);
        combo("cmbMonth")->setEditText(month);
        combo("cmbYear")->setEditText(year);
    }
    void generate() { QTest::mouseClick(control<QPushButton>("cmdGenerate"), Qt::LeftButton); }

private slots:
    void init() {
        messages_ = std::make_unique<MessageCatcher>();
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
    }
    void cleanup() {
        if (window_) {
            window_->disconnect();
            window_.reset();
        }
        messages_.reset();
        dir_.reset();
    }

    void start_state_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("last_year");  // the year list runs from 2002 to it
        QTest::newRow("9 March 2005")
            << QDate(2005, 3, 9) << QStringList{"9", "3", "2005"} << "2010";
        QTest::newRow("6 December 2026")
            << QDate(2026, 12, 6) << QStringList{"6", "12", "2026"} << "2027";
        QTest::newRow("31 January 2010")
            << QDate(2010, 1, 31) << QStringList{"31", "1", "2010"} << "2011";
        QTest::newRow("1 May 2009") << QDate(2009, 5, 1) << QStringList{"1", "5", "2009"} << "2010";
    }
    void start_state() {
        QFETCH(QDate, today);
        QFETCH(QStringList, shown);
        QFETCH(QString, last_year);
        open(today);
        QCOMPARE((QStringList{combo("cmbDay")->currentText(), combo("cmbMonth")->currentText(),
                              combo("cmbYear")->currentText()}),
                 shown);
        QCOMPARE(combo("cmbDay")->count(), 31);
        QCOMPARE(combo("cmbDay")->itemText(0), QStringLiteral("1"));
        QCOMPARE(combo("cmbMonth")->count(), 12);
        QCOMPARE(combo("cmbYear")->itemText(0), QStringLiteral("2002"));
        QCOMPARE(combo("cmbYear")->itemText(combo("cmbYear")->count() - 1), last_year);
        QCOMPARE(combo("cmbYear")->count(), last_year.toInt() - 2001);
        // Today is the selected item of each box, so the arrow keys start from it.
        for (const char* name : {"cmbDay", "cmbMonth", "cmbYear"}) {
            QCOMPARE(combo(name)->itemText(combo(name)->currentIndex()),
                     combo(name)->currentText());
        }
        QCOMPARE(control<QLineEdit>("txtPpswd")->text(), QString());
        QCOMPARE(list_box(), QString());
        QVERIFY(!control<QPushButton>("cmdPrint")->isEnabled());
        QTRY_COMPARE(QApplication::focusWidget(), control<QWidget>("cmdGenerate"));
        QCOMPARE(settings_window_count(), 0);  // no pattern file: not created
        QCOMPARE(window_->windowTitle(), QStringLiteral("Tessaroll"));
        QCOMPARE(messages_->texts, QStringList());  // a missing pattern.tq is no news
    }

    // Down in a date box gives the day, month or year after today's, never the first item.
    void arrow_keys_start_from_today_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("after");
        QTest::newRow("day Down") << "cmbDay" << int(Qt::Key_Down) << "7";
        QTest::newRow("day Up") << "cmbDay" << int(Qt::Key_Up) << "5";
        QTest::newRow("month Down at the last item") << "cmbMonth" << int(Qt::Key_Down) << "12";
        QTest::newRow("month Up") << "cmbMonth" << int(Qt::Key_Up) << "11";
        QTest::newRow("year Down") << "cmbYear" << int(Qt::Key_Down) << "2027";
        QTest::newRow("year Up") << "cmbYear" << int(Qt::Key_Up) << "2025";
    }
    void arrow_keys_start_from_today() {
        QFETCH(QString, box);
        QFETCH(int, key);
        QFETCH(QString, after);
        open(QDate(2026, 12, 6));
        QComboBox* target = combo(qPrintable(box));
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key));
        QCOMPARE(target->currentText(), after);
    }

    // Scrolling over the window reaches no date box.
    void the_mouse_wheel_changes_no_date_box() {
        open(QDate(2026, 12, 6));
        for (const char* name : {"cmbDay", "cmbMonth", "cmbYear"}) {
            QComboBox* target = combo(name);
            const QString text = target->currentText();
            scroll_over(target);
            QCOMPARE(target->currentText(), text);
        }
    }

    // Count and length written by a load, or filled in by Generate, are where Up and Down start.
    void arrow_keys_start_from_the_stored_count_and_length() {
        QVERIFY(write_bytes(path("pattern.tq"), pattern_file_bytes(50, 10, "")));
        open();
        control<QLineEdit>("txtPpswd")->setText("secret");
        set_date("26", "7", "2002");
        QComboBox* count = settings_window()->findChild<QComboBox*>("cmbPnumb");
        QComboBox* length = settings_window()->findChild<QComboBox*>("cmbLentgh");
        count->setFocus();
        QTest::keyClick(count, Qt::Key_Down);  // 50 is the last item: nothing to move to
        QCOMPARE(count->currentText(), QStringLiteral("50"));
        length->setFocus();
        QTest::keyClick(length, Qt::Key_Down);
        QCOMPARE(length->currentText(), QStringLiteral("11"));
        generate();
        QCOMPARE(list_box().count('\n'), 50);
        QVERIFY2(list_box().startsWith("Password 1= ") && list_box().indexOf('\n') == 23,
                 qPrintable(list_box().left(40)));

        // Filled in by Generate: Down from 4 is 5.
        cleanup();
        init();
        open();
        set_date("26", "7", "2002");
        generate();
        count = settings_window()->findChild<QComboBox*>("cmbPnumb");
        count->setFocus();
        QTest::keyClick(count, Qt::Key_Down);
        QCOMPARE(count->currentText(), QStringLiteral("5"));
        QCOMPARE(window_->generation_settings().pnumb, 5);
    }

    void layout_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("pixels");
        QTest::newRow("cmdGenerate") << "cmdGenerate"
                                     << "Generate" << QRect(8, 232, 81, 33);
        QTest::newRow("txtPasswords") << "txtPasswords"
                                      << "" << QRect(8, 104, 177, 97);
        QTest::newRow("txtPpswd") << "txtPpswd"
                                  << "" << QRect(144, 8, 105, 25);
        QTest::newRow("picFingerprint") << "picFingerprint"
                                        << "" << QRect(253, 8, 52, 25);
        QTest::newRow("cmdPrint") << "cmdPrint"
                                  << "Print" << QRect(120, 232, 81, 33);
        QTest::newRow("Label1") << "Label1"
                                << "Personal password" << QRect(24, 16, 105, 17);
        QTest::newRow("Label2") << "Label2"
                                << "Passwords" << QRect(8, 72, 81, 17);
        QTest::newRow("Label3") << "Label3"
                                << "Date" << QRect(256, 48, 41, 17);
        QTest::newRow("cmbDay") << "cmbDay"
                                << "2005" << QRect(256, 72, 49, 21);
        QTest::newRow("Label4") << "Label4"
                                << "Day" << QRect(208, 80, 25, 17);
        QTest::newRow("Label5") << "Label5"
                                << "Month" << QRect(208, 112, 33, 17);
        QTest::newRow("Label6") << "Label6"
                                << "Year" << QRect(208, 144, 33, 17);
        QTest::newRow("cmbMonth") << "cmbMonth"
                                  << "2005" << QRect(256, 104, 49, 21);
        QTest::newRow("cmbYear") << "cmbYear"
                                 << "2005" << QRect(256, 136, 49, 21);
        QTest::newRow("cmdSettings") << "cmdSettings"
                                     << "Settings" << QRect(224, 232, 81, 33);
    }
    void layout() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QRect, pixels);
        open();
        auto* widget = window_->findChild<QWidget*>(name);
        QVERIFY(widget);
        QCOMPARE(widget->geometry(), pixels);
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            QCOMPARE(label->text(), caption);
        } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
            QCOMPARE(button->text(), caption);
            QVERIFY(!button->isDefault());
            QVERIFY(!button->autoDefault());
        }
        if (auto* box = qobject_cast<QComboBox*>(widget)) {
            QVERIFY2(text_fits(box, caption), qPrintable(caption));  // four digits fit
        } else if (!caption.isEmpty()) {
            QVERIFY2(caption_fits(widget, caption), qPrintable(caption));
        }
    }

    void window_frame_and_tab_order() {
        open();
        // 287 pixels high as laid out, and 34 more at the bottom for the status line.
        QCOMPARE(window_->centralWidget()->size(), QSize(312, 321));
        QCOMPARE(window_->centralWidget()->mapToGlobal(QPoint(0, 0)), QPoint(77, 115));
        const QStringList expected{"txtPasswords", "txtPpswd", "cmdPrint",    "cmbDay",
                                   "cmbMonth",     "cmbYear",  "cmdSettings", "cmdGenerate"};
        QStringList order;
        QWidget* w = control<QWidget>("cmdGenerate");
        while (order.size() < expected.size()) {
            w = w->nextInFocusChain();
            if (expected.contains(w->objectName())) {
                order << w->objectName();
            }
        }
        QCOMPARE(order, expected);
        // The list box passes Tab on instead of taking a tab character.
        auto* list = control<QPlainTextEdit>("txtPasswords");
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), control<QWidget>("txtPpswd"));
        QCOMPARE(list->toPlainText(), QString());
    }

    void menu() {
        open();
        auto* help = control<QMenu>("Help");
        QVERIFY(help);
        QCOMPARE(help->title(), QStringLiteral("Help"));
        QStringList captions, keys;
        for (QAction* a : help->actions()) {
            captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
            keys << a->shortcut().toString(QKeySequence::PortableText);
        }
        QCOMPARE(captions, QStringList({"About", "User Guide", "We Pay", "-", "Exit"}));
        QCOMPARE(keys, QStringList({"Ctrl+A", "Ctrl+U", "Ctrl+P", "", "Ctrl+E"}));
    }

    void password_box_shows_stars() {
        open();
        auto* box = control<QLineEdit>("txtPpswd");
        box->setFocus();
        QTest::keyClicks(box, "se cr3t");
        QCOMPARE(box->text(), QStringLiteral("se cr3t"));
        QCOMPARE(box->displayText(), QStringLiteral("*******"));
        box->setText(QStringLiteral("ö中"));
        QCOMPARE(box->displayText(), QStringLiteral("**"));
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(box);
        QVERIFY(accessible);
        QVERIFY(accessible->state().passwordEdit);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Personal password"));
    }

    void generate_matches_the_reference_data() {
        const std::vector<Vector> vectors = engine_vectors();
        QVERIFY(vectors.size() > 40);
        // Several kinds: empty and non-ASCII personal passwords, a count of 0, long lists, and one
        // list of each other code page, with the window started in that code page.
        std::vector<Vector> picked;
        for (std::size_t n = 0; n < vectors.size(); n += vectors.size() / 7) {
            while (n < vectors.size() && (vectors[n].count < 1 || vectors[n].length < 1)) {
                ++n;  // the window refuses those (count_or_length_below_one_is_refused)
            }
            if (n == vectors.size()) {
                break;
            }
            picked.push_back(vectors[n]);
        }
        for (const Vector& v : vectors) {
            const auto seen = [&](const Vector& p) { return p.code_page == v.code_page; };
            if (!v.error && v.count >= 1 && v.length >= 1 &&
                std::none_of(picked.begin(), picked.end(), seen)) {
                picked.push_back(v);
            }
        }
        int checked = 0;
        for (const Vector& v : picked) {
            QVERIFY(!v.error);
            cleanup();
            init();
            QVERIFY(
                write_bytes(path("pattern.tq"), pattern_file_bytes(v.count, v.length, v.pattern)));
            const auto code_page = code_page_from_number(v.code_page);
            QVERIFY(code_page);
            open(QDate(2005, 3, 9), *code_page);
            QVERIFY(settings_window());
            QCOMPARE(settings_window()->count_text(), QString::number(v.count));
            control<QLineEdit>("txtPpswd")->setText(v.personal);
            set_date(QString::number(v.day), QString::number(v.month), QString::number(v.year));
            generate();
            QCOMPARE(messages_->texts, QStringList());
            QCOMPARE(list_box(), list_text(v.passwords));
            const QByteArray file = file_bytes(path("output.txt"));
            const QByteArray head = file_head(v.day, v.month, v.year, v.passwords);
            QCOMPARE(file.left(head.size()), head);
            QVERIFY(QRegularExpression(QStringLiteral("^[^\r\n]+\r\n$"))
                        .match(QString::fromLatin1(file.mid(head.size())))
                        .hasMatch());
            QVERIFY(control<QPushButton>("cmdPrint")->isEnabled());
            ++checked;
        }
        QCOMPARE(checked, 17);
    }

    void empty_settings_boxes_get_4_and_10() {
        open();
        control<QLineEdit>("txtPpswd")->setText("secret");
        set_date("26", "7", "2002");
        generate();
        QVERIFY(settings_window());
        QVERIFY(!settings_window()->isVisible());
        QCOMPARE(settings_window()->count_text(), QStringLiteral("4"));
        QCOMPARE(settings_window()->length_text(), QStringLiteral("10"));
        QCOMPARE(window_->generation_settings().pnumb, 4);
        QCOMPARE(window_->generation_settings().lentgh, 10);
        // The length written brings its position list, with nothing shown in it yet.
        auto* positions = settings_window()->findChild<QComboBox*>("cmbPosition");
        QCOMPARE(positions->count(), 10);
        QCOMPARE(positions->currentText(), QString());
        QCOMPARE(list_box().count('\n'), 4);
        QVERIFY(QRegularExpression(QStringLiteral("^(Password [1-4]= [0-9]{10}\n){4}$"))
                    .match(list_box())
                    .hasMatch());
    }

    void typed_count_takes_effect_at_the_next_generate() {
        open();
        set_date("26", "7", "2002");
        generate();
        QCOMPARE(list_box().count('\n'), 4);
        cmdSettings_then_type_count("7");
        QCOMPARE(window_->generation_settings().pnumb, 4);
        generate();
        QCOMPARE(window_->generation_settings().pnumb, 7);
        QCOMPARE(list_box().count('\n'), 7);
    }
    void cmdSettings_then_pick_count(const char* count) {
        QTest::mouseClick(control<QPushButton>("cmdSettings"), Qt::LeftButton);
        QVERIFY(pick(settings_window()->findChild<QComboBox*>("cmbPnumb"), count));
    }
    void cmdSettings_then_type_count(const char* count) {
        QTest::mouseClick(control<QPushButton>("cmdSettings"), Qt::LeftButton);
        QComboBox* box = settings_window()->findChild<QComboBox*>("cmbPnumb");
        box->lineEdit()->selectAll();
        QTest::keyClicks(box, count);
        QTest::keyClick(box, Qt::Key_Return);
    }

    void errors_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("said");
        QTest::newRow("day not a number") << "cmbDay"
                                          << "abc" << QStringList{"Day", "\"abc\"", "1 to 31"};
        QTest::newRow("month empty") << "cmbMonth"
                                     << "" << QStringList{"Month box is empty", "1 to 12"};
        QTest::newRow("year out of 16 bits")
            << "cmbYear"
            << "99999" << QStringList{"Year", "\"99999\"", "2002 to 2091"};
        QTest::newRow("count only blanks")
            << "cmbPnumb"
            << "   " << QStringList{"Number of passwords box holds only blanks", "Settings window"};
        QTest::newRow("length not a number")
            << "cmbLentgh"
            << "ten" << QStringList{"Length of passwords", "\"ten\"", "1 to 130"};
        QTest::newRow("month refused") << "cmbMonth"
                                       << "13" << QStringList{"13", "1 to 12"};
        QTest::newRow("day index 0") << "cmbDay"
                                     << "1" << QStringList{"1/1/2002", "2/1/2002"};
        QTest::newRow("count above 130") << "cmbPnumb"
                                         << "131" << QStringList{"131", "130"};
        QTest::newRow("length above 130") << "cmbLentgh"
                                          << "131" << QStringList{"131", "130"};
        QTest::newRow("year too far") << "cmbYear"
                                      << "2200" << QStringList{"2200", "2002 to 2091"};
        QTest::newRow("output.txt not writable")
            << ""
            << "" << QStringList{"output.txt", "previous output.txt is unchanged"};
    }
    void errors() {
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QStringList, said);
        open();
        control<QLineEdit>("txtPpswd")->setText("secret");
        set_date("1", "1", "2003");
        generate();
        const QByteArray before = file_bytes(path("output.txt"));
        QVERIFY(before.startsWith("Date=1/1/2003\r\n"));
        QCOMPARE(list_box().count('\n'), 4);

        if (box.isEmpty()) {
            file_calls_mock::fail(file_calls_mock::Call::sync, EIO);  // the disk refuses the file
        } else if (box == "cmbPnumb" || box == "cmbLentgh") {
            settings_window()->findChild<QComboBox*>(box)->setEditText(text);
        } else {
            if (box == "cmbDay") {
                set_date("1", "1", "2002");  // day index 0 with the day "1"
            }
            combo(qPrintable(box))->setEditText(text);
        }
        messages_->texts.clear();
        generate();
        file_calls_mock::fail(file_calls_mock::Call::sync, 0);
        QCOMPARE(messages_->texts.size(), 1);
        for (const QString& part : said) {
            QVERIFY2(messages_->texts[0].contains(part), qPrintable(messages_->texts[0]));
        }
        QCOMPARE(list_box(), QString());
        QCOMPARE(file_bytes(path("output.txt")), before);
        QVERIFY(!control<QPushButton>("cmdPrint")->isEnabled());  // the box shows no list
        QVERIFY(window_->isVisible());                            // the program goes on
    }

    void pattern_file_loaded_at_start() {
        QVERIFY(write_bytes(path("pattern.tq"), pattern_file_bytes(7, 12, "dlldddddddll")));
        open();
        frmSettings* settings = settings_window();
        QVERIFY(settings);
        QVERIFY(!settings->isVisible());  // created hidden
        QCOMPARE(settings->count_text(), QStringLiteral("7"));
        QCOMPARE(settings->length_text(), QStringLiteral("12"));
        QCOMPARE(window_->generation_settings().pnumb, 7);
        QCOMPARE(window_->generation_settings().typ[2], 1);
        QCOMPARE(window_->generation_settings().typ[4], 0);
        QCOMPARE(window_->generation_settings().typ[12], 1);
        QCOMPARE(settings->findChild<QComboBox*>("cmbPosition")->count(), 12);
    }

    // A pattern.tq that does not load as the program writes it is named once, at start, and
    // kept as pattern.tq.bak before the first save replaces it.
    void damaged_pattern_file_is_reported_and_kept_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<int>("count");  // in the settings window after the load; 0 for empty
        QByteArray long_file = pattern_file_bytes(7, 12, "");
        for (int k = 0; k < 131; ++k) {
            long_file += " 1 \r\n";
        }
        const QByteArray line_5(" 7  6 \r\n 0 \r\n 1 \r\n 0 \r\nx\r\n 0 \r\n 1 \r\n");
        QTest::newRow("131 flag lines") << long_file << QStringList{"line 132", "130"} << 0;
        QTest::newRow("text for the count")
            << QByteArray(" abc  10 \r\n 1 \r\n") << QStringList{"line 1", "abc"} << 0;
        QTest::newRow("length outside 16 bits")
            << QByteArray(" 4  70000 \r\n") << QStringList{"line 1", "70000"} << 0;
        QTest::newRow("text on line 5") << line_5 << QStringList{"line 5", "\"x\"", "0"} << 7;
    }
    void damaged_pattern_file_is_reported_and_kept() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, said);
        QFETCH(int, count);
        QVERIFY(write_bytes(path("pattern.tq"), bytes));
        open();
        QTRY_COMPARE(messages_->texts.size(), 1);
        const QString text = messages_->texts[0];
        const QString file = QDir::toNativeSeparators(path("pattern.tq"));  // as users write it
        for (const QString& part : said + QStringList{file, "pattern.tq.bak"}) {
            QVERIFY2(text.contains(part), qPrintable(part + QStringLiteral(" in: ") + text));
        }
        QCOMPARE(settings_window_count(), count == 0 ? 0 : 1);
        if (count != 0) {
            QCOMPARE(settings_window()->count_text(), QString::number(count));
        }
        QVERIFY(!QFile::exists(path("pattern.tq.bak")));  // nothing written before a save

        set_date("26", "7", "2002");
        generate();
        // A file that loaded completely is not written while nothing changes.
        QCOMPARE(file_bytes(path("pattern.tq")) == bytes, count != 0);
        cmdSettings_then_pick_count("5");
        action("Exit")->trigger();
        QCOMPARE(messages_->texts.size(), 1);  // said once
        QCOMPARE(file_bytes(path("pattern.tq.bak")), bytes);
        GenerationSettings saved;
        QCOMPARE(load_pattern_file(path("pattern.tq").toStdString(), saved).status,
                 PatternLoad::Complete);
        QCOMPARE(saved.pnumb, 5);
    }

    // Without its copy, a file that did not load completely is not replaced.
    void damaged_pattern_file_stays_when_no_copy_can_be_kept() {
        const QByteArray bytes(" 4  10 x\r\n 1 \r\n 1 \r\n x \r\n");
        QVERIFY(write_bytes(path("pattern.tq"), bytes));
        QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("pattern.tq.bak")));
        open();
        QTRY_COMPARE(messages_->texts.size(), 1);
        set_date("26", "7", "2002");
        generate();
        cmdSettings_then_pick_count("5");  // a change, whose save cannot keep the copy
        QVERIFY(window_->close());         // nor can the last flush: not said twice
        QCOMPARE(messages_->texts.size(), 2);
        QVERIFY2(messages_->texts[1].contains("pattern.tq.bak") &&
                     messages_->texts[1].contains("not saved"),
                 qPrintable(messages_->texts[1]));
        QCOMPARE(file_bytes(path("pattern.tq")), bytes);
    }

    // A run in which nothing was loaded or chosen leaves no pattern.tq behind, so the next
    // start still gives 4 passwords of 10 characters.
    void first_run_without_choices_writes_no_pattern_file_data() {
        ending_saves_the_pattern_once_data();
    }
    void first_run_without_choices_writes_no_pattern_file() {
        QFETCH(bool, exit);
        open();
        combo("cmbDay")->setFocus();
        QTest::keyClick(combo("cmbDay"), Qt::Key_Down);
        if (exit) {
            action("Exit")->trigger();
        } else {
            QVERIFY(window_->close());
        }
        QVERIFY(!QFile::exists(path("pattern.tq")));
        window_.reset();
        open();
        control<QLineEdit>("txtPpswd")->setText("secret");
        set_date("26", "7", "2002");
        generate();
        QVERIFY(QRegularExpression(QStringLiteral("^(Password [1-4]= [0-9]{10}\n){4}$"))
                    .match(list_box())
                    .hasMatch());
        QCOMPARE(messages_->texts, QStringList());
    }

    // A count or a length below 1 gives one message and no list; output.txt stays as it was.
    void count_or_length_below_one_is_refused_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("said");
        QTest::newRow("count 0, length 0") << 0 << 0 << "number of passwords is 0";
        QTest::newRow("count -3") << -3 << 10 << "number of passwords is -3";
        QTest::newRow("length 0") << 4 << 0 << "length of the passwords is 0";
    }
    void count_or_length_below_one_is_refused() {
        QFETCH(int, count);
        QFETCH(int, length);
        QFETCH(QString, said);
        const QByteArray before("Date=7/25/2002\r\n\r\nPassword 1= 1\r\n\r\nGenerated on x\r\n");
        QVERIFY(write_bytes(path("output.txt"), before));
        QVERIFY(write_bytes(path("pattern.tq"), pattern_file_bytes(count, length, "")));
        open();
        set_date("26", "7", "2002");
        generate();
        QCOMPARE(messages_->texts.size(), 1);
        QVERIFY2(messages_->texts[0].contains(said) && messages_->texts[0].contains("1 to 130"),
                 qPrintable(messages_->texts[0]));
        QCOMPARE(list_box(), QString());
        QCOMPARE(file_bytes(path("output.txt")), before);
    }

    // Every accepted change is saved when it is made. Qt closes no window when the desktop
    // session ends, so a change whose save failed is saved again when the session manager asks
    // for the program's data, and once only in the run; with nothing left to save, nothing is
    // written.
    void session_end_saves_what_is_left_to_save() {
        open();
        set_date("26", "7", "2002");
        cmdSettings_then_type_count("9");
        generate();
        GenerationSettings saved;
        QCOMPARE(load_pattern_file(path("pattern.tq").toStdString(), saved).status,
                 PatternLoad::Complete);
        QCOMPARE(saved.pnumb, 9);
        QVERIFY(QFile::remove(path("pattern.tq")));
        emit_without_arguments(QMetaMethod::fromSignal(&QGuiApplication::commitDataRequest));
        QVERIFY(!QFile::exists(path("pattern.tq")));  // nothing changed since

        // A folder in the file's place makes the next save fail; the session's end saves it.
        QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("pattern.tq")));
        cmdSettings_then_pick_count("8");
        QCOMPARE(messages_->texts.size(), 1);
        QVERIFY2(messages_->texts[0].contains("not saved"), qPrintable(messages_->texts[0]));
        messages_->texts.clear();
        QVERIFY(QDir(dir_->path()).rmdir(QStringLiteral("pattern.tq")));
        emit_without_arguments(QMetaMethod::fromSignal(&QGuiApplication::commitDataRequest));
        QCOMPARE(load_pattern_file(path("pattern.tq").toStdString(), saved).status,
                 PatternLoad::Complete);
        QCOMPARE(saved.pnumb, 8);
        QVERIFY(QFile::remove(path("pattern.tq")));
        emit_without_arguments(QMetaMethod::fromSignal(&QCoreApplication::aboutToQuit));
        action("Exit")->trigger();
        QVERIFY(!QFile::exists(path("pattern.tq")));  // not written a second time
        QCOMPARE(messages_->texts, QStringList());
    }
    // Emits one of the application's signals to its receivers. The session manager argument
    // of commitDataRequest cannot be made outside Qt; the window does not look at it.
    static void emit_without_arguments(const QMetaMethod& signal) {
        QVERIFY(signal.isValid());
        alignas(std::max_align_t) char unused[64] = {};
        void* arguments[] = {nullptr, unused};
        QMetaObject::activate(qApp, signal.enclosingMetaObject(), signal.relativeMethodIndex(),
                              arguments);
    }

    // The fingerprint beside the password box follows every character typed, and agrees with
    // the engine's (which tessaroll-cli prints).
    void fingerprint_follows_the_password() {
        open();
        auto* password = control<QLineEdit>("txtPpswd");
        auto* view = control<FingerprintView>("picFingerprint");
        QVERIFY(view);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(view);
        QVERIFY(accessible);
        QCOMPARE(accessible->text(QAccessible::Name),
                 QStringLiteral("fingerprint of the personal password"));
        QVERIFY(!view->fingerprint());
        QCOMPARE(view->toolTip(), QString());
        const QImage empty = view->grab().toImage();

        password->setFocus();
        QTest::keyClicks(password, "secret");
        QVERIFY(view->fingerprint());
        QCOMPARE(*view->fingerprint(), password_fingerprint("secret"));
        QCOMPARE(accessible->text(QAccessible::Description), QStringLiteral("heart square bolt"));
        QVERIFY2(view->toolTip().contains("heart square bolt"), qPrintable(view->toolTip()));
        QVERIFY(view->grab().toImage() != empty);

        QTest::keyClick(password, Qt::Key_Backspace);
        QCOMPARE(*view->fingerprint(), password_fingerprint("secre"));
        password->setText(QStringLiteral("\u00e9\u20ac"));  // through the code page
        QCOMPARE(*view->fingerprint(),
                 password_fingerprint(to_code_page("\u00e9\u20ac", CodePage::Western)));
        password->clear();
        QVERIFY(!view->fingerprint());
        QCOMPARE(accessible->text(QAccessible::Description), QString());

        // Characters beyond the seed's reach leave the list, and so the fingerprint, alone.
        password->setText("secretpass12A");
        const Fingerprint shown = *view->fingerprint();
        password->setText("secretpass12zzzz");
        QCOMPARE(*view->fingerprint(), shown);
        QVERIFY(!view->hasFocus() && view->focusPolicy() == Qt::NoFocus);  // not a tab stop
    }

    // The fingerprint is the one of the code page the window was started with: "\u0142" is "l" in
    // 1252 but a letter of its own in 1250, and the two seeds differ.
    void fingerprint_follows_the_code_page() {
        const std::string text = "\u0142\u00f3d\u017a";
        const Fingerprint western = password_fingerprint(to_code_page(text, CodePage::Western));
        const Fingerprint central =
            password_fingerprint(to_code_page(text, CodePage::CentralEuropean));
        QVERIFY(western != central);
        open(QDate(2005, 3, 9), CodePage::CentralEuropean);
        control<QLineEdit>("txtPpswd")->setText(QString::fromStdString(text));
        auto* view = control<FingerprintView>("picFingerprint");
        QVERIFY(view->fingerprint());
        QCOMPARE(*view->fingerprint(), central);
    }

    // Every shape is drawn, and no two alike.
    void fingerprint_shapes_differ() {
        const auto drawn = [](int s) {
            QImage image(32, 32, QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            if (s >= 0) {
                QPainter painter(&image);
                draw_fingerprint_symbol(painter, static_cast<std::uint8_t>(s),
                                        QRectF(2, 2, 28, 28));
            }
            // Shape alone: every drawn pixel the same, whatever its colour.
            return image.createAlphaMask();
        };
        std::vector<QImage> shapes{drawn(-1)};  // nothing drawn
        for (int s = 0; s < kFingerprintShapes; ++s) {
            const QImage mask = drawn(s);
            for (const QImage& other : shapes) {
                QVERIFY2(other != mask, qPrintable(QString::number(s)));
            }
            shapes.push_back(mask);
        }
    }

    void settings_button_shows_one_window() {
        open();
        auto* button = control<QPushButton>("cmdSettings");
        QTest::mouseClick(button, Qt::LeftButton);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(settings_window_count(), 1);
        QVERIFY(settings_window()->isVisible());
        QCOMPARE(settings_window()->count_text(), QString());
        QCOMPARE(settings_window()->length_text(), QString());
        QVERIFY(window_->isEnabled());
        QVERIFY(!settings_window()->isModal());
        settings_window()->close();
        QVERIFY(!settings_window()->isVisible());
        QCOMPARE(settings_window_count(), 1);
        generate();  // the main window still works
        QCOMPARE(list_box().count('\n'), 4);
    }

    void ending_saves_the_pattern_once_data() {
        QTest::addColumn<bool>("exit");
        QTest::newRow("Exit") << true;
        QTest::newRow("close box") << false;
    }
    void ending_saves_the_pattern_once() {
        QFETCH(bool, exit);
        open();
        set_date("26", "7", "2002");
        cmdSettings_then_type_count("9");
        generate();
        QSignalSpy ended(window_.get(), &frmMain::ended);
        if (exit) {
            action("Exit")->trigger();
        } else {
            QVERIFY(window_->close());
        }
        QCOMPARE(ended.size(), 1);
        QVERIFY(!window_->isVisible());
        QVERIFY(!settings_window()->isVisible());
        GenerationSettings saved;
        QCOMPARE(load_pattern_file(path("pattern.tq").toStdString(), saved).status,
                 PatternLoad::Complete);
        QCOMPARE(saved.pnumb, 9);
        QCOMPARE(saved.lentgh, 10);
    }

    void failed_save_says_so_once_and_still_ends_data() { ending_saves_the_pattern_once_data(); }
    void failed_save_says_so_once_and_still_ends() {
        QFETCH(bool, exit);
        QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("pattern.tq")));
        open();
        set_date("26", "7", "2002");
        generate();  // settings to save
        QSignalSpy ended(window_.get(), &frmMain::ended);
        if (exit) {
            action("Exit")->trigger();
        } else {
            QVERIFY(window_->close());
        }
        QCOMPARE(messages_->texts.size(), 1);
        QVERIFY2(messages_->texts[0].contains("pattern.tq"), qPrintable(messages_->texts[0]));
        QCOMPARE(ended.size(), 1);
        QVERIFY(!window_->isVisible());
    }

    void accelerators_while_a_box_has_the_focus_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("entry");
        for (const char* focus : {"txtPpswd", "cmbDay", "txtPasswords"}) {
            const QString f = QString::fromLatin1(focus);
            QTest::addRow("%s Ctrl+A", focus) << f << int(Qt::Key_A) << "About";
            QTest::addRow("%s Ctrl+U", focus) << f << int(Qt::Key_U) << "UserGuide";
            QTest::addRow("%s Ctrl+P", focus) << f << int(Qt::Key_P) << "We_pay";
            QTest::addRow("%s Ctrl+E", focus) << f << int(Qt::Key_E) << "Exit";
        }
    }
    void accelerators_while_a_box_has_the_focus() {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(QString, entry);
        open();
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        auto* box = window_->findChild<QWidget*>(focus);
        box->setFocus();
        QTRY_VERIFY(box->hasFocus());
        auto* password = control<QLineEdit>("txtPpswd");
        password->setText("abc");
        password->setCursorPosition(1);

        QSignalSpy triggered(action(qPrintable(entry)), &QAction::triggered);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::ControlModifier);
        QCOMPARE(triggered.size(), 1);
        QVERIFY(!password->hasSelectedText());              // Ctrl+A did not select the text
        QCOMPARE(password->cursorPosition(), 1);            // Ctrl+E did not move to the end
        QCOMPARE(password->text(), QStringLiteral("abc"));  // Ctrl+U did not delete
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->inherits("tessaroll::ui::frmHelp")) {
                w->close();
            }
        }
    }
};

QTEST_MAIN(FrmMainTest)
#include "frm_main_test.moc"
