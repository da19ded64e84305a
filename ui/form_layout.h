// Fixed window layouts: every position and size is given in twips and placed at 15 twips per
// pixel; Qt scales the pixels for high-DPI screens. The windows never rearrange their controls.
#pragma once

#include <QFont>
#include <QFontInfo>
#include <QStringList>
#include <QWidget>

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

}  // namespace tessaroll::ui
