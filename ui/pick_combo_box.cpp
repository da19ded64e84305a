#include "ui/pick_combo_box.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QWheelEvent>

namespace tessaroll::ui {

namespace {

// The text part, which marks the time it spends on its own key presses and focus loss.
class GuardedLineEdit : public QLineEdit {
public:
    GuardedLineEdit(QWidget* parent, bool& busy) : QLineEdit(parent), busy_(busy) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        const QScopedValueRollback guard(busy_, true);
        QLineEdit::keyPressEvent(event);
    }
    void focusOutEvent(QFocusEvent* event) override {
        const QScopedValueRollback guard(busy_, true);
        QLineEdit::focusOutEvent(event);
    }

private:
    bool& busy_;
};

}  // namespace

PickComboBox::PickComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setLineEdit(new GuardedLineEdit(this, in_text_part_));
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);  // completion would pick an item while the user types
    setMaxVisibleItems(12);
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (!in_text_part_) {
            emit picked(index);
        }
    });
}

void PickComboBox::set_items(const QStringList& items) {
    const QSignalBlocker blocker(this);
    clear();
    addItems(items);
    setCurrentIndex(-1);
    setEditText(QString());
}

void PickComboBox::wheelEvent(QWheelEvent* event) {
    event->ignore();
}

}  // namespace tessaroll::ui
