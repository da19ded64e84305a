// SPDX-License-Identifier: GPL-3.0-or-later
// The settings window: layout, lists, and which user actions change the generation settings.
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "ui/frmSettings.h"
#include "ui/program_folders.h"
#include "window_test_support.h"

using namespace tessaroll;
using namespace tessaroll::ui;
using namespace tessaroll::ui::test;

namespace {

QStringList numbers(int first, int last, const QString& prefix = {}) {
    QStringList items;
    for (int n = first; n <= last; ++n) {
        items << prefix + QString::number(n);
    }
    return items;
}

}  // namespace

class FrmSettingsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<SettingsStore> store_;
    std::unique_ptr<frmSettings> window_;
    std::unique_ptr<MessageCatcher> messages_;  // this window shows none

    QComboBox* box(const char* name) {
        return window_->findChild<QComboBox*>(QString::fromLatin1(name));
    }
    // The window's status line.
    QString status() {
        auto* line = window_->findChild<QLabel*>(QStringLiteral("LabelStatus"));
        return line != nullptr ? line->text() : QString();
    }
    // Whether the status line's text fits its strip, broken into lines as the label does.
    bool status_fits() {
        return wrapped_text_fits(window_->findChild<QLabel*>(QStringLiteral("LabelStatus")));
    }

