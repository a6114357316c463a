#include "ui/TRealSpin.h"

#include "ui/UiSupport.h"

namespace orv::ui {

TRealSpin::TRealSpin(QWidget* parent, RealSpinSettings settings)
    : SpinField(parent), model_(std::move(settings), DesktopNumberLocale()), shown_(model_.value()) {
    setUnitsString(ToQString(model_.settings().UnitsString));
    showModel();
}

void TRealSpin::setValue(double value) {
    model_.setValue(value);
    showModel();
    valueMayHaveChanged();
}

void TRealSpin::setSettings(RealSpinSettings settings) {
    model_.setSettings(std::move(settings));
    setUnitsString(ToQString(model_.settings().UnitsString));
    showModel();
    valueMayHaveChanged();
}

void TRealSpin::valueMayHaveChanged() {
    if (model_.value() == shown_) return;
    shown_ = model_.value();
    emit valueChanged(shown_);
}

}  // namespace orv::ui
