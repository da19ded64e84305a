// SPDX-License-Identifier: GPL-3.0-or-later
// What screen readers get from both windows through Qt's accessibility interfaces: every control
// named and described, labels tied to their boxes, both windows exposed as windows, and a status
// line whose text is read and whose changes are announced. (tests/ui/atspi_test.sh checks the
// same once over AT-SPI, as a screen reader on Linux sees it.)
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "ui/frmMain.h"
#include "ui/frmSettings.h"
#include "window_test_support.h"

using namespace tessaroll;
using namespace tessaroll::ui;
using namespace tessaroll::ui::test;

class AccessibilityTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<frmMain> window_;
    std::unique_ptr<MessageCatcher> messages_;

    frmSettings* settings() const {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* s = qobject_cast<frmSettings*>(w)) {
                return s;
            }
        }
        return nullptr;
    }
    QWidget* window_named(const QString& which) const {
        return which == "main" ? static_cast<QWidget*>(window_.get()) : settings();
    }
    static QAccessibleInterface* a11y(QObject* object) {
        return QAccessible::queryAccessibleInterface(object);
    }

private slots:
    void init() {
        messages_ = std::make_unique<MessageCatcher>();
        dir_ = std::make_unique<QTemporaryDir>();
        window_ = std::make_unique<frmMain>(dir_->path(), QDate(2026, 12, 7));
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        QTest::mouseClick(window_->findChild<QPushButton*>("cmdSettings"), Qt::LeftButton);
        QVERIFY(settings() && settings()->isVisible());
    }
    void cleanup() {
        window_.reset();
        messages_.reset();
        dir_.reset();
    }

    void windows_are_exposed_as_windows_data() {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("title");
        QTest::newRow("main") << "main"
                              << "Tessaroll";
        QTest::newRow("settings") << "settings"
                                  << "Settings";
    }
    void windows_are_exposed_as_windows() {
        QFETCH(QString, which);
        QFETCH(QString, title);
        QAccessibleInterface* window = a11y(window_named(which));
        QVERIFY(window);
        QCOMPARE(window->role(), QAccessible::Window);
        QCOMPARE(window->text(QAccessible::Name), title);
        QVERIFY(!window->text(QAccessible::Description).isEmpty());
        // The window is where screen readers find it: among the application's windows.
        QAccessibleInterface* application = window->parent();
        QVERIFY(application);
        QCOMPARE(application->role(), QAccessible::Application);
        QVERIFY(application->indexOfChild(window) >= 0);
    }

    // Every control a user reaches with Tab has a name and a description.
    void every_control_is_named_and_described_data() { windows_are_exposed_as_windows_data(); }
    void every_control_is_named_and_described() {
        QFETCH(QString, which);
        int controls = 0;
        for (QWidget* w : window_named(which)->findChildren<QWidget*>()) {
            if (w->focusPolicy() == Qt::NoFocus || !w->isVisible() || w->focusProxy() != nullptr ||
                qobject_cast<QLineEdit*>(w->parentWidget()) != nullptr ||
                qobject_cast<QComboBox*>(w->parentWidget()) != nullptr ||
                w->objectName().startsWith("qt_")) {
                continue;  // not a control of its own (a combo box's text part, a scroll bar)
            }
            QAccessibleInterface* control = a11y(w);
            QVERIFY(control);
            QVERIFY2(!control->text(QAccessible::Name).isEmpty(), qPrintable(w->objectName()));
            QVERIFY2(!control->text(QAccessible::Description).isEmpty(),
                     qPrintable(w->objectName()));
            ++controls;
        }
        QCOMPARE(controls, which == "main" ? 8 : 4);
    }

    // Each box is named by its own word, not by the number it shows, and the label beside it is
    // its label.
    void boxes_are_named_and_labelled_data() {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("name");
        QTest::newRow("Day") << "main"
                             << "cmbDay"
                             << "Label4"
                             << "Day";
        QTest::newRow("Month") << "main"
                               << "cmbMonth"
                               << "Label5"
                               << "Month";
        QTest::newRow("Year") << "main"
                              << "cmbYear"
                              << "Label6"
                              << "Year";
        QTest::newRow("password") << "main"
                                  << "txtPpswd"
                                  << "Label1"
                                  << "Personal password";
        QTest::newRow("list") << "main"
                              << "txtPasswords"
                              << "Label2"
                              << "Passwords";
        QTest::newRow("count") << "settings"
                               << "cmbPnumb"
                               << "Label1"
                               << "Number of passwords";
        QTest::newRow("length") << "settings"
                                << "cmbLentgh"
                                << "Label2"
                                << "Length of passwords";
        QTest::newRow("position") << "settings"
                                  << "cmbPosition"
                                  << "Label5"
                                  << "Position";
        QTest::newRow("symbol") << "settings"
                                << "cmbSymbol"
                                << "Label6"
                                << "Symbol";
    }
    void boxes_are_named_and_labelled() {
        QFETCH(QString, which);
        QFETCH(QString, box);
        QFETCH(QString, label);
        QFETCH(QString, name);
        window_->findChild<QLineEdit*>("txtPpswd")->setText("secret");
        settings()->set_count_text("7");
        QWidget* target = window_named(which)->findChild<QWidget*>(box);
        QWidget* caption = window_named(which)->findChild<QLabel*>(label);
        QVERIFY(target && caption);
        QAccessibleInterface* control = a11y(target);
        QCOMPARE(control->text(QAccessible::Name), name);
        bool labelled = false;
        for (const auto& [other, relation] : control->relations(QAccessible::Label)) {
            labelled = labelled || other->object() == caption;
        }
        QVERIFY2(labelled, qPrintable(box));
        bool labels = false;
        for (const auto& [other, relation] : a11y(caption)->relations(QAccessible::Labelled)) {
            labels = labels || other->object() == target;
        }
        QVERIFY2(labels, qPrintable(label));
    }

    // The status line is a status bar whose name is the text shown. (That each new text comes to
    // screen readers as a change of that name is seen over AT-SPI, in atspi_test.sh: Qt sends
    // accessibility events only while a screen reader listens.)
    void status_lines_are_read_data() {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("said");
        QTest::newRow("main") << "main"
                              << "31/2/2026 is not a date";
        QTest::newRow("settings") << "settings"
                                  << "Pick a position first";
    }
    void status_lines_are_read() {
        QFETCH(QString, which);
        QFETCH(QString, said);
        QWidget* window = window_named(which);
        auto* line = window->findChild<QLabel*>("LabelStatus");
        QVERIFY(line);
        QAccessibleInterface* status = a11y(line);
        QCOMPARE(status->role(), QAccessible::StatusBar);
        QCOMPARE(status->text(QAccessible::Name), QString());
        QVERIFY(!status->text(QAccessible::Description).isEmpty());
        if (which == "main") {
            window_->findChild<QComboBox*>("cmbDay")->setEditText("31");
            window_->findChild<QComboBox*>("cmbMonth")->setEditText("2");
            window_->findChild<QComboBox*>("cmbYear")->setEditText("2026");
            QTest::mouseClick(window_->findChild<QPushButton*>("cmdGenerate"), Qt::LeftButton);
        } else {
            settings()->set_length_text("10");
            QVERIFY(pick(settings()->findChild<QComboBox*>("cmbSymbol"), "Letter"));
        }
        QVERIFY2(status->text(QAccessible::Name).startsWith(said),
                 qPrintable(status->text(QAccessible::Name)));
        QCOMPARE(status->text(QAccessible::Name), line->text());
        // The status line belongs to its window, where a screen reader looks for it.
        QAccessibleInterface* up = status->parent();
        while (up != nullptr && up->role() != QAccessible::Window) {
            up = up->parent();
        }
        QVERIFY(up && up->object() == window);
    }
};

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
