#include "ui/TPaddleDlg.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace orv::ui {

namespace {

constexpr int ButtonSize = 44;   // pixels: a fingertip's width, easy to hit in the dark

std::optional<ArrowKey> ArrowOf(int key) {
    switch (key) {
        case Qt::Key_Up: return ArrowKey::Up;
        case Qt::Key_Down: return ArrowKey::Down;
        case Qt::Key_Left: return ArrowKey::Left;
        case Qt::Key_Right: return ArrowKey::Right;
        default: return std::nullopt;
    }
}

}  // namespace

TPaddleDlg::TPaddleDlg(VirtualPaddle& paddle, QWidget* parent)
    : TOrvDialog("TPaddleDlg", tr("Hand Paddle"), 0, parent), controller_(paddle), speed_(new QButtonGroup(this)) {
    setWindowFlag(Qt::WindowStaysOnTopHint);

    auto* directions = new QGroupBox(tr("Move Direction"), this);
    auto* grid = new QGridLayout(directions);
    for (const PaddleCell& cell : PaddleLayout()) {
        auto* b = new QPushButton(tr(cell.caption), directions);
        b->setObjectName(cell.name);
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::NoFocus);   // the arrow keys belong to the paddle
        b->setFixedSize(ButtonSize, ButtonSize);
        grid->addWidget(b, cell.row, cell.column);
        const PaddleButton which = cell.button;
        connect(b, &QPushButton::pressed, this, [this, which] { controller_.ButtonDown(which); });
        connect(b, &QPushButton::released, this, [this, which] { controller_.ButtonUp(which); });
        buttons_[static_cast<size_t>(which)] = b;
    }
    auto* keys = new QLabel(tr("Arrow keys: move\nShift: set speed"), directions);
    keys->setAlignment(Qt::AlignCenter);
    grid->addWidget(keys, 3, 0, 1, 3);

    auto* speedBox = new QGroupBox(tr("Speed"), this);
    speedBox->setObjectName("SpeedRadio");
    auto* speedLayout = new QVBoxLayout(speedBox);
    for (size_t i = 0; i < PaddleSpeedItems.size(); ++i) {
        auto* radio = new QRadioButton(tr(PaddleSpeedItems[i]), speedBox);
        speed_->addButton(radio, static_cast<int>(i));
        speedLayout->addWidget(radio);
    }
    speedLayout->addStretch(1);
    speed_->button(0)->setChecked(true);
    connect(speed_, &QButtonGroup::idClicked, this,
            [this](int id) { controller_.SpeedRadioClick(static_cast<PaddleSpeed>(id)); });

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(directions);
    layout->addWidget(speedBox);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The arrow keys reach the paddle whichever control has the focus.
    setFocusPolicy(Qt::StrongFocus);
    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

bool TPaddleDlg::paddleKey(QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const bool down = event->type() == QEvent::KeyPress;
    if (key->key() == Qt::Key_Shift) {
        if (!key->isAutoRepeat()) controller_.ShiftChanged(down);
        return false;   // Shift stays the controls' too
    }
    const std::optional<ArrowKey> arrow = ArrowOf(key->key());
    if (!arrow) return false;
    if (!key->isAutoRepeat()) {
        const bool shift = key->modifiers() & Qt::ShiftModifier;
        if (down) controller_.KeyDown(*arrow, shift);
        else controller_.KeyUp(*arrow, shift);
    }
    return true;
}

bool TPaddleDlg::eventFilter(QObject* watched, QEvent* event) {
    if (paddleKey(event)) return true;
    return TOrvDialog::eventFilter(watched, event);
}

void TPaddleDlg::showEvent(QShowEvent* event) {
    controller_.Shown();
    TOrvDialog::showEvent(event);
}

void TPaddleDlg::hideEvent(QHideEvent* event) {
    controller_.Hidden();
    TOrvDialog::hideEvent(event);
}

void TPaddleDlg::changeEvent(QEvent* event) {
    // Without the focus no key release will come: the keys let go now.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) controller_.ReleaseKeys();
    TOrvDialog::changeEvent(event);
}

}  // namespace orv::ui
