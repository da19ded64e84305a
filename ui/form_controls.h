// SPDX-License-Identifier: GPL-3.0-or-later
// The controls both windows are built from, and how a box's text becomes a number.
#pragma once

#include <QLabel>
#include <QString>
#include <QStringList>
#include <cstdint>

class QLabel;
class QWidget;

namespace tessaroll::ui {

class PickComboBox;

// A label with its object name and caption.
QLabel* make_label(QWidget* parent, const char* name, const char* caption);

// A label that names a box: its buddy, so that screen readers read the box as labelled by it.
QLabel* make_label_for(QWidget* parent, const char* name, const char* caption, QWidget* box);

// The accessible name and description of a control, as screen readers read them.
void describe(QWidget* control, const QString& name, const QString& description);

// A window's status line: what the window has to say about what is in force, one or a few
// sentences. Screen readers find it as the window's status bar and read its text as its name;
// each new text is announced as a change of that name.
class StatusLine : public QLabel {
public:
    StatusLine(QWidget* parent, const char* name);
};

// Makes screen readers see a top-level widget as a window, as they see a main window or a dialog
// (a plain widget is exposed as a filler). Its name is its title.
void expose_as_window(QWidget* window);

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
