// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frmSettings.h"

#include <QFontMetrics>
#include <QLabel>
#include <QStringList>
#include <algorithm>
#include <optional>

#include "engine/password_list.h"
#include "session/limits.h"
#include "settings/box_number.h"
#include "ui/form_controls.h"
#include "ui/form_layout.h"
#include "ui/message_box.h"
#include "ui/pick_combo_box.h"

namespace tessaroll::ui {

namespace {

// A picked item's number. Items are numbers the window put there itself.
std::int16_t item_number(const QComboBox* box) {
    return box_number(box->currentText().toStdString());
}

// How many positions the list holds for a length: none below 1, none beyond the last flag.
int positions_for(std::int16_t length) {
    return std::clamp<int>(length, 0, kMaxLength);
}

}  // namespace

frmSettings::frmSettings(SettingsStore& store) : QWidget(nullptr), store_(store) {
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(QStringLiteral("Settings"));
    expose_as_window(this);
    setAccessibleDescription(
        QStringLiteral("How many passwords a list has, how long they are, and which positions "
                       "hold letters"));
    setFont(form_font());

    // Created in tab order; labels never take the focus.
    Label1 = make_label(this, "Label1", "Number of passwords");
    Label2 = make_label(this, "Label2", "Length of passwords");
    Label3 = make_label(this, "Label3", "Pattern");
    cmbPnumb = make_combo(this, "cmbPnumb");
    cmbLentgh = make_combo(this, "cmbLentgh");
    cmbPosition = make_combo(this, "cmbPosition");
    Label5 = make_label(this, "Label5", "Position");
    Label6 = make_label(this, "Label6", "Symbol");
    cmbSymbol = make_combo(this, "cmbSymbol");
    LabelStatus = new StatusLine(this, "LabelStatus");

    place(Label1, 120, 240, 1695, 255);
    place(Label2, 120, 720, 1695, 255);
    place(Label3, 1200, 1320, 615, 255);
    place(cmbPnumb, 1800, 240, 855, 315);
    place(cmbLentgh, 1800, 720, 855, 315);
    place(cmbPosition, 240, 2040, 975, 315);
    place(Label5, 240, 1680, 615, 255);
    place(Label6, 1800, 1680, 615, 255);
    place(cmbSymbol, 1800, 2040, 975, 315);
    // The strip under the two pattern boxes says why a pick changed nothing, and what a typed
    // value does.
    // The strip under the two pattern boxes, two lines high in the part of the client area below
    // the boxes' own area.
    place(LabelStatus, 120, 2370, 2895, 480);

    Label1->setBuddy(cmbPnumb);
    Label2->setBuddy(cmbLentgh);
    Label3->setBuddy(cmbPosition);
    Label5->setBuddy(cmbPosition);
    Label6->setBuddy(cmbSymbol);
    describe(cmbPnumb, QStringLiteral("Number of passwords"),
             QStringLiteral("How many passwords a list has, 1 to %1: a pick counts at once, a "
                            "typed number from the next Generate on")
                 .arg(kMaxCount));
    describe(cmbLentgh, QStringLiteral("Length of passwords"),
             QStringLiteral("How many characters each password has, 1 to %1: a pick counts at "
                            "once, a typed number from the next Generate on")
                 .arg(kMaxLength));
    describe(cmbPosition, QStringLiteral("Position"),
             QStringLiteral("A position in the passwords; the Symbol box shows its kind"));
    describe(cmbSymbol, QStringLiteral("Symbol"),
             QStringLiteral("Digit or Letter, the kind of the position shown: pick or type one "
                            "to change it"));

    setTabOrder(cmbPnumb, cmbLentgh);
    setTabOrder(cmbLentgh, cmbPosition);
    setTabOrder(cmbPosition, cmbSymbol);

    cmbPnumb->set_items(numbers(1, 50));
    cmbLentgh->set_items(numbers(6, 128));
    cmbSymbol->set_items({QStringLiteral("Digit"), QStringLiteral("Letter")});

    connect(cmbPnumb, &PickComboBox::picked, this, &frmSettings::cmbPnumb_Click);
    connect(cmbLentgh, &PickComboBox::picked, this, &frmSettings::cmbLentgh_Click);
    connect(cmbPosition, &PickComboBox::picked, this, &frmSettings::cmbPosition_Click);
    connect(cmbSymbol, &PickComboBox::picked, this, &frmSettings::cmbSymbol_Click);
    connect(cmbSymbol, &PickComboBox::typed, this, &frmSettings::cmbSymbol_Typed);
    connect(cmbPosition, &PickComboBox::typed, this, &frmSettings::cmbPosition_Typed);
    connect(cmbPnumb, &PickComboBox::typed, this, [this] {
        number_typed(cmbPnumb, QStringLiteral("number of passwords"), store_.settings().pnumb);
    });
    connect(cmbLentgh, &PickComboBox::typed, this, [this] {
        number_typed(cmbLentgh, QStringLiteral("length"), store_.settings().lentgh);
    });
    // A typed count or length changes the next list, and the main window says so.
    connect(cmbPnumb, &QComboBox::editTextChanged, this, &frmSettings::settings_changed);
    connect(cmbLentgh, &QComboBox::editTextChanged, this, &frmSettings::settings_changed);

    // Client area 3135 x 2580 twips, its corner at 6600, 1440 on the screen, to the right of the
    // main window, and 300 twips more at the bottom for the status line's second line. The window
    // keeps that size; where its corner would put part of it off the screen, it is moved onto the
    // screen when shown.
    setFixedSize(pixels(3135), pixels(2580 + 300));
    setGeometry(pixels(6600), pixels(1440), pixels(3135), pixels(2580 + 300));
    cmbPnumb->setFocus();
}

QString frmSettings::count_text() const {
    return cmbPnumb->currentText();
}

void frmSettings::set_count_text(const QString& text) {
    cmbPnumb->show_text(text);
}

QString frmSettings::length_text() const {
    return cmbLentgh->currentText();
}

void frmSettings::set_length_text(const QString& text) {
    cmbLentgh->show_text(text);
    try {
        fill_position_list(box_number(text.toStdString()));
    } catch (const BoxNumberError&) {
        // The program writes numbers only; a text that is none leaves the list as it is.
    }
}

void frmSettings::store_count_and_length() {
    if (count_text().isEmpty()) {
        set_count_text(QString::number(kDefaultCount));
    }
    if (length_text().isEmpty()) {
        set_length_text(QString::number(kDefaultLength));
    }
    const QString in_settings = QStringLiteral(" Type or pick one in the Settings window.");
    const std::int16_t count = box_value(count_text(), QStringLiteral("Number of passwords"),
                                         QString::fromStdString(count_rule()) + in_settings);
    const std::int16_t length = box_value(length_text(), QStringLiteral("Length of passwords"),
                                          QString::fromStdString(length_rule()) + in_settings);
    const SettingsChange change = store_.set(count, length, std::nullopt);
    if (!change.accepted) {
        throw InputProblem{QString::fromStdString(change.sentence) +
                           QStringLiteral(" Choose another in the Settings window, then press "
                                          "Generate again.")};
    }
    if (cmbPosition->count() != positions_for(store_.settings().lentgh)) {
        fill_position_list(store_.settings().lentgh);
    }
    report(change);
}

void frmSettings::show_settings() {
    const GenerationSettings& s = store_.settings();
    set_count_text(store_.count_set() ? QString::number(s.pnumb) : QString());
    set_length_text(store_.length_set() ? QString::number(s.lentgh) : QString());
    if (!store_.length_set()) {
        fill_position_list(0);
    }
    show_symbol_of_position();
}

void frmSettings::show_symbol_of_position() {
    const int k = position_shown();
    cmbSymbol->show_text(
        k == 0 ? QString()
               : cmbSymbol->itemText(
                     store_.settings().typ.at(static_cast<std::size_t>(k)) == 0 ? 0 : 1));
}

void frmSettings::fill_position_list(std::int16_t length) {
    const int shown = position_shown();
    const int last = positions_for(length);
    QStringList items;
    for (int k = 1; k <= last; ++k) {
        items << QLatin1Char(' ') + QString::number(k);
    }
    cmbPosition->set_items(items);
    cmbPosition->show_text(shown >= 1 && shown <= last ? items[shown - 1] : QString());
}

int frmSettings::position_shown() const {
    const QString text = cmbPosition->currentText().trimmed();
    for (int i = 0; i < cmbPosition->count(); ++i) {
        if (cmbPosition->itemText(i).trimmed() == text) {
            return i + 1;
        }
    }
    return 0;
}

void frmSettings::set_status(const QString& text) {
    LabelStatus->setText(text);
}

QString frmSettings::status() const {
    return LabelStatus->text();
}

void frmSettings::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    keep_on_screen(this);
}

