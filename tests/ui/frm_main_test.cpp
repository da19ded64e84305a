// The main window: start state, layout, Generate end to end and its failures, the pattern file
// at start and end, the settings window, and the menu's accelerators.
#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

#include "settings/pattern_file.h"
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
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
    }
    void cleanup() {
        if (window_) {
            window_->disconnect();
            set_message_hook([](const QString&) {});  // the close saves; answer any box
            window_.reset();
            set_message_hook({});
        }
        dir_.reset();
    }

    void start_state_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("9 March 2005") << QDate(2005, 3, 9) << QStringList{"9", "3", "2005"};
        QTest::newRow("6 December 2026") << QDate(2026, 12, 6) << QStringList{"6", "12", "2026"};
        QTest::newRow("31 January 2010") << QDate(2010, 1, 31) << QStringList{"31", "1", "2010"};
    }
    void start_state() {
        QFETCH(QDate, today);
        QFETCH(QStringList, shown);
        open(today);
        QCOMPARE((QStringList{combo("cmbDay")->currentText(), combo("cmbMonth")->currentText(),
                              combo("cmbYear")->currentText()}),
                 shown);
        QCOMPARE(combo("cmbDay")->count(), 31);
        QCOMPARE(combo("cmbDay")->itemText(0), QStringLiteral("1"));
        QCOMPARE(combo("cmbMonth")->count(), 12);
        QCOMPARE(combo("cmbYear")->count(), 9);
        QCOMPARE(combo("cmbYear")->itemText(0), QStringLiteral("2002"));
        QCOMPARE(combo("cmbYear")->itemText(8), QStringLiteral("2010"));
        QCOMPARE(control<QLineEdit>("txtPpswd")->text(), QString());
        QCOMPARE(list_box(), QString());
        QVERIFY(!control<QPushButton>("cmdPrint")->isEnabled());
        QTRY_COMPARE(QApplication::focusWidget(), control<QWidget>("cmdGenerate"));
        QCOMPARE(settings_window_count(), 0);  // no pattern file: not created
        QCOMPARE(window_->windowTitle(), QStringLiteral("Tessaroll"));
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
                                  << "" << QRect(144, 8, 161, 25);
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
        QCOMPARE(window_->centralWidget()->size(), QSize(312, 287));
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
            picked.push_back(vectors[n]);
        }
        for (const Vector& v : vectors) {
            const auto seen = [&](const Vector& p) { return p.code_page == v.code_page; };
            if (!v.error && std::none_of(picked.begin(), picked.end(), seen)) {
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
            MessageCatcher messages;
            generate();
            QCOMPARE(messages.texts, QStringList());
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
                                     << "1" << QStringList{"1/1/2002", "2 January 2002"};
        QTest::newRow("count above 130") << "cmbPnumb"
                                         << "131" << QStringList{"131", "130"};
        QTest::newRow("length above 130") << "cmbLentgh"
                                          << "131" << QStringList{"131", "130"};
        QTest::newRow("year too far") << "cmbYear"
                                      << "2200" << QStringList{"2200", "89 years"};
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
            // The file is replaced through a temporary file beside it; a folder in its place
            // makes the write fail.
            QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("output.txt.tmp")));
        } else if (box == "cmbPnumb" || box == "cmbLentgh") {
            settings_window()->findChild<QComboBox*>(box)->setEditText(text);
        } else {
            if (box == "cmbDay") {
                set_date("1", "1", "2002");  // day index 0 with the day "1"
            }
            combo(qPrintable(box))->setEditText(text);
        }
        MessageCatcher messages;
        generate();
        QCOMPARE(messages.texts.size(), 1);
        for (const QString& part : said) {
            QVERIFY2(messages.texts[0].contains(part), qPrintable(messages.texts[0]));
        }
        QCOMPARE(list_box(), QString());
        QCOMPARE(file_bytes(path("output.txt")), before);
        QVERIFY(control<QPushButton>("cmdPrint")->isEnabled());
        QVERIFY(window_->isVisible());  // the program goes on
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

    void broken_pattern_file_is_silent() {
        QByteArray bytes = pattern_file_bytes(7, 12, "");
        for (int k = 0; k < 131; ++k) {
            bytes += " 1 \r\n";
        }
        QVERIFY(write_bytes(path("pattern.tq"), bytes));
        MessageCatcher messages;
        open();
        QCOMPARE(messages.texts, QStringList());
        QCOMPARE(settings_window_count(), 0);  // boxes untouched
        QCOMPARE(window_->generation_settings().pnumb, 7);
        QCOMPARE(window_->generation_settings().typ[130], 1);
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
        QSignalSpy ended(window_.get(), &frmMain::ended);
        MessageCatcher messages;
        if (exit) {
            action("Exit")->trigger();
        } else {
            QVERIFY(window_->close());
        }
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY2(messages.texts[0].contains("pattern.tq"), qPrintable(messages.texts[0]));
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

        MessageCatcher messages;  // a help page that cannot be shown reports through a box
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
