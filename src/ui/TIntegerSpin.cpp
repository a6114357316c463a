#include "ui/TIntegerSpin.h"

namespace orv::ui {

TIntegerSpin::TIntegerSpin(QWidget* parent, IntegerSpinSettings settings)
    : SpinField(parent), model_(settings), shown_(model_.value()) {
    showModel();
}

void TIntegerSpin::setValue(qint64 value) {
    model_.setValue(value);
    showModel();
    valueMayHaveChanged();
}

void TIntegerSpin::setSettings(IntegerSpinSettings settings) {
    model_.setSettings(settings);
    showModel();
    valueMayHaveChanged();
}

void TIntegerSpin::valueMayHaveChanged() {
    if (model_.value() == shown_) return;
    shown_ = model_.value();
    emit valueChanged(shown_);
}

}  // namespace orv::ui