void frmSettings::report(const SettingsChange& change) {
    if (change.reloaded || !change.accepted) {
        show_settings();  // what is in force, not what was refused or what the file no longer says
    }
    set_status(change.reloaded ? QStringLiteral("Another program changed the settings.")
                               : QString());
    emit settings_changed();
    // A refusal, a file that could not be written, a damaged file kept as .bak: each needs more
    // words than the status line holds.
    const QString sentence = QString::fromStdString(change.sentence);
    if (change.accepted && !change.saved) {
        if (sentence == failure_said_) {
            return;  // the same failure as the last save's: said already
        }
        failure_said_ = sentence;
        show_message(this, sentence + QStringLiteral("\n\nThe change counts until the program "
                                                     "ends. Make sure the file can be written; "
                                                     "the next change, or the end of the "
                                                     "program, saves the settings again."));
        return;
    }
    if (!sentence.isEmpty()) {
        show_message(this, sentence);
    }
}

void frmSettings::cmbPnumb_Click() {
    report(store_.set_count(item_number(cmbPnumb)));
}

void frmSettings::cmbLentgh_Click() {
    const SettingsChange change = store_.set_length(item_number(cmbLentgh));
    fill_position_list(store_.settings().lentgh);
    report(change);
}

void frmSettings::cmbPosition_Click() {
    show_symbol_of_position();
    set_status({});
}

