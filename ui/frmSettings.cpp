#include "ui/frmSettings.h"

#include <QLabel>
#include <QStringList>
#include <algorithm>

#include "engine/password_list.h"
#include "settings/box_number.h"
#include "ui/form_layout.h"
#include "ui/pick_combo_box.h"

namespace tessaroll::ui {

namespace {

QStringList numbers(int first, int last) {
    QStringList items;
    for (int n = first; n <= last; ++n) {
        items << QString::number(n);
    }
    return items;
}

QLabel* make_label(QWidget* parent, const char* name, const char* caption) {
    auto* label = new QLabel(QString::fromLatin1(caption), parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

PickComboBox* make_combo(QWidget* parent, const char* name) {
    auto* combo = new PickComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    return combo;
}

// A picked item's number. Items are numbers the window put there itself.
std::int16_t item_number(const QComboBox* box) {
    return box_number(box->currentText().toStdString());
}

}  // namespace

frmSettings::frmSettings(GenerationSettings& settings) : QWidget(nullptr), settings_(settings) {
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(QStringLiteral("Settings"));
    setFont(form_font());

    // Created in tab order; labels never take the focus.
    Label1 = make_label(this, "Label1", "Number of passwords");
    Label2 = make_label(this, "Label2", "Length of  passwords");
    Label3 = make_label(this, "Label3", "Pattern");
    cmbPnumb = make_combo(this, "cmbPnumb");
    cmbLentgh = make_combo(this, "cmbLentgh");
    cmbPosition = make_combo(this, "cmbPosition");
    Label5 = make_label(this, "Label5", "Position");
    Label6 = make_label(this, "Label6", "Symbol");
    cmbSymbol = make_combo(this, "cmbSymbol");

    place(Label1, 120, 240, 1695, 255);
    place(Label2, 120, 720, 1695, 255);
    place(Label3, 1200, 1320, 615, 255);
    place(cmbPnumb, 1800, 240, 855, 315);
    place(cmbLentgh, 1800, 720, 855, 315);
    place(cmbPosition, 240, 2040, 975, 315);
    place(Label5, 240, 1680, 615, 255);
    place(Label6, 1800, 1680, 615, 255);
    place(cmbSymbol, 1800, 2040, 975, 315);

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

    // Client area 3135 x 2580 twips, its corner at 6600, 1440 on the screen, to the right of the
    // main window. The window keeps that size.
    setFixedSize(pixels(3135), pixels(2580));
    setGeometry(pixels(6600), pixels(1440), pixels(3135), pixels(2580));
    cmbPnumb->setFocus();
}

QString frmSettings::count_text() const {
    return cmbPnumb->currentText();
}

void frmSettings::set_count_text(const QString& text) {
    cmbPnumb->setEditText(text);
}

QString frmSettings::length_text() const {
    return cmbLentgh->currentText();
}

void frmSettings::set_length_text(const QString& text) {
    cmbLentgh->setEditText(text);
}

void frmSettings::fill_position_list(std::int16_t length) {
    const QString text = cmbPosition->currentText();
    // Positions beyond the last flag have nothing to show or set.
    const int last = std::min<int>(length, kMaxLength);
    QStringList items;
    for (int k = 1; k <= last; ++k) {
        items << QLatin1Char(' ') + QString::number(k);
    }
    cmbPosition->set_items(items);
    cmbPosition->setEditText(text);
}

void frmSettings::cmbPnumb_Click() {
    settings_.pnumb = item_number(cmbPnumb);
}

void frmSettings::cmbLentgh_Click() {
    settings_.lentgh = item_number(cmbLentgh);
    fill_position_list(settings_.lentgh);
}

void frmSettings::cmbPosition_Click() {
    const std::int16_t k = item_number(cmbPosition);
    cmbSymbol->setEditText(
        cmbSymbol->itemText(settings_.typ.at(static_cast<std::size_t>(k)) == 0 ? 0 : 1));
}

void frmSettings::cmbSymbol_Click() {
    // The selected position is the item whose text the box shows; once the user has typed over
    // it, no position is selected, and the flag written is flag 0, which no position reads.
    int i = cmbPosition->currentIndex();
    if (i >= 0 && cmbPosition->itemText(i) != cmbPosition->currentText()) {
        i = -1;
    }
    const int s = cmbSymbol->currentIndex();
    settings_.typ.at(static_cast<std::size_t>(i + 1)) = static_cast<std::int16_t>(s);
}

}  // namespace tessaroll::ui