private slots:
    void init() {
        messages_ = std::make_unique<MessageCatcher>();
        dir_ = std::make_unique<QTemporaryDir>();
        store_ = std::make_unique<SettingsStore>(to_path(dir_->filePath("pattern.tq")));
        window_ = std::make_unique<frmSettings>(*store_);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }
    void cleanup() {
        window_.reset();
        QCOMPARE(messages_->texts, QStringList());
        messages_.reset();
    }

    void layout_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("pixels");
        QTest::newRow("Label1") << "Label1"
                                << "Number of passwords" << QRect(8, 16, 113, 17);
        QTest::newRow("Label2") << "Label2"
                                << "Length of passwords" << QRect(8, 48, 113, 17);
        QTest::newRow("Label3") << "Label3"
                                << "Pattern" << QRect(80, 88, 41, 17);
        QTest::newRow("cmbPnumb") << "cmbPnumb"
                                  << "" << QRect(120, 16, 57, 21);
        QTest::newRow("cmbLentgh") << "cmbLentgh"
                                   << "" << QRect(120, 48, 57, 21);
        QTest::newRow("cmbPosition") << "cmbPosition"
                                     << "" << QRect(16, 136, 65, 21);
        QTest::newRow("Label5") << "Label5"
                                << "Position" << QRect(16, 112, 41, 17);
        QTest::newRow("Label6") << "Label6"
                                << "Symbol" << QRect(120, 112, 41, 17);
        QTest::newRow("cmbSymbol") << "cmbSymbol"
                                   << "" << QRect(120, 136, 65, 21);
        QTest::newRow("LabelStatus") << "LabelStatus"
                                     << "" << QRect(8, 158, 193, 32);
    }
    void layout() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QRect, pixels);
        auto* control = window_->findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), pixels);
        if (auto* label = qobject_cast<QLabel*>(control)) {
            QCOMPARE(label->text(), caption);
            QVERIFY2(caption_fits(label, caption), qPrintable(caption));
            if (name == "LabelStatus") {  // the one status sentence fits the strip
                QVERIFY(pick(box("cmbSymbol"), "Letter"));
                QVERIFY(!label->text().isEmpty());
                QVERIFY2(caption_fits(label, label->text()), qPrintable(label->text()));
            }
        } else {
            auto* combo = qobject_cast<QComboBox*>(control);
            QVERIFY(combo);
            QVERIFY(combo->isEditable());
            QCOMPARE(combo->currentText(), QString());
            for (const QString& item :
                 {QStringLiteral("128"), QStringLiteral(" 128"), QStringLiteral("Letter")}) {
                QVERIFY2(text_fits(combo, item), qPrintable(item));
            }
        }
    }

    void window_properties() {
        QCOMPARE(window_->windowTitle(), QStringLiteral("Settings"));
        // 172 pixels high as laid out, and 20 more at the bottom for the status line's second line.
        QCOMPARE(window_->geometry(), QRect(440, 96, 209, 192));
        QVERIFY(QApplication::focusWidget() == box("cmbPnumb") ||
                window_->focusWidget() == box("cmbPnumb"));
        // Tab order: count, length, position, symbol, back to count.
        QWidget* w = box("cmbPnumb");
        QStringList order;
        for (int i = 0; i < 4; ++i) {
            w = w->nextInFocusChain();
            while (!qobject_cast<QComboBox*>(w)) {
                w = w->nextInFocusChain();
            }
            order << w->objectName();
        }
        QCOMPARE(order, QStringList({"cmbLentgh", "cmbPosition", "cmbSymbol", "cmbPnumb"}));
    }

    void lists_when_created() {
        QCOMPARE(items_of(box("cmbPnumb")), numbers(1, 50));
        QCOMPARE(items_of(box("cmbLentgh")), numbers(6, 128));
        QCOMPARE(items_of(box("cmbSymbol")), QStringList({"Digit", "Letter"}));
        QCOMPARE(box("cmbPosition")->count(), 0);
        for (const char* name : {"cmbPnumb", "cmbLentgh", "cmbPosition", "cmbSymbol"}) {
            QCOMPARE(box(name)->currentText(), QString());
            QCOMPARE(box(name)->currentIndex(), -1);
        }
    }

    void picking_count_and_length() {
        QVERIFY(pick(box("cmbPnumb"), "12"));
        QCOMPARE(store_->settings().pnumb, 12);
        QVERIFY(pick(box("cmbLentgh"), "12"));
        QCOMPARE(store_->settings().lentgh, 12);
        QCOMPARE(items_of(box("cmbPosition")), numbers(1, 12, " "));
        // The arrow keys on the closed box pick the neighbouring item.
        box("cmbLentgh")->setFocus();
        QTest::keyClick(box("cmbLentgh"), Qt::Key_Down);
        QCOMPARE(box("cmbLentgh")->currentText(), QStringLiteral("13"));
        QCOMPARE(store_->settings().lentgh, 13);
        QCOMPARE(box("cmbPosition")->count(), 13);
        // ... from a text the program wrote as well: the pick is its neighbour, not the first
        // item.
        window_->set_length_text("30");
        QTest::keyClick(box("cmbLentgh"), Qt::Key_Down);
        QCOMPARE(box("cmbLentgh")->currentText(), QStringLiteral("31"));
        QCOMPARE(store_->settings().lentgh, 31);
    }

    // Whatever the box shows, the program's text, a typed one or a picked one, Up and Down move
    // on from it; on a text that is no item they change nothing.
    void arrow_keys_move_from_the_value_shown_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("typed");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("after");
        QTest::newRow("count 50, Down") << "cmbPnumb"
                                        << "50" << false << int(Qt::Key_Down) << "50";
        QTest::newRow("count 50, Up") << "cmbPnumb"
                                      << "50" << false << int(Qt::Key_Up) << "49";
        QTest::newRow("length 10, Down") << "cmbLentgh"
                                         << "10" << false << int(Qt::Key_Down) << "11";
        QTest::newRow("length 6, Up") << "cmbLentgh"
                                      << "6" << false << int(Qt::Key_Up) << "6";
        QTest::newRow("typed count 7, Down") << "cmbPnumb"
                                             << "7" << true << int(Qt::Key_Down) << "8";
        QTest::newRow("typed length 12, Page Down")
            << "cmbLentgh"
            << "12" << true << int(Qt::Key_PageDown) << "";  // some later item, not 6
        QTest::newRow("typed count 77, Down") << "cmbPnumb"
                                              << "77" << true << int(Qt::Key_Down) << "77";
    }
    void arrow_keys_move_from_the_value_shown() {
        QFETCH(QString, name);
        QFETCH(QString, shown);
        QFETCH(bool, typed);
        QFETCH(int, key);
        QFETCH(QString, after);
        QComboBox* target = box(qPrintable(name));
        target->setFocus();
        if (typed) {
            QTest::keyClicks(target, shown);
        } else if (name == "cmbPnumb") {
            window_->set_count_text(shown);
        } else {
            window_->set_length_text(shown);
        }
        QTest::keyClick(target, Qt::Key(key));
        const QString text = target->currentText();
        if (after.isEmpty()) {
            QVERIFY2(text.toInt() > shown.toInt(), qPrintable(text));
        } else {
            QCOMPARE(text, after);
        }
        const std::int16_t value =
            name == "cmbPnumb" ? store_->settings().pnumb : store_->settings().lentgh;
        QCOMPARE(value, text == shown ? 0 : text.toInt());  // a move is a pick, no move none
    }

    void shorter_length_keeps_the_flags_above_it() {
        QVERIFY(pick(box("cmbLentgh"), "12"));
        for (const char* position : {" 7", " 12"}) {
            QVERIFY(pick(box("cmbPosition"), position));
            QVERIFY(pick(box("cmbSymbol"), "Letter"));
        }
        QCOMPARE(store_->settings().typ[7], 1);
        QCOMPARE(store_->settings().typ[12], 1);
        QCOMPARE(box("cmbPosition")->currentText(), QStringLiteral(" 12"));
        QVERIFY(pick(box("cmbLentgh"), "6"));
        QCOMPARE(store_->settings().lentgh, 6);
        QCOMPARE(items_of(box("cmbPosition")), numbers(1, 6, " "));
        // Position 12 is gone from the list, so no position is shown.
        QCOMPARE(box("cmbPosition")->currentText(), QString());
        QCOMPARE(box("cmbPosition")->currentIndex(), -1);
        QCOMPARE(store_->settings().typ[7], 1);
        QCOMPARE(store_->settings().typ[12], 1);
    }

    // After the list is rebuilt the position shown stays selected, and a symbol pick acts on it.
    void symbol_acts_on_the_position_shown_after_a_new_length() {
        QVERIFY(pick(box("cmbLentgh"), "10"));
        QVERIFY(pick(box("cmbPosition"), " 3"));
        QVERIFY(pick(box("cmbSymbol"), "Letter"));
        QCOMPARE(store_->settings().typ[3], 1);
        QVERIFY(pick(box("cmbLentgh"), "11"));
        QCOMPARE(box("cmbPosition")->currentText(), QStringLiteral(" 3"));
        QCOMPARE(box("cmbPosition")->currentIndex(), 2);
        QVERIFY(pick(box("cmbSymbol"), "Digit"));
        QCOMPARE(store_->settings().typ[3], 0);
        QCOMPARE(store_->settings().typ[0], 0);
        // Down in the position box moves on to position 4 and shows its kind.
        QVERIFY(store_->set_flag(4, true).accepted);
        box("cmbPosition")->setFocus();
        QTest::keyClick(box("cmbPosition"), Qt::Key_Down);
        QCOMPARE(box("cmbPosition")->currentText(), QStringLiteral(" 4"));
        QCOMPARE(box("cmbSymbol")->currentText(), QStringLiteral("Letter"));
        QCOMPARE(box("cmbSymbol")->currentIndex(), 1);
    }

    // A length the program writes (after a load, or the 10 Generate fills in) brings its
    // position list, as a picked one does.
    void position_list_follows_the_length_written() {
        window_->set_length_text("12");
        QCOMPARE(items_of(box("cmbPosition")), numbers(1, 12, " "));
        QCOMPARE(store_->settings().lentgh, 0);  // writing a text is no pick
        window_->set_length_text("-4");
        QCOMPARE(box("cmbPosition")->count(), 0);
    }

    void position_shows_and_symbol_sets_the_flag() {
        QVERIFY(store_->set_flag(3, true).accepted);
        QVERIFY(pick(box("cmbLentgh"), "10"));
        QVERIFY(pick(box("cmbPosition"), " 3"));
        QCOMPARE(box("cmbSymbol")->currentText(), QStringLiteral("Letter"));
        QCOMPARE(store_->settings().typ[3], 1);  // showing the kind changes nothing
        QVERIFY(pick(box("cmbSymbol"), "Digit"));
        QCOMPARE(store_->settings().typ[3], 0);
        QVERIFY(pick(box("cmbPosition"), " 4"));
        QCOMPARE(box("cmbSymbol")->currentText(), QStringLiteral("Digit"));
        QVERIFY(pick(box("cmbSymbol"), "Letter"));
        QCOMPARE(store_->settings().typ[4], 1);
        QCOMPARE(store_->settings().typ[3], 0);
    }

    // With no position shown a symbol pick changes no flag, and the window's status says so;
    // a position typed over the picked one is the one shown.
    void symbol_without_a_position_changes_nothing() {
        QVERIFY(pick(box("cmbLentgh"), "10"));
        QVERIFY(pick(box("cmbSymbol"), "Letter"));
        GenerationSettings expected;
        expected.lentgh = 10;
        QCOMPARE(store_->settings().typ, expected.typ);
        QVERIFY2(status().contains("position"), qPrintable(status()));
        QCOMPARE(box("cmbSymbol")->currentText(), QString());

        QVERIFY(store_->set_flag(2, true).accepted);
        QVERIFY(pick(box("cmbPosition"), " 2"));
        QCOMPARE(status(), QString());
        box("cmbPosition")->lineEdit()->selectAll();
        QTest::keyClicks(box("cmbPosition"), " 5");
        QVERIFY(pick(box("cmbSymbol"), "Letter"));
        QCOMPARE(store_->settings().typ[5], 1);
        QCOMPARE(store_->settings().typ[2], 1);
        box("cmbPosition")->lineEdit()->selectAll();
        QTest::keyClicks(box("cmbPosition"), "x");
        QVERIFY(pick(box("cmbSymbol"), "Digit"));
        QCOMPARE(store_->settings().typ[5], 1);
        QCOMPARE(store_->settings().typ[0], 0);
        QVERIFY(!status().isEmpty());
    }

    // Scrolling over the window reaches no box.
    void the_mouse_wheel_changes_nothing() {
        window_->set_count_text("7");
        window_->set_length_text("12");
        QVERIFY(pick(box("cmbPosition"), " 3"));
        const GenerationSettings before = store_->settings();
        for (const char* name : {"cmbPnumb", "cmbLentgh", "cmbPosition", "cmbSymbol"}) {
            QComboBox* target = box(name);
            const QString text = target->currentText();
            scroll_over(target);
            QCOMPARE(target->currentText(), text);
        }
        QCOMPARE(store_->settings().pnumb, before.pnumb);
        QCOMPARE(store_->settings().lentgh, before.lentgh);
        QCOMPARE(store_->settings().typ, before.typ);
    }

    void typing_runs_no_handler_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("typed");
        QTest::newRow("count") << "cmbPnumb"
                               << "7";
        QTest::newRow("count, not an item") << "cmbPnumb"
                                            << "77";
        QTest::newRow("length") << "cmbLentgh"
                                << "12";
        QTest::newRow("position") << "cmbPosition"
                                  << " 3";
        // A typed symbol acts as a pick: typed_symbol_acts_as_a_pick_or_is_refused.
    }
    void typing_runs_no_handler() {
        QFETCH(QString, name);
        QFETCH(QString, typed);
        QVERIFY(pick(box("cmbLentgh"), "10"));
        QVERIFY(pick(box("cmbPosition"), " 1"));
        QVERIFY(store_->set_flag(3, true).accepted);
        const GenerationSettings before = store_->settings();
        QComboBox* target = box(qPrintable(name));
        const QStringList items = items_of(target);
        const QString symbol_text = box("cmbSymbol")->currentText();

        target->setFocus();
        target->lineEdit()->clear();
        QTest::keyClicks(target, typed);
        QTest::keyClick(target, Qt::Key_Return);
        box(name == "cmbPnumb" ? "cmbLentgh" : "cmbPnumb")->setFocus();  // leaves the box
        target->setEditText(typed);                                      // the program sets it
        QCOMPARE(target->currentText(), typed);

        QCOMPARE(store_->settings().pnumb, before.pnumb);
        QCOMPARE(store_->settings().lentgh, before.lentgh);
        QCOMPARE(store_->settings().typ, before.typ);
        QCOMPARE(items_of(target), items);
        // A typed position shows its own kind, as a picked one does; the others leave the
        // symbol box alone.
        QCOMPARE(box("cmbSymbol")->currentText(),
                 name == "cmbPosition" ? QStringLiteral("Letter") : symbol_text);
    }

    // Typed into the symbol box, a kind's name acts as its pick for the position shown, at Return
    // or when the focus leaves the box; any other text is refused, and the box shows the kind in
    // force again.
    void typed_symbol_acts_as_a_pick_or_is_refused_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("leave");  // leave the box instead of pressing Return
        QTest::addColumn<int>("flag");    // of position 3 afterwards (it starts a digit)
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("status");  // a part of it; empty: an empty status
        QTest::newRow("Letter, Return") << "Letter" << false << 1 << "Letter"
                                        << "";
        QTest::newRow("letter, leaving") << "letter" << true << 1 << "Letter"
                                         << "";
        QTest::newRow("LETTER with blanks") << "  LETTER " << false << 1 << "Letter"
                                            << "";
        QTest::newRow("Digit") << "Digit" << false << 0 << "Digit"
                               << "";
        QTest::newRow("misspelt") << "Lettre" << false << 0 << "Digit"
                                  << "\"Lettre\"";
        QTest::newRow("misspelt, leaving") << "L" << true << 0 << "Digit"
                                           << "Digit or Letter";
        QTest::newRow("emptied") << "" << false << 0 << "Digit"
                                 << "Digit or Letter";
    }
    void typed_symbol_acts_as_a_pick_or_is_refused() {
        QFETCH(QString, typed);
        QFETCH(bool, leave);
        QFETCH(int, flag);
        QFETCH(QString, shown);
        QFETCH(QString, status);
        QVERIFY(pick(box("cmbLentgh"), "10"));
        QVERIFY(pick(box("cmbPosition"), " 3"));
        QComboBox* symbol = box("cmbSymbol");
        QCOMPARE(symbol->currentText(), QStringLiteral("Digit"));
        symbol->setFocus();
        symbol->lineEdit()->selectAll();
        QTest::keyClick(symbol->lineEdit(), Qt::Key_Backspace);
        QTest::keyClicks(symbol->lineEdit(), typed);
        if (leave) {
            box("cmbPnumb")->setFocus();
        } else {
            QTest::keyClick(symbol->lineEdit(), Qt::Key_Return);
        }
        QCOMPARE(store_->settings().typ[3], flag);
        QCOMPARE(symbol->currentText(), shown);
        if (status.isEmpty()) {
            QCOMPARE(this->status(), QString());
        } else {
            QVERIFY2(this->status().contains(status), qPrintable(this->status()));
        }
        // The next position's kind is shown as it is in force.
        QVERIFY(pick(box("cmbPosition"), " 4"));
        QCOMPARE(symbol->currentText(), QStringLiteral("Digit"));
        QCOMPARE(store_->settings().typ[4], 0);
    }

    // A typed kind with no position shown changes nothing, as a pick does.
    void typed_symbol_without_a_position_changes_nothing() {
        QVERIFY(pick(box("cmbLentgh"), "10"));
        const GenerationSettings before = store_->settings();
        box("cmbSymbol")->setFocus();
        QTest::keyClicks(box("cmbSymbol")->lineEdit(), "Letter");
        QTest::keyClick(box("cmbSymbol")->lineEdit(), Qt::Key_Return);
        QCOMPARE(store_->settings().typ, before.typ);
        QCOMPARE(box("cmbSymbol")->currentText(), QString());
        QVERIFY2(status().contains("position"), qPrintable(status()));
    }

    // A typed position shows its kind, or says that there is no such position; a typed count or
    // length is said to count from the next Generate on.
    void typed_position_and_numbers_are_named() {
        QVERIFY(pick(box("cmbLentgh"), "10"));
        QVERIFY(store_->set_flag(5, true).accepted);
        QVERIFY(pick(box("cmbPosition"), " 3"));
        const auto type_into = [](QComboBox* target, const QString& text) {
            target->setFocus();
            target->lineEdit()->selectAll();
            QTest::keyClicks(target->lineEdit(), text);
            QTest::keyClick(target->lineEdit(), Qt::Key_Return);
        };
        type_into(box("cmbPosition"), "5");
        QCOMPARE(box("cmbSymbol")->currentText(), QStringLiteral("Letter"));
        QCOMPARE(status(), QString());
        type_into(box("cmbPosition"), "11");
        QCOMPARE(box("cmbSymbol")->currentText(), QString());
        QVERIFY2(status().contains("\"11\"") && status_fits(), qPrintable(status()));
        type_into(box("cmbPnumb"), "7");
        QVERIFY2(status().contains("next Generate") && status_fits(), qPrintable(status()));
        QCOMPARE(store_->settings().pnumb, 0);
        type_into(box("cmbLentgh"), "10");  // the length in force: nothing to say
        QCOMPARE(status(), QString());
    }

    void texts_written_by_the_program_run_no_handler() {
        window_->set_count_text("7");
        window_->set_length_text("12");
        QCOMPARE(window_->count_text(), QStringLiteral("7"));
        QCOMPARE(window_->length_text(), QStringLiteral("12"));
        QCOMPARE(box("cmbPnumb")->currentText(), QStringLiteral("7"));
        QCOMPARE(store_->settings().pnumb, 0);
        QCOMPARE(store_->settings().lentgh, 0);
        // The items of the texts are selected, and the position list follows the length.
        QCOMPARE(box("cmbPnumb")->currentIndex(), 6);
        QCOMPARE(box("cmbLentgh")->currentIndex(), 6);
        QCOMPARE(box("cmbPosition")->count(), 12);
        QCOMPARE(box("cmbPosition")->currentText(), QString());
    }

    void position_list_stops_at_the_last_flag() {
        window_->fill_position_list(300);
        QCOMPARE(box("cmbPosition")->count(), 130);
        QVERIFY(pick(box("cmbPosition"), " 130"));
        QVERIFY(pick(box("cmbSymbol"), "Letter"));
        QCOMPARE(store_->settings().typ[130], 1);
        window_->fill_position_list(-3);
        QCOMPARE(box("cmbPosition")->count(), 0);
    }

    void closing_hides_and_keeps_everything() {
        QVERIFY(pick(box("cmbPnumb"), "9"));
        QVERIFY(pick(box("cmbLentgh"), "8"));
        QVERIFY(pick(box("cmbPosition"), " 5"));
        QVERIFY(pick(box("cmbSymbol"), "Letter"));
        QVERIFY(window_->close());
        QVERIFY(!window_->isVisible());
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QCOMPARE(box("cmbPnumb")->currentText(), QStringLiteral("9"));
        QCOMPARE(box("cmbLentgh")->currentText(), QStringLiteral("8"));
        QCOMPARE(box("cmbPosition")->currentText(), QStringLiteral(" 5"));
        QCOMPARE(box("cmbSymbol")->currentText(), QStringLiteral("Letter"));
        QCOMPARE(items_of(box("cmbPosition")), numbers(1, 8, " "));
    }
};

QTEST_MAIN(FrmSettingsTest)
#include "frm_settings_test.moc"