void frmSettings::cmbSymbol_Click() {
    set_symbol(cmbSymbol->currentIndex());
}

void frmSettings::set_symbol(int index) {
    // The flag changed is the one of the position the position box shows. With none shown (an
    // empty box, or a typed text that is no position) nothing changes, and the status says so;
    // the symbol box is emptied again so that it does not claim a kind for no position.
    const int k = position_shown();
    if (k == 0) {
        cmbSymbol->show_text({});
        set_status(QStringLiteral("Pick a position first: nothing changed."));
        return;
    }
    cmbSymbol->show_text(cmbSymbol->itemText(index));
    report(store_.set_flag(k, index == 1));
}

void frmSettings::cmbSymbol_Typed() {
    const QString typed = cmbSymbol->currentText().trimmed();
    for (int i = 0; i < cmbSymbol->count(); ++i) {
        if (typed.compare(cmbSymbol->itemText(i), Qt::CaseInsensitive) == 0) {
            set_symbol(i);
            return;
        }
    }
    show_symbol_of_position();
    set_status(QStringLiteral("There is no symbol \"%1\": pick or type Digit or Letter.")
                   .arg(QFontMetrics(LabelStatus->font())
                            .elidedText(typed, Qt::ElideRight, LabelStatus->width() / 3)));
}

void frmSettings::cmbPosition_Typed() {
    show_symbol_of_position();
    set_status(position_shown() == 0 && !cmbPosition->currentText().trimmed().isEmpty()
                   ? QStringLiteral("There is no position \"%1\": pick one from the list.")
                         .arg(QFontMetrics(LabelStatus->font())
                                  .elidedText(cmbPosition->currentText().trimmed(), Qt::ElideRight,
                                              LabelStatus->width() / 3))
                   : QString());
}

void frmSettings::number_typed(QComboBox* box, const QString& what, std::int16_t in_force) {
    std::optional<std::int16_t> typed;
    try {
        typed = box_number(box->currentText().toStdString());
    } catch (const BoxNumberError&) {
    }
    set_status(typed && *typed == in_force
                   ? QString()
                   : QStringLiteral("The %1 typed counts from the next Generate on.").arg(what));
}

}  // namespace tessaroll::ui
