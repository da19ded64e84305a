// SPDX-License-Identifier: GPL-3.0-or-later
// The sign in the personal password box: the characters that do not reach the seed as typed,
// the empty password and the characters beyond the seed, shown as the user types, without moving
// any other control.
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <memory>

#include "session/password_notes.h"
#include "ui/frmMain.h"
#include "window_test_support.h"

using namespace tessaroll;
using namespace tessaroll::ui;
using namespace tessaroll::ui::test;

class PasswordNoteTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<MessageCatcher> messages_;

    // Types text into the box one character at a time, as key presses with that text: QTest's
    // key clicks know only Latin-1.
    static void type(QLineEdit* box, const QString& text) {
        for (const uint c : text.toUcs4()) {
            const QString one = QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, one);
            QApplication::sendEvent(box, &press);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, one);
            QApplication::sendEvent(box, &release);
        }
    }

    static bool same_icon(const QIcon& icon, QStyle::StandardPixmap which, const QWidget* w) {
        return icon.pixmap(16).toImage() == w->style()->standardIcon(which).pixmap(16).toImage();
    }

private slots:
    void init() {
        messages_ = std::make_unique<MessageCatcher>();
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
    }
    void cleanup() {
        messages_.reset();
        dir_.reset();
    }

    void sign_follows_what_is_typed_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("code_page");
        QTest::addColumn<QStringList>("notes");  // the beginnings of the lines of the tooltip
        QTest::addColumn<bool>("warning");
        const QString parol = QString::fromUtf8("\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C");
        QTest::newRow("empty") << QString() << 1252 << QStringList{"The personal password is empty"}
                               << false;
        QTest::newRow("plain") << QStringLiteral("secret") << 1252 << QStringList{} << false;
        QTest::newRow("Cyrillic in 1252")
            << parol << 1252
            << QStringList{QString::fromUtf8(
                   "In code page 1252 (Western), \"\xD0\xBF\", \"\xD0\xB0\", \"\xD1\x80\", "
                   "\"\xD0\xBE\", \"\xD0\xBB\" and \"\xD1\x8C\" have no code and count as \"?\"; "
                   "code page 1251 (Cyrillic) holds")}
            << true;
        QTest::newRow("Cyrillic in 1251") << parol << 1251 << QStringList{} << false;
        QTest::newRow("decomposed accent")
            << QString::fromUtf8("cafe\xCC\x81") << 1252 << QStringList{} << false;
        QTest::newRow("beyond the seed")
            << QStringLiteral("secretive") << 1252
            << QStringList{"Only the first 6 characters of the personal password reach the seed."}
            << false;
        QTest::newRow("look-alike and beyond the seed")
            << QString::fromUtf8("\xC5\x82secretive") << 1252
            << QStringList{QString::fromUtf8("In code page 1252 (Western), \"\xC5\x82\" counts as "
                                             "\"l\""),
                           "Only the first 6 characters"}
            << true;
    }
    void sign_follows_what_is_typed() {
        QFETCH(QString, typed);
        QFETCH(int, code_page);
        QFETCH(QStringList, notes);
        QFETCH(bool, warning);
        const auto cp = *code_page_from_number(code_page);
        frmMain window(dir_->path(), QDate(2005, 3, 9), cp);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* box = window.findChild<QLineEdit*>(QStringLiteral("txtPpswd"));
        auto* sign = window.findChild<QAction*>(QStringLiteral("actPasswordNote"));
        QVERIFY(box != nullptr && sign != nullptr);

        // Every control where it was before anything is typed, the sign's own button aside.
        QList<QRect> places;
        const QList<QWidget*> controls = window.findChildren<QWidget*>();
        for (const QWidget* w : controls) {
            places << w->geometry();
        }

        box->setFocus();
        type(box, typed);
        QCOMPARE(box->text(), typed);
        const QStringList lines =
            window.password_notes().isEmpty() ? QStringList{} : window.password_notes().split('\n');
        QCOMPARE(lines.size(), notes.size());
        for (int i = 0; i < notes.size(); ++i) {
            QVERIFY2(lines[i].startsWith(notes[i]), qPrintable(lines[i]));
        }
        QCOMPARE(sign->isVisible(), !notes.isEmpty());
        QCOMPARE(sign->toolTip(), window.password_notes());
        if (!notes.isEmpty()) {
            // The notes are the ones both programs share, in their words.
            QCOMPARE(window.password_notes().toStdString(), [&] {
                std::string all;
                for (const std::string& n : personal_password_notes(typed.toStdString(), cp)) {
                    all += (all.empty() ? "" : "\n") + n;
                }
                return all;
            }());
            QVERIFY(
                same_icon(sign->icon(),
                          warning ? QStyle::SP_MessageBoxWarning : QStyle::SP_MessageBoxInformation,
                          &window));
            QVERIFY(box->accessibleDescription().endsWith(window.password_notes()));
            const QList<QToolButton*> buttons = box->findChildren<QToolButton*>();
            QVERIFY(std::any_of(buttons.begin(), buttons.end(),
                                [](const QToolButton* b) { return b->isVisible(); }));
        } else {
            QVERIFY(!box->accessibleDescription().contains(QStringLiteral("code page")));
            QVERIFY(!box->accessibleDescription().contains(QStringLiteral("empty")));
        }
        for (int i = 0; i < controls.size(); ++i) {
            if (controls[i]->parentWidget() != box) {
                QCOMPARE(controls[i]->geometry(), places[i]);
            }
        }
        QVERIFY(messages_->texts.isEmpty());
    }

    // Typed away again, the note goes with what caused it.
    void sign_goes_when_the_cause_goes() {
        frmMain window(dir_->path(), QDate(2005, 3, 9), CodePage::Western);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* box = window.findChild<QLineEdit*>(QStringLiteral("txtPpswd"));
        auto* sign = window.findChild<QAction*>(QStringLiteral("actPasswordNote"));
        QVERIFY(sign->isVisible());  // empty at start
        box->setFocus();
        type(box, QString::fromUtf8("ab\xD0\xB6"));
        QVERIFY(sign->isVisible());
        QVERIFY(same_icon(sign->icon(), QStyle::SP_MessageBoxWarning, &window));
        QTest::keyClick(box, Qt::Key_Backspace);
        QVERIFY(!sign->isVisible());
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClick(box, Qt::Key_Backspace);
        QVERIFY(sign->isVisible());
        QVERIFY(same_icon(sign->icon(), QStyle::SP_MessageBoxInformation, &window));
        QVERIFY(sign->toolTip().startsWith(QStringLiteral("The personal password is empty")));
    }
};

QTEST_MAIN(PasswordNoteTest)
#include "password_note_test.moc"
