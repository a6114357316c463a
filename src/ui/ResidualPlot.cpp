#include "ui/ResidualPlot.h"

#include <QBuffer>
#include <QByteArray>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "config/AtomicFile.h"

namespace orv::ui {

namespace {

// Night colours: nothing brighter than the red and amber an eye adapted to the
// dark tolerates.
const QColor Background(8, 8, 8);
const QColor Frame(110, 40, 40);
const QColor Grid(48, 20, 20);
const QColor Text(220, 90, 80);
const QColor RaColour(255, 150, 40);   // RA times cos Dec: amber
const QColor DecColour(255, 60, 60);   // Dec: red

constexpr int Width = 1500, Height = 1020;
constexpr int Margin = 70;

// A tick step of 1, 2 or 5 times a power of ten giving about `ticks` intervals.
double NiceStep(double span, int ticks) {
    if (!(span > 0)) return 1.0;
    const double raw = span / ticks;
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (raw <= m * p) return m * p;
    return 10 * p;
}

QString Number(double v, double step) {
    const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
    return QString::number(std::fabs(v) < step * 1e-6 ? 0.0 : v, 'f', decimals);
}

// A panel with data ranges and the mapping to pixels.
struct Panel {
    QRectF area;
    double x0, x1, y0, y1;
    QPointF map(double x, double y) const {
        return {area.left() + (x - x0) / (x1 - x0) * area.width(), area.bottom() - (y - y0) / (y1 - y0) * area.height()};
    }
};

// Widens [lo, hi] to whole steps, with at least `minSpan`.
void NiceRange(double& lo, double& hi, double minSpan, double& step) {
    if (hi - lo < minSpan) {
        const double mid = 0.5 * (lo + hi);
        lo = mid - minSpan / 2;
        hi = mid + minSpan / 2;
    }
    step = NiceStep(hi - lo, 6);
    lo = std::floor(lo / step) * step;
    hi = std::ceil(hi / step) * step;
}

void DrawAxes(QPainter& g, const Panel& p, double xStep, double yStep, const QString& xLabel, const QString& yLabel) {
    QFont small = g.font();
    small.setPixelSize(14);
    g.setFont(small);
    for (double x = p.x0; x <= p.x1 + xStep * 1e-6; x += xStep) {
        const QPointF a = p.map(x, p.y0);
        g.setPen(QPen(Grid, 1));
        g.drawLine(a, p.map(x, p.y1));
        g.setPen(Text);
        g.drawText(QRectF(a.x() - 40, a.y() + 4, 80, 18), Qt::AlignHCenter | Qt::AlignTop, Number(x, xStep));
    }
    for (double y = p.y0; y <= p.y1 + yStep * 1e-6; y += yStep) {
        const QPointF a = p.map(p.x0, y);
        g.setPen(QPen(std::fabs(y) < yStep * 1e-6 ? Frame : Grid, 1));
        g.drawLine(a, p.map(p.x1, y));
        g.setPen(Text);
        g.drawText(QRectF(a.x() - 66, a.y() - 9, 60, 18), Qt::AlignRight | Qt::AlignVCenter, Number(y, yStep));
    }
    g.setPen(QPen(Frame, 1.5));
    g.setBrush(Qt::NoBrush);
    g.drawRect(p.area);
    g.setPen(Text);
    g.drawText(QRectF(p.area.left(), p.area.bottom() + 22, p.area.width(), 20), Qt::AlignHCenter, xLabel);
    g.save();
    g.translate(p.area.left() - 58, p.area.center().y());
    g.rotate(-90);
    g.drawText(QRectF(-p.area.height() / 2, -20, p.area.height(), 20), Qt::AlignHCenter | Qt::AlignBottom, yLabel);
    g.restore();
}

void Mark(QPainter& g, QPointF at, bool ra) {
    if (ra) {
        g.setPen(Qt::NoPen);
        g.setBrush(RaColour);
        g.drawEllipse(at, 4.5, 4.5);
    } else {
        g.setPen(QPen(DecColour, 2.2));
        g.setBrush(Qt::NoBrush);
        g.drawLine(at + QPointF(-5, -5), at + QPointF(5, 5));
        g.drawLine(at + QPointF(-5, 5), at + QPointF(5, -5));
    }
}

using ErrorOf = std::function<astro::SkyError(const astro::PointResidual&)>;

// Both components against a coordinate of the star.
void ScatterPanel(QPainter& g, QRectF area, const astro::FitResult& fit, const ErrorOf& error, bool againstHA,
                  double limit) {
    double lo = 1e30, hi = -1e30;
    for (const auto& r : fit.residuals) {
        const double x = againstHA ? r.ha : r.dec;
        lo = std::min(lo, x);
        hi = std::max(hi, x);
    }
    double xStep = 1, yStep = 1;
    NiceRange(lo, hi, againstHA ? 2.0 : 20.0, xStep);
    double y0 = -limit, y1 = limit;
    NiceRange(y0, y1, 0, yStep);
    const Panel p{area, lo, hi, y0, y1};
    DrawAxes(g, p, xStep, yStep, againstHA ? "hour angle (h, west +)" : "declination (deg)", "error (arcsec)");
    g.save();
    g.setClipRect(area.adjusted(-6, -6, 6, 6));
    for (const auto& r : fit.residuals) {
        const double x = againstHA ? r.ha : r.dec;
        const astro::SkyError e = error(r);
        Mark(g, p.map(x, e.raCosDec), true);
        Mark(g, p.map(x, e.dec), false);
    }
    g.restore();
}

// Arrows from each star's place over the sky: the telescope's error drawn in
// hour angle (west to the right) and declination (north up).
void VectorPanel(QPainter& g, QRectF area, const astro::FitResult& fit, const ErrorOf& error, double limit) {
    double hLo = 1e30, hHi = -1e30, dLo = 1e30, dHi = -1e30;
    for (const auto& r : fit.residuals) {
        hLo = std::min(hLo, r.ha);
        hHi = std::max(hHi, r.ha);
        dLo = std::min(dLo, r.dec);
        dHi = std::max(dHi, r.dec);
    }
    double hStep = 1, dStep = 1;
    NiceRange(hLo, hHi, 2.0, hStep);
    NiceRange(dLo, dHi, 20.0, dStep);
    const Panel p{area, hLo, hHi, dLo, dHi};
    DrawAxes(g, p, hStep, dStep, "hour angle (h, west +)", "declination (deg)");

    // The longest arrow an eighth of the panel's width; a scale bar of a round length.
    const double pixelsPerArcsec = limit > 0 ? area.width() / 8 / limit : 1.0;
    for (const auto& r : fit.residuals) {
        const astro::SkyError e = error(r);
        const QPointF from = p.map(r.ha, r.dec);
        const QPointF to = from + QPointF(-e.raCosDec * pixelsPerArcsec, -e.dec * pixelsPerArcsec);
        g.setPen(QPen(RaColour, 2));
        g.drawLine(from, to);
        const QPointF d = to - from;
        const double len = std::hypot(d.x(), d.y());
        if (len > 3) {
            const QPointF u = d / len, n(-u.y(), u.x());
            QPainterPath head;
            head.moveTo(to);
            head.lineTo(to - u * 9 + n * 4.5);
            head.lineTo(to - u * 9 - n * 4.5);
            head.closeSubpath();
            g.fillPath(head, RaColour);
        }
        g.setPen(Qt::NoPen);
        g.setBrush(DecColour);
        g.drawEllipse(from, 3, 3);
    }
    const double bar = NiceStep(limit, 2);
    const QPointF b0(area.right() - 20 - bar * pixelsPerArcsec, area.top() + 22);
    g.setPen(QPen(RaColour, 2.5));
    g.drawLine(b0, b0 + QPointF(bar * pixelsPerArcsec, 0));
    g.setPen(Text);
    g.drawText(QRectF(b0.x() - 120, b0.y() - 9, 112, 18), Qt::AlignRight | Qt::AlignVCenter,
               Number(bar, bar) + " arcsec");
}

double LargestError(const astro::FitResult& fit, const ErrorOf& error) {
    double m = 0;
    for (const auto& r : fit.residuals) {
        const astro::SkyError e = error(r);
        m = std::max({m, std::fabs(e.raCosDec), std::fabs(e.dec), std::hypot(e.raCosDec, e.dec)});
    }
    return m > 0 ? m * 1.08 : 1.0;
}

}  // namespace

QImage DrawResidualPlot(const astro::FitResult& fit, const std::string& title) {
    QImage image(Width, Height, QImage::Format_RGB32);
    image.fill(Background);
    QPainter g(&image);
    g.setRenderHint(QPainter::Antialiasing);
    QFont font("DejaVu Sans");
    font.setPixelSize(22);
    g.setFont(font);
    g.setPen(Text);
    g.drawText(QRect(0, 10, Width, 30), Qt::AlignHCenter, QString::fromStdString(title));

    // The legend.
    font.setPixelSize(16);
    g.setFont(font);
    Mark(g, QPointF(Margin + 10, 56), true);
    g.setPen(Text);
    g.drawText(QPointF(Margin + 22, 62), "RA \u00d7 cos Dec");
    Mark(g, QPointF(Margin + 170, 56), false);
    g.setPen(Text);
    g.drawText(QPointF(Margin + 182, 62), "Dec");
    g.drawText(QRectF(Margin + 240, 46, Width - 2 * Margin - 240, 22), Qt::AlignRight,
               "errors: telescope \u2212 star, arcsec on the sky; arrows in hour angle (west right) and Dec (north up)");

    const ErrorOf before = [](const astro::PointResidual& r) { return r.before; };
    const ErrorOf after = [](const astro::PointResidual& r) { return r.after; };
    const double columnWidth = (Width - 2 * Margin - 2 * 60) / 3.0;
    const double rowTop[2] = {110, 110 + (Height - 110) / 2.0};
    const double rowHeight = (Height - 110) / 2.0 - 80;
    for (int row = 0; row < 2; ++row) {
        const ErrorOf& e = row == 0 ? before : after;
        const double rms = row == 0 ? fit.rmsBefore : fit.rmsAfter;
        const double limit = LargestError(fit, e);
        font.setPixelSize(18);
        g.setFont(font);
        g.setPen(Text);
        const QString heading = QString(row == 0 ? "Before the fit" : "After the fit") + ": RMS " +
                                QString::number(rms, 'f', rms < 10 ? 2 : 1) + " arcsec on the sky, " +
                                QString::number(fit.residuals.size()) + " points";
        g.drawText(QRectF(Margin, rowTop[row] - 6, Width - 2 * Margin, 24), Qt::AlignLeft, heading);
        for (int col = 0; col < 3; ++col) {
            const QRectF area(Margin + col * (columnWidth + 60), rowTop[row] + 26, columnWidth, rowHeight);
            if (col == 2)
                VectorPanel(g, area, fit, e, limit);
            else
                ScatterPanel(g, area, fit, e, col == 0, limit);
        }
    }
    return image;
}

bool SaveResidualPlot(const astro::FitResult& fit, const std::string& title, const std::string& path,
                      std::string& error) {
    const QImage image = DrawResidualPlot(fit, title);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        error = "cannot encode the plot";
        return false;
    }
    if (auto failed = WriteFileAtomically(path, std::string(png.constData(), static_cast<size_t>(png.size())))) {
        error = *failed;
        return false;
    }
    return true;
}

}  // namespace orv::ui
