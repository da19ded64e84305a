// SPDX-License-Identifier: GPL-3.0-or-later
// A combo box with an editable text part whose picks from the list are told apart from typing.
#pragma once

#include <QComboBox>

namespace tessaroll::ui {

// picked() is emitted only when the user chooses an item of the list: from the drop-down list
// (mouse or keyboard) or with the Up, Down, Page Up, Page Down, Home and End keys on the closed
// box. Typing, Enter in the text part, leaving the box and every change made by the program emit
// nothing, and typed text is never added to the list. The arrow keys move from the value the box
// shows, whether the program wrote it, the user typed it or picked it; on a text that is no item
// they change nothing. The mouse wheel does not change the item, so scrolling over the window
// cannot change a setting by accident.
//
// typed() tells the end of typing: Return or Enter in the text part, or the focus leaving the box
// (not for its own drop-down list), after the user changed the text; a window decides what the
// typed text means.
class PickComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit PickComboBox(QWidget* parent);

    // Replaces the whole list. The text and the selection are left empty; the program sets the
    // text it wants afterwards.
    void set_items(const QStringList& items);

    // Shows text in the text part and selects the item that has exactly this text (none when no
    // item has it), so that Up and Down move on from it. Emits nothing.
    void show_text(const QString& text);

signals:
    void picked(int index);
    void typed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // True while the text part handles a key or loses the focus: QComboBox reports a typed text
    // that matches an item as "activated" from there, which is not a pick.
    bool in_text_part_ = false;
    // The user changed the text since the program last wrote it or an item was picked.
    bool text_typed_ = false;
};

}  // namespace tessaroll::ui
