// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/pick_combo_box.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProxyStyle>
#include <QScopedValueRollback>
#include <QStyleOptionComplex>
#include <QWheelEvent>
#include <functional>
#include <utility>

namespace tessaroll::ui {

namespace {

// The text part, which marks the time it spends on its own key presses and focus loss.
// It also tells the end of typing: Return or Enter, or the focus going elsewhere than to the
// box's own list.
class GuardedLineEdit : public QLineEdit {
public:
    GuardedLineEdit(QWidget* parent, bool& busy, std::function<void()> typing_ended)
        : QLineEdit(parent), busy_(busy), typing_ended_(std::move(typing_ended)) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        {
            const QScopedValueRollback guard(busy_, true);
            QLineEdit::keyPressEvent(event);
        }
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            typing_ended_();
        }
    }
    void focusOutEvent(QFocusEvent* event) override {
        {
            const QScopedValueRollback guard(busy_, true);
            QLineEdit::focusOutEvent(event);
        }
        if (event->reason() != Qt::PopupFocusReason) {
            typing_ended_();
        }
    }

private:
    bool& busy_;
    std::function<void()> typing_ended_;
};

// A narrow drop-down button, so that four digits fit the 49-pixel date boxes.
class NarrowArrowStyle : public QProxyStyle {
public:
    static constexpr int kArrowWidth = 13;
    static constexpr int kFrame = 2;

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                         const QWidget* widget) const override {
        if (control == CC_ComboBox && (part == SC_ComboBoxArrow || part == SC_ComboBoxEditField)) {
            const QRect r = option->rect;
            if (part == SC_ComboBoxArrow) {
                return QRect(r.right() - kArrowWidth - kFrame + 1, r.top() + kFrame, kArrowWidth,
                             r.height() - 2 * kFrame);
            }
            return QRect(r.left() + kFrame, r.top() + kFrame, r.width() - kArrowWidth - 2 * kFrame,
                         r.height() - 2 * kFrame);
        }
        return QProxyStyle::subControlRect(control, option, part, widget);
    }
};

}  // namespace

PickComboBox::PickComboBox(QWidget* parent) : QComboBox(parent) {
    auto* narrow = new NarrowArrowStyle;
    narrow->setParent(this);
    setStyle(narrow);
    setEditable(true);
    setLineEdit(new GuardedLineEdit(this, in_text_part_, [this] {
        if (text_typed_) {
            text_typed_ = false;
            emit typed();
        }
    }));
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { text_typed_ = true; });
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);  // completion would pick an item while the user types
    setMaxVisibleItems(12);
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (!in_text_part_) {
            text_typed_ = false;
            emit picked(index);
        }
    });
}

void PickComboBox::set_items(const QStringList& items) {
    const QSignalBlocker blocker(this);
    text_typed_ = false;
    clear();
    addItems(items);
    setCurrentIndex(-1);
    setEditText(QString());
}

void PickComboBox::show_text(const QString& text) {
    const QSignalBlocker blocker(this);
    text_typed_ = false;
    setCurrentIndex(findText(text, Qt::MatchExactly));
    setEditText(text);
}

void PickComboBox::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            // A typed text selects no item by itself; the move starts from what is shown. A text
            // that is no item has no neighbour to move to, so the key changes nothing rather
            // than jumping to the first item.
            if (!view()->isVisible() &&
                (currentIndex() < 0 || itemText(currentIndex()) != currentText())) {
                show_text(currentText());
                if (currentIndex() < 0 && !currentText().isEmpty()) {
                    event->accept();
                    return;
                }
            }
            break;
        default:
            break;
    }
    QComboBox::keyPressEvent(event);
}

void PickComboBox::wheelEvent(QWheelEvent* event) {
    event->ignore();
}

}  // namespace tessaroll::ui
