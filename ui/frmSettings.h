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
    // pattern file writes them. Setting a text runs no handler.
    QString count_text() const;
    void set_count_text(const QString& text);
    QString length_text() const;
    void set_length_text(const QString& text);

    // Makes the position list " 1" to " length" (empty for a length below 1). The position text,
    // the symbol box and every flag stay as they are.
    void fill_position_list(std::int16_t length);

public slots:
    void cmbPnumb_Click();
    void cmbLentgh_Click();
    void cmbPosition_Click();
    void cmbSymbol_Click();

private:
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
};

}  // namespace tessaroll::ui
