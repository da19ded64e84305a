// SPDX-License-Identifier: GPL-3.0-or-later
// Every message box of the window program goes through here, so that tests can answer them
// instead of blocking on a modal dialog.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace tessaroll::ui {

inline constexpr const char* kMessageTitle = "Tessaroll";

// Shows text in a modal box with the title "Tessaroll" and one OK button.
void show_message(QWidget* parent, const QString& text);

// While a hook is set, show_message hands the text to it and shows nothing (tests).
using MessageHook = std::function<void(const QString& text)>;
void set_message_hook(MessageHook hook);

}  // namespace tessaroll::ui
