// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/fingerprint_view.h"

#include <QAccessible>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <array>
#include <cmath>
#include <numbers>

namespace tessaroll::ui {

namespace {

// One colour per shape, in the order of the shapes' words; all dark enough to stand out on a
// light window, and each shape also has an outline of its own colour, darker.
constexpr std::array<QRgb, kFingerprintShapes> kColours = {
    0xd62728,  // circle: red
    0x1f77b4,  // square: blue
    0x2ca02c,  // triangle: green
    0xff7f0e,  // diamond: orange
    0x9467bd,  // star: purple
    0xe377c2,  // heart: pink
    0x17becf,  // plus: cyan
    0x8c564b,  // hexagon: brown
    0xbcbd22,  // moon: olive
    0x7f7f7f,  // ring: grey
    0x393b79,  // arrow: navy
    0xe6ab02,  // bolt: gold
    0x1b9e77,  // drop: teal
    0x843c39,  // house: maroon
    0xa6761d,  // hourglass: ochre
    0x000000,  // flag: black
};

// Shapes are made in a square of kUnit by kUnit: the boolean operations on paths flatten
// curves at a fixed tolerance, which would turn a unit circle into an octagon.
constexpr double kUnit = 100;

// A polygon given in the unit square.
QPolygonF polygon(std::initializer_list<QPointF> points) {
    QPolygonF p;
    for (const QPointF& point : points) {
        p << point * kUnit;
    }
    return p;
}

// A regular polygon (or, with two radii, a star) around the middle of the square, its radii
// given as parts of the side.
QPolygonF around(int corners, double outer, double inner, double turn) {
    QPolygonF p;
    const int steps = inner > 0 ? corners * 2 : corners;
    for (int i = 0; i < steps; ++i) {
        const double r = (inner > 0 && i % 2 == 1) ? inner : outer;
        const double a = turn + 2 * std::numbers::pi * i / steps;
        p << QPointF(0.5 + r * std::cos(a), 0.5 + r * std::sin(a)) * kUnit;
    }
    return p;
}

QPainterPath ellipse(double x, double y, double w, double h) {
    QPainterPath path;
    path.addEllipse(QRectF(x * kUnit, y * kUnit, w * kUnit, h * kUnit));
    return path;
}

QPainterPath shape(const QPolygonF& p) {
    QPainterPath path;
    path.addPolygon(p);
    path.closeSubpath();
    return path;
}

// The outline of each shape in the square of kUnit.
QPainterPath shape_path(std::uint8_t s) {
    const double up = -std::numbers::pi / 2;
    switch (s) {
        case 0:  // circle
            return ellipse(0.08, 0.08, 0.84, 0.84);
        case 1:  // square
            return shape(polygon({{0.12, 0.12}, {0.88, 0.12}, {0.88, 0.88}, {0.12, 0.88}}));
        case 2:  // triangle
            return shape(polygon({{0.5, 0.06}, {0.96, 0.9}, {0.04, 0.9}}));
        case 3:  // diamond
            return shape(polygon({{0.5, 0.0}, {0.92, 0.5}, {0.5, 1.0}, {0.08, 0.5}}));
        case 4:  // star
            return shape(around(5, 0.52, 0.22, up)).translated(0, 0.04 * kUnit);
        case 5: {  // heart
            QPainterPath path = ellipse(0.04, 0.1, 0.5, 0.5).united(ellipse(0.46, 0.1, 0.5, 0.5));
            return path.united(shape(polygon({{0.08, 0.48}, {0.92, 0.48}, {0.5, 0.94}})));
        }
        case 6:  // plus
            return shape(polygon({{0.36, 0.04},
                                  {0.64, 0.04},
                                  {0.64, 0.36},
                                  {0.96, 0.36},
                                  {0.96, 0.64},
                                  {0.64, 0.64},
                                  {0.64, 0.96},
                                  {0.36, 0.96},
                                  {0.36, 0.64},
                                  {0.04, 0.64},
                                  {0.04, 0.36},
                                  {0.36, 0.36}}));
        case 7:  // hexagon
            return shape(around(6, 0.48, 0, 0));
        case 8:  // moon
            return ellipse(0.04, 0.04, 0.92, 0.92).subtracted(ellipse(0.36, -0.06, 0.8, 0.8));
        case 9:  // ring
            return ellipse(0.06, 0.06, 0.88, 0.88).subtracted(ellipse(0.3, 0.3, 0.4, 0.4));
        case 10:  // arrow
            return shape(polygon({{0.5, 0.02},
                                  {0.94, 0.48},
                                  {0.66, 0.48},
                                  {0.66, 0.98},
                                  {0.34, 0.98},
                                  {0.34, 0.48},
                                  {0.06, 0.48}}));
        case 11:  // bolt
            return shape(polygon({{0.62, 0.0},
                                  {0.14, 0.58},
                                  {0.46, 0.58},
                                  {0.34, 1.0},
                                  {0.86, 0.4},
                                  {0.55, 0.4},
                                  {0.72, 0.0}}));
        case 12:  // drop
            return ellipse(0.2, 0.38, 0.6, 0.6)
                .united(shape(polygon({{0.5, 0.0}, {0.22, 0.58}, {0.78, 0.58}})));
        case 13:  // house
            return shape(polygon({{0.5, 0.04},
                                  {0.96, 0.46},
                                  {0.82, 0.46},
                                  {0.82, 0.96},
                                  {0.18, 0.96},
                                  {0.18, 0.46},
                                  {0.04, 0.46}}));
        case 14:  // hourglass
            return shape(polygon({{0.1, 0.04}, {0.9, 0.04}, {0.5, 0.5}}))
                .united(shape(polygon({{0.5, 0.5}, {0.9, 0.96}, {0.1, 0.96}})));
        case 15:  // flag
            return shape(polygon({{0.1, 0.02}, {0.22, 0.02}, {0.22, 0.98}, {0.1, 0.98}}))
                .united(shape(polygon({{0.22, 0.06}, {0.94, 0.3}, {0.22, 0.54}})));
        default:
            return {};
    }
}

}  // namespace

void draw_fingerprint_symbol(QPainter& painter, std::uint8_t s, const QRectF& box) {
    const QColor colour = QColor::fromRgb(kColours.at(s));
    QTransform to_box;
    to_box.translate(box.left(), box.top());
    to_box.scale(box.width() / kUnit, box.height() / kUnit);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour.darker(160), 1.0));
    painter.setBrush(colour);
    painter.drawPath(to_box.map(shape_path(s)));
    painter.restore();
}

