// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the window tests: a throw-away program folder, message boxes answered
// without blocking, picks from a combo box's list as a user makes them, and the reference
// vectors of the engine.
#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QTest>
#include <QWheelEvent>
#include <vector>

#include "ui/message_box.h"

namespace tessaroll::ui::test {

// Collects every message box text while alive; nothing is shown.
class MessageCatcher {
public:
    MessageCatcher() {
        set_message_hook([this](const QString& text) { texts.push_back(text); });
    }
    ~MessageCatcher() { set_message_hook({}); }
    MessageCatcher(const MessageCatcher&) = delete;
    MessageCatcher& operator=(const MessageCatcher&) = delete;

    QStringList texts;
};

inline QByteArray file_bytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

inline bool write_bytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// Opens the drop-down list, moves to the item with that text and presses Enter, as a user
// picking by keyboard does.
inline bool pick(QComboBox* box, const QString& text) {
    const int index = box->findText(text, Qt::MatchExactly);
    if (index < 0) {
        return false;
    }
    box->showPopup();
    QAbstractItemView* view = box->view();
    if (!QTest::qWaitFor([view] { return view->isVisible(); })) {
        return false;
    }
    view->setCurrentIndex(box->model()->index(index, 0));
    QTest::keyClick(view, Qt::Key_Return);
    return QTest::qWaitFor([view] { return !view->isVisible(); });
}

// Turns the mouse wheel over the middle of a control: one notch up, two down.
inline void scroll_over(QWidget* control) {
    for (const int delta : {120, -120, -120}) {
        const QPointF at(control->width() / 2.0, control->height() / 2.0);
        QWheelEvent wheel(at, control->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(control, &wheel);
    }
}

inline QStringList items_of(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) {
        items << box->itemText(i);
    }
    return items;
}

// Whether text fits the control at the control's own font.
inline bool caption_fits(const QWidget* control, const QString& text) {
    const QFontMetrics metrics(control->font());
    return metrics.horizontalAdvance(text) <= control->width() &&
           metrics.height() <= control->height();
}

// Whether a word-wrapping label's text fits the label, broken into lines at its width.
inline bool wrapped_text_fits(const QLabel* label) {
    const QFontMetrics metrics(label->font());
    const QRect needed = metrics.boundingRect(QRect(0, 0, label->width(), 10000),
                                              Qt::TextWordWrap | Qt::AlignLeft, label->text());
    return needed.width() <= label->width() && needed.height() <= label->height();
}

// Whether text fits the text part of an editable combo box, inside the line edit's own margins.
inline bool text_fits(const QComboBox* box, const QString& text) {
    const QFontMetrics metrics(box->lineEdit()->font());
    return metrics.horizontalAdvance(text) + 4 <= box->lineEdit()->width();
}

struct Vector {
    QString personal;
    int day = 0, month = 0, year = 0, count = 0, length = 0;
    QString pattern;  // 'd' digit, 'l' letter for positions 1 ..
    QStringList passwords;
    int code_page = 1252;
    bool error = false;  // the vector meets a limit of the computation
};

inline std::vector<Vector> engine_vectors() {
    std::vector<Vector> vectors;
    QFile file(QStringLiteral(TESSAROLL_TEST_DATA "/engine.jsonl"));
    if (!file.open(QIODevice::ReadOnly)) {
        return vectors;
    }
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.isEmpty()) {
            continue;
        }
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        Vector v;
        v.personal = o.value(QStringLiteral("personal")).toString();
        v.day = o.value(QStringLiteral("day")).toInt();
        v.month = o.value(QStringLiteral("month")).toInt();
        v.year = o.value(QStringLiteral("year")).toInt();
        v.count = o.value(QStringLiteral("count")).toInt();
        v.length = o.value(QStringLiteral("length")).toInt();
        v.pattern = o.value(QStringLiteral("pattern")).toString();
        for (const QJsonValue& p : o.value(QStringLiteral("passwords")).toArray()) {
            v.passwords << p.toString();
        }
        v.code_page = o.value(QStringLiteral("code_page")).toInt(1252);
        v.error = o.contains(QStringLiteral("error"));
        vectors.push_back(v);
    }
    return vectors;
}

// The bytes of a pattern file with this count, length and pattern letters.
inline QByteArray pattern_file_bytes(int count, int length, const QString& pattern) {
    QByteArray bytes =
        " " + QByteArray::number(count) + "  " + QByteArray::number(length) + " \r\n";
    for (const QChar c : pattern) {
        bytes += c == QLatin1Char('l') ? " 1 \r\n" : " 0 \r\n";
    }
    return bytes;
}

}  // namespace tessaroll::ui::test
