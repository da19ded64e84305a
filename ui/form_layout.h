// SPDX-License-Identifier: GPL-3.0-or-later
// Fixed window layouts: every position and size is given in twips and placed at 15 twips per
// pixel; Qt scales the pixels for high-DPI screens. The windows never rearrange their controls.
#pragma once

#include <QFont>
#include <QFontInfo>
#include <QMargins>
#include <QRect>
#include <QScreen>
#include <QStringList>
#include <QWidget>
#include <algorithm>

namespace tessaroll::ui {

inline constexpr int kTwipsPerPixel = 15;

constexpr int pixels(int twips) {
    return twips / kTwipsPerPixel;
}

// Puts a control at left/top with the given size, all in twips of its parent's client area.
inline void place(QWidget* control, int left, int top, int width, int height) {
    control->setGeometry(pixels(left), pixels(top), pixels(width), pixels(height));
}

// The font of both windows: small enough that the longest caption ("Number of passwords") fits
// its 113-pixel label. The condensed family comes first; the others have the same advance
// widths as the system sans-serif fonts of most desktops.
inline QFont form_font() {
    const QStringList families = {QStringLiteral("DejaVu Sans Condensed"),
                                  QStringLiteral("Nimbus Sans"), QStringLiteral("Arial"),
                                  QStringLiteral("Liberation Sans")};
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(11);
    // None of them installed: the system's sans-serif font is wider, one pixel smaller fits.
    if (!families.contains(QFontInfo(font).family())) {
        font.setPixelSize(10);
    }
    return font;
}

// Where a window whose frame is frame goes so that it lies on the available screen area: moved
// left and up as far as needed, never beyond the area's left and top edges (a window larger than
// the area keeps its title bar on the screen).
inline QPoint on_screen_position(const QRect& frame, const QRect& available) {
    const int x =
        std::max(available.left(), std::min(frame.left(), available.right() + 1 - frame.width()));
    const int y =
        std::max(available.top(), std::min(frame.top(), available.bottom() + 1 - frame.height()));
    return {x, y};
}

// The window frame the window manager adds, before it is known: a title bar and thin borders.
inline constexpr QMargins kAssumedFrame{4, 28, 4, 4};

// Moves a window whose fixed position would put part of it off its screen (a large scale factor
// on a small screen) back onto the screen's available area. Called when the window is shown; the
// frame is the one the window manager reported, or kAssumedFrame before it has.
inline void keep_on_screen(QWidget* window) {
    const QScreen* screen = window->screen();
    if (screen == nullptr) {
        return;
    }
    const QRect client = window->geometry();
    QRect frame = window->frameGeometry();
    if (frame == client) {
        frame = client.marginsAdded(kAssumedFrame);
    }
    const QPoint at = on_screen_position(frame, screen->availableGeometry());
    if (at != frame.topLeft()) {
        window->move(window->pos() + (at - frame.topLeft()));
    }
}

}  // namespace tessaroll::ui