FingerprintView::FingerprintView(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QString::fromLatin1(kFingerprintName));
    setFocusPolicy(Qt::NoFocus);
}

void FingerprintView::show_fingerprint(const std::optional<Fingerprint>& fingerprint) {
    if (fingerprint == fingerprint_) {
        return;
    }
    fingerprint_ = fingerprint;
    const QString words =
        fingerprint ? QString::fromStdString(fingerprint_words(*fingerprint)) : QString();
    setAccessibleDescription(words);
    setToolTip(words.isEmpty()
                   ? QString()
                   : QStringLiteral("Fingerprint of the personal password: %1").arg(words));
    QAccessibleEvent changed(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);
    update();
}

void FingerprintView::paintEvent(QPaintEvent* /*event*/) {
    if (!fingerprint_) {
        return;
    }
    QPainter painter(this);
    const double cell = static_cast<double>(width()) / static_cast<double>(fingerprint_->size());
    const double side = std::min(cell - 2, static_cast<double>(height()) - 4);
    for (std::size_t i = 0; i < fingerprint_->size(); ++i) {
        const QRectF box(cell * static_cast<double>(i) + (cell - side) / 2, (height() - side) / 2,
                         side, side);
        draw_fingerprint_symbol(painter, (*fingerprint_)[i], box);
    }
}

}  // namespace tessaroll::ui
