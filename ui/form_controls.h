// The controls both windows are built from, and how a box's text becomes a number.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

class QLabel;
class QWidget;

namespace tessaroll::ui {

class PickComboBox;

// A label with its object name and caption.
QLabel* make_label(QWidget* parent, const char* name, const char* caption);

// An editable combo box whose picks are told apart from typing, with its object name.
PickComboBox* make_combo(QWidget* parent, const char* name);

// "first", ..., "last" as plain decimal text.
QStringList numbers(int first, int last);

// A box text that cannot be used stops the generation with this sentence for the user.
struct InputProblem {
    QString sentence;
};

// The box number of a box's text. Throws InputProblem naming the box; allowed says what may go
// in it.
std::int16_t box_value(const QString& text, const QString& box, const QString& allowed);

}  // namespace tessaroll::ui
