#include "ui/TOnOffBox.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <algorithm>
#include <QPainter>

#include "ui/UiSupport.h"

namespace orv::ui {

TOnOffBox::TOnOffBox(QWidget* parent) : QWidget(parent) {
    setFixedSize(OnOffModel::Size, OnOffModel::Size);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    setFont(small);
}

void TOnOffBox::setCaptions(const std::string& onText, const std::string& offText) {
    model_.OnString = onText;
    model_.OffString = offText;
    constexpr int Margin = 8;   // pixels around the word
    const QFontMetrics m(font());
    width_ = std::max({OnOffModel::Size, m.horizontalAdvance(ToQString(onText)) + Margin,
                       m.horizontalAdvance(ToQString(offText)) + Margin});
    setFixedSize(width_, OnOffModel::Size);
    update();
}

void TOnOffBox::setOn(bool on) {
    if (model_.on == on) return;
    model_.on = on;
    update();
}

void TOnOffBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect box = rect().adjusted(0, 0, -1, -1);
    painter.fillRect(box, ToQColor(model_.background()));
    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.drawRect(box);
    painter.setPen(ToQColor(model_.TextColor));
    painter.drawText(box, Qt::AlignCenter, ToQString(model_.text()));
}

void TOnOffBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && model_.click()) {
        update();
        emit toggled(model_.on);
    }
    QWidget::mousePressEvent(event);
}

void TOnOffBox::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        model_.enabled = isEnabled();
        update();
    }
    QWidget::changeEvent(event);
}

}  // namespace orv::ui
