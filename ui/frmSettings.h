// The settings window: number of passwords, their length and the digit-or-letter pattern.
#pragma once

#include <QWidget>
#include <cstdint>

#include "settings/generation_settings.h"

class QLabel;

namespace tessaroll::ui {

class PickComboBox;

class frmSettings : public QWidget {
    Q_OBJECT

public:
    // Created hidden, with empty boxes and an empty position list. Edits go straight into
    // settings, which outlives the window.
    explicit frmSettings(GenerationSettings& settings);

    // The count and length boxes' texts: list generation reads them and fills empty ones, the
    // pattern file writes them. Setting a text runs no handler; it selects the item of that
    // text, and a length also makes the position list follow it.
    QString count_text() const;
    void set_count_text(const QString& text);
    QString length_text() const;
    void set_length_text(const QString& text);

    // What list generation does with the two boxes: writes "4" and "10" into empty ones, then
    // puts their numbers into the settings and makes the position list follow the length.
    // Throws InputProblem with a sentence for the user when a box holds no number, or the count
    // or the length is below 1; the settings then keep what the boxes could give.
    void store_count_and_length();

    // Makes the position list " 1" to " length" (empty for a length below 1). The position that
    // was shown stays shown, selected, while it is still in the list; otherwise the position box
    // is left empty. The symbol box and every flag stay as they are.
    void fill_position_list(std::int16_t length);

    // The position the position box shows (1 ..), or 0 when its text names no item of the list.
    int position_shown() const;

public slots:
    void cmbPnumb_Click();
    void cmbLentgh_Click();
    void cmbPosition_Click();
    void cmbSymbol_Click();

private:
    void set_status(const QString& text);

    GenerationSettings& settings_;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    PickComboBox* cmbPnumb;
    PickComboBox* cmbLentgh;
    PickComboBox* cmbPosition;
    QLabel* Label5;
    QLabel* Label6;
    PickComboBox* cmbSymbol;
    QLabel* LabelStatus;  // empty, or why the last pick changed nothing
};

}  // namespace tessaroll::ui
