// SPDX-License-Identifier: GPL-3.0-or-later
// The settings window: number of passwords, their length and the digit-or-letter pattern.
#pragma once

#include <QWidget>
#include <cstdint>

#include "session/settings_store.h"

class QComboBox;
class QLabel;
class QShowEvent;

namespace tessaroll::ui {

class PickComboBox;
class StatusLine;

class frmSettings : public QWidget {
    Q_OBJECT

public:
    // Created hidden, with empty boxes and an empty position list. Each pick is handed to the
    // store, which checks and saves it; the store outlives the window.
    explicit frmSettings(SettingsStore& store);

    // The count and length boxes' texts: list generation reads them and fills empty ones. Setting
    // a text runs no handler; it selects the item of that text, and a length also makes the
    // position list follow it.
    QString count_text() const;
    void set_count_text(const QString& text);
    QString length_text() const;
    void set_length_text(const QString& text);

    // What list generation does with the two boxes: writes the default count and length into
    // empty ones, then hands their numbers to the store and makes the position list follow the
    // length. Throws InputProblem with a sentence for the user when a box holds no number or one
    // the store refuses; the record and pattern.tq then stay as they were.
    void store_count_and_length();

    // Shows what the store holds: the count and the length (empty boxes for values never set),
    // the position list, and the kind of the position shown.
    void show_settings();

    // Makes the position list " 1" to " length" (empty for a length below 1). The position that
    // was shown stays shown, selected, while it is still in the list; otherwise the position box
    // is left empty. The symbol box and every flag stay as they are.
    void fill_position_list(std::int16_t length);

    // The position the position box shows (1 ..), or 0 when its text names no item of the list.
    int position_shown() const;

    // The status line under the pattern boxes: why the last pick changed nothing, or what
    // happened to pattern.tq.
    void set_status(const QString& text);

    QString status() const;

    // The last failed save this window said in a message box, so that the end of the program does
    // not say the same failure twice.
    const QString& failure_said() const { return failure_said_; }

signals:
    // What a list would be made of changed: a pick, another program's change, or a number typed
    // into the count or length box (which counts from the next Generate on).
    void settings_changed();

public slots:
    void cmbPnumb_Click();
    void cmbLentgh_Click();
    void cmbPosition_Click();
    void cmbSymbol_Click();
    // The end of typing in a box (Return, or leaving the box). A typed symbol that names a kind
    // acts as the pick of that kind; any other text is refused and the kind in force shown again.
    // A typed position shows its kind. A typed count or length is said to count from the next
    // Generate on.
    void cmbSymbol_Typed();
    void cmbPosition_Typed();
    void number_typed(QComboBox* box, const QString& what, std::int16_t in_force);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Shows the outcome of a change: a refusal puts the value in force back into the box.
    void report(const SettingsChange& change);
    void show_symbol_of_position();
    // Sets the flag of the position shown to the kind of symbol item index (0 digit, 1 letter).
    void set_symbol(int index);

    SettingsStore& store_;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    PickComboBox* cmbPnumb;
    PickComboBox* cmbLentgh;
    PickComboBox* cmbPosition;
    QLabel* Label5;
    QLabel* Label6;
    PickComboBox* cmbSymbol;
    StatusLine* LabelStatus;
    QString failure_said_;
};

}  // namespace tessaroll::ui
