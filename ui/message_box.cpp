// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/message_box.h"

#include <QMessageBox>
#include <utility>

namespace tessaroll::ui {

namespace {

MessageHook& hook() {
    static MessageHook h;
    return h;
}

}  // namespace

void show_message(QWidget* parent, const QString& text) {
    if (hook()) {
        hook()(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kMessageTitle), text, QMessageBox::Ok,
                    parent);
    box.exec();
}

void set_message_hook(MessageHook h) {
    hook() = std::move(h);
}

}  // namespace tessaroll::ui
