// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/form_controls.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QLineEdit>

#include "settings/box_number.h"
#include "ui/pick_combo_box.h"

namespace tessaroll::ui {

namespace {

constexpr const char* kWindowProperty = "tessaroll_accessible_window";

// The status line as screen readers see it: a status bar whose name is the text shown.
class StatusLineAccessible final : public QAccessibleWidget {
public:
    explicit StatusLineAccessible(StatusLine* line)
        : QAccessibleWidget(line, QAccessible::StatusBar) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            return static_cast<const QLabel*>(widget())->text();
        }
        return QAccessibleWidget::text(t);
    }
};

// A pick box as screen readers see it: a combo box named by its own word ("Day") and whose value
// is the text it shows. (Qt names an editable combo box by its text on Linux, which reads "7"
// for the day box.)
class PickBoxAccessible final : public QAccessibleWidget {
public:
    explicit PickBoxAccessible(PickComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) {
            return box()->currentText();
        }
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = box()->isEditable();
        s.expandable = true;
        s.expanded = box()->view()->isVisible();
        s.hasPopup = true;
        return s;
    }
    QStringList actionNames() const override {
        return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == showMenuAction()) {
            box()->showPopup();
        } else {
            QAccessibleWidget::doAction(action);
        }
    }

private:
    PickComboBox* box() const { return static_cast<PickComboBox*>(widget()); }
};

QAccessibleInterface* window_parts(const QString&, QObject* object) {
    if (auto* line = dynamic_cast<StatusLine*>(object)) {
        return new StatusLineAccessible(line);
    }
    if (auto* box = dynamic_cast<PickComboBox*>(object)) {
        return new PickBoxAccessible(box);
    }
    if (object != nullptr && object->isWidgetType() && object->property(kWindowProperty).toBool()) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    }
    return nullptr;
}

void install_window_parts() {
    static const bool installed = [] {
        QAccessible::installFactory(window_parts);
        return true;
    }();
    (void)installed;
}

}  // namespace

QLabel* make_label(QWidget* parent, const char* name, const char* caption) {
    auto* label = new QLabel(QString::fromLatin1(caption), parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QLabel* make_label_for(QWidget* parent, const char* name, const char* caption, QWidget* box) {
    QLabel* label = make_label(parent, name, caption);
    label->setBuddy(box);
    return label;
}

void describe(QWidget* control, const QString& name, const QString& description) {
    control->setAccessibleName(name);
    control->setAccessibleDescription(description);
    // A combo box's text part has the focus while the user types: it reads as the box does.
    if (auto* box = qobject_cast<QComboBox*>(control); box != nullptr && box->lineEdit()) {
        box->lineEdit()->setAccessibleName(name);
        box->lineEdit()->setAccessibleDescription(description);
    }
}

StatusLine::StatusLine(QWidget* parent, const char* name) : QLabel(parent) {
    install_window_parts();
    setObjectName(QString::fromLatin1(name));
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // No accessible name of its own: the text is the name, and QLabel announces each new one.
    setAccessibleDescription(QStringLiteral("Status line: what the window has to say now"));
}

void expose_as_window(QWidget* window) {
    install_window_parts();
    window->setProperty(kWindowProperty, true);
}

PickComboBox* make_combo(QWidget* parent, const char* name) {
    install_window_parts();
    auto* combo = new PickComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    return combo;
}

QStringList numbers(int first, int last) {
    QStringList items;
    for (int n = first; n <= last; ++n) {
        items << QString::number(n);
    }
    return items;
}

std::int16_t box_value(const QString& text, const QString& box, const QString& allowed) {
    try {
        return box_number(text.toStdString());
    } catch (const BoxNumberError& e) {
        if (text.isEmpty()) {
            throw InputProblem{QStringLiteral("The %1 box is empty. %2").arg(box, allowed)};
        }
        if (text.trimmed().isEmpty()) {
            throw InputProblem{
                QStringLiteral("The %1 box holds only blanks. %2").arg(box, allowed)};
        }
        throw InputProblem{
            QStringLiteral("%1 box: %2 %3").arg(box, QString::fromStdString(e.what()), allowed)};
    }
}

}  // namespace tessaroll::ui
