// SPDX-License-Identifier: GPL-3.0-or-later
// The fingerprint of the personal password beside its box: three symbols, each one of 16 shapes
// in a colour of its own, so that they are told apart by shape alone as well as by colour.
#pragma once

#include <QWidget>
#include <optional>

#include "engine/fingerprint.h"

namespace tessaroll::ui {

// The accessible name of the fingerprint.
inline constexpr const char* kFingerprintName = "fingerprint of the personal password";

class FingerprintView : public QWidget {
    Q_OBJECT

public:
    explicit FingerprintView(QWidget* parent);

    // Shows the three symbols, or nothing. The tooltip and the accessible description give the
    // symbols' words, as tessaroll-cli prints them.
    void show_fingerprint(const std::optional<Fingerprint>& fingerprint);
    const std::optional<Fingerprint>& fingerprint() const { return fingerprint_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<Fingerprint> fingerprint_;
};

// Draws symbol s (0 to 15) filling the square box.
void draw_fingerprint_symbol(QPainter& painter, std::uint8_t s, const QRectF& box);

}  // namespace tessaroll::ui
