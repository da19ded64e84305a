#include "ui/form_controls.h"

#include <QLabel>

#include "settings/box_number.h"
#include "ui/pick_combo_box.h"

namespace tessaroll::ui {

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

QStringList numbers(int first, int last) {
    QStringList items;
    for (int n = first; n <= last; ++n) {
        items << QString::number(n);
    }
    return items;
}

std::int16_t box_value(const QString& text, const QString& box, const QString& allowed) {
    try {
        return box_number(text.toStdString());
    } catch (const BoxNumberError& e) {
        if (text.isEmpty()) {
            throw InputProblem{QStringLiteral("The %1 box is empty. %2").arg(box, allowed)};
        }
        if (text.trimmed().isEmpty()) {
            throw InputProblem{
                QStringLiteral("The %1 box holds only blanks. %2").arg(box, allowed)};
        }
        throw InputProblem{
            QStringLiteral("%1 box: %2 %3").arg(box, QString::fromStdString(e.what()), allowed)};
    }
}

}  // namespace tessaroll::ui
