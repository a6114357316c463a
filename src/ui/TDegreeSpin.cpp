#include "ui/TDegreeSpin.h"

#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>

#include "ui/SpinField.h"
#include "ui/UiSupport.h"

namespace orv::ui {

TDegreeSpin::TDegreeSpin(QWidget* parent, DegreeSpinSettings settings)
    : QWidget(parent), model_(std::move(settings), DesktopNumberLocale()), buttons_(new TSpinButtons(this)) {
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setHorizontalSpacing(2);
    layout->setVerticalSpacing(0);
    const char* names[3] = {"", DegreeSpinModel::MinutesLabel, DegreeSpinModel::SecondsLabel};
    for (int i = 0; i < 3; ++i) {
        labels_[i] = new QLabel(QString::fromLatin1(names[i]), this);
        fields_[i] = new QLineEdit(this);
        fields_[i]->setAlignment(Qt::AlignRight);
        fields_[i]->installEventFilter(this);
        layout->addWidget(labels_[i], 0, i);
        layout->addWidget(fields_[i], 1, i);
        connect(fields_[i], &QLineEdit::textEdited, this, [this] {
            if (model_.edit(typed()) == DegreeSpinModel::EditResult::Redraw) showModel();
            announce();
        });
        // Leaving a field shows every field in the value's own form again.
        connect(fields_[i], &QLineEdit::editingFinished, this, [this] {
            model_.edit(typed());
            showModel();
            announce();
        });
    }
    // Room for "-123", "59" and "59.9" (more with more decimals), not more.
    const int digitWidth = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int widths[3] = {5, 3, 4 + model_.settings().Digits};
    for (int i = 0; i < 3; ++i) fields_[i]->setMaximumWidth(digitWidth * widths[i] + 14);
    layout->addWidget(buttons_, 1, 3);
    setFocusProxy(fields_[0]);
    connect(buttons_, &TSpinButtons::stepped, this, [this](int direction) { step(direction, TenfoldHeld()); });
    labels_[0]->setText(ToQString(model_.unitsLabel()));
    shownCounts_ = model_.counts();
    showModel();
}

void TDegreeSpin::SetDegrees(double units) {
    model_.SetDegrees(units);
    showModel();
    announce();
}

void TDegreeSpin::setSettings(DegreeSpinSettings settings) {
    model_.setSettings(std::move(settings));
    labels_[0]->setText(ToQString(model_.unitsLabel()));
    showModel();
    announce();
}

void TDegreeSpin::setReadOnly(bool on) {
    readOnly_ = on;
    model_.setReadOnly(on);
    for (auto* f : fields_) f->setReadOnly(on);
}

DegreeFields TDegreeSpin::typed() const {
    return {ToStd(fields_[0]->text()), ToStd(fields_[1]->text()), ToStd(fields_[2]->text())};
}

void TDegreeSpin::showModel() {
    const DegreeFields shown = model_.fields();
    fields_[0]->setText(ToQString(shown.units));
    fields_[1]->setText(ToQString(shown.minutes));
    fields_[2]->setText(ToQString(shown.seconds));
}

void TDegreeSpin::step(int direction, bool tenfold) {
    if (!model_.step(lastField_, direction, tenfold)) {
        Beep();
        return;
    }
    showModel();
    announce();
}

void TDegreeSpin::announce() {
    if (model_.counts() == shownCounts_) return;
    shownCounts_ = model_.counts();
    emit valueChanged(model_.GetDegrees());
}

bool TDegreeSpin::eventFilter(QObject* watched, QEvent* event) {
    for (int i = 0; i < 3; ++i) {
        if (watched != fields_[i]) continue;
        if (event->type() == QEvent::FocusIn) lastField_ = static_cast<DegreeField>(i);
        if (event->type() == QEvent::KeyPress) {
            lastField_ = static_cast<DegreeField>(i);
            return HandleSpinKey(
                *static_cast<QKeyEvent*>(event), [this](char32_t key) { return model_.key(key); },
                [this](int direction, bool tenfold) {
                    step(direction, tenfold);
                    return true;
                });
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace orv::ui
