#include "ui/TAutoButton.h"

#include <QMouseEvent>
#include <QVBoxLayout>

namespace orv::ui {

TAutoButton::TAutoButton(Qt::ArrowType arrow, QWidget* parent)
    : QToolButton(parent), repeat_(timer_, [this] { emit stepped(); }) {
    setArrowType(arrow);
    setFocusPolicy(Qt::NoFocus);
    timer_.qtimer.setSingleShot(true);
    connect(&timer_.qtimer, &QTimer::timeout, this, [this] { repeat_.timerFired(); });
}

void TAutoButton::mousePressEvent(QMouseEvent* event) {
    QToolButton::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && isEnabled()) repeat_.press();
}

void TAutoButton::mouseReleaseEvent(QMouseEvent* event) {
    QToolButton::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) repeat_.release();
}

void TAutoButton::mouseMoveEvent(QMouseEvent* event) {
    QToolButton::mouseMoveEvent(event);
    repeat_.setCaptured(rect().contains(event->position().toPoint()));
}

TSpinButtons::TSpinButtons(QWidget* parent)
    : QWidget(parent), up_(new TAutoButton(Qt::UpArrow, this)), down_(new TAutoButton(Qt::DownArrow, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (auto* button : {up_, down_}) {
        button->setFixedSize(16, 11);
        layout->addWidget(button);
    }
    connect(up_, &TAutoButton::stepped, this, [this] { emit stepped(+1); });
    connect(down_, &TAutoButton::stepped, this, [this] { emit stepped(-1); });
}

}  // namespace orv::ui
