#include "ui/TOrvEmblem.h"

#include <QPainter>
#include <QPainterPath>

namespace orv::ui {

TOrvEmblem::TOrvEmblem(QWidget* parent) : QWidget(parent) { setFixedSize(sizeHint()); }

// Drawn on a 100 x 100 grid and scaled to the widget.
void TOrvEmblem::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(width() / 100.0, height() / 100.0);

    // Night sky in a round frame.
    QRadialGradient sky(QPointF(50, 45), 55);
    sky.setColorAt(0, QColor(0x1A, 0x24, 0x4A));
    sky.setColorAt(1, QColor(0x05, 0x08, 0x18));
    p.setPen(QPen(QColor(0x90, 0x90, 0x98), 2));
    p.setBrush(sky);
    p.drawEllipse(QRectF(2, 2, 96, 96));

    // Stars: small four-pointed sparkles.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFF, 0xF4, 0xC0));
    const QPointF stars[] = {{22, 22}, {40, 13}, {70, 18}, {82, 34}, {15, 42}, {58, 28}};
    const double sizes[] = {2.2, 1.4, 2.6, 1.6, 1.3, 1.2};
    for (size_t i = 0; i < std::size(stars); ++i) {
        const QPointF c = stars[i];
        const double r = sizes[i];
        QPainterPath star;
        star.moveTo(c.x(), c.y() - 2 * r);
        star.lineTo(c.x() + r / 3, c.y() - r / 3);
        star.lineTo(c.x() + 2 * r, c.y());
        star.lineTo(c.x() + r / 3, c.y() + r / 3);
        star.lineTo(c.x(), c.y() + 2 * r);
        star.lineTo(c.x() - r / 3, c.y() + r / 3);
        star.lineTo(c.x() - 2 * r, c.y());
        star.lineTo(c.x() - r / 3, c.y() - r / 3);
        star.closeSubpath();
        p.drawPath(star);
    }

    // Clip everything else to the round frame.
    QPainterPath frame;
    frame.addEllipse(QRectF(3, 3, 94, 94));
    p.setClipPath(frame);

    // The dome: a hemisphere on a drum, its slit open up and to the right.
    constexpr double SlitAngle = -50;  // degrees, drawing coordinates (y down)
    const QPointF pivot(50, 65);
    QLinearGradient metal(20, 40, 80, 40);
    metal.setColorAt(0, QColor(0xE8, 0xE8, 0xEC));
    metal.setColorAt(1, QColor(0x90, 0x94, 0xA0));
    QPainterPath dome;
    dome.moveTo(20, 65);
    dome.arcTo(QRectF(20, 40, 60, 50), 180, -180);
    dome.closeSubpath();
    QTransform alongSlit;
    alongSlit.translate(pivot.x(), pivot.y());
    alongSlit.rotate(SlitAngle);
    QPainterPath strip;
    strip.addRect(QRectF(0, -7, 40, 14));
    const QPainterPath slit = alongSlit.map(strip).intersected(dome);
    p.setPen(QPen(QColor(0x50, 0x50, 0x58), 1.2));
    p.setBrush(metal);
    p.drawPath(dome.subtracted(slit));
    p.setBrush(QColor(0x10, 0x10, 0x18));
    p.drawPath(slit);

    // The telescope tube looking out through the slit, with its blue dew cap.
    p.save();
    p.setTransform(alongSlit, true);
    p.setPen(QPen(QColor(0x30, 0x30, 0x38), 1));
    p.setBrush(QColor(0xF0, 0xF0, 0xF0));
    p.drawRect(QRectF(4, -4, 30, 8));
    p.setBrush(QColor(0x40, 0x70, 0xC0));
    p.drawRect(QRectF(32, -5, 5, 10));
    p.restore();

    // The drum and the ground.
    p.setBrush(QColor(0xB8, 0xBA, 0xC0));
    p.drawRect(QRectF(20, 65, 60, 14));
    p.setBrush(QColor(0x70, 0x50, 0x30));
    p.drawRect(QRectF(24, 70, 8, 9));  // door
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1E, 0x3A, 0x22));
    p.drawRect(QRectF(0, 79, 100, 21));
}

}  // namespace orv::ui
