#include "ui/SpinField.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>

#include "ui/UiSupport.h"

namespace orv::ui {

bool TenfoldHeld() { return QGuiApplication::keyboardModifiers() & Qt::ControlModifier; }

bool HandleSpinKey(const QKeyEvent& event, const std::function<KeyVerdict(char32_t)>& verdict,
                   const std::function<bool(int, bool)>& step) {
    const bool ctrl = event.modifiers() & Qt::ControlModifier;
    switch (event.key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (!step(event.key() == Qt::Key_Up ? +1 : -1, ctrl)) Beep();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return false;
        case Qt::Key_Backspace:
            if (verdict(BackspaceKey) == KeyVerdict::Accept) return false;
            Beep();
            return true;
        default:
            break;
    }
    // Shortcuts (Ctrl+C, Ctrl+V ...) and keys without text are the field's own.
    const QString text = event.text();
    if (text.isEmpty() || (ctrl && !text.front().isPrint())) return false;
    if (verdict(text.toUcs4().front()) == KeyVerdict::Accept) return false;
    Beep();
    return true;
}

SpinField::SpinField(QWidget* parent)
    : QWidget(parent), edit_(new QLineEdit(this)), buttons_(new TSpinButtons(this)), units_(new QLabel(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(edit_, 1);
    layout->addWidget(buttons_);
    layout->addWidget(units_);
    units_->hide();
    setFocusProxy(edit_);
    edit_->installEventFilter(this);
    connect(buttons_, &TSpinButtons::stepped, this, [this](int direction) { step(direction, TenfoldHeld()); });
    connect(edit_, &QLineEdit::textEdited, this, [this](const QString& text) {
        textEdited(ToStd(text));
        valueMayHaveChanged();
    });
    connect(edit_, &QLineEdit::editingFinished, this, [this] {
        const std::string shown = editingFinished(ToStd(edit_->text()));
        edit_->setText(ToQString(shown));
        valueMayHaveChanged();
    });
}

void SpinField::setUnitsString(const QString& units) {
    units_->setText(units);
    units_->setVisible(!units.isEmpty());
}

void SpinField::setReadOnly(bool on) {
    readOnly_ = on;
    modelReadOnly(on);
    edit_->setReadOnly(readOnly_ || !editorEnabled_);
}

// A field that takes no typing takes no pasting either.
void SpinField::setEditorEnabled(bool on) {
    editorEnabled_ = on;
    modelEditorEnabled(on);
    edit_->setReadOnly(readOnly_ || !editorEnabled_);
}

void SpinField::showModel() { edit_->setText(ToQString(modelText())); }

void SpinField::step(int direction, bool tenfold) {
    if (!stepModel(direction, tenfold)) {
        Beep();
        return;
    }
    showModel();
    valueMayHaveChanged();
}

bool SpinField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        return HandleSpinKey(
            *static_cast<QKeyEvent*>(event), [this](char32_t key) { return keyVerdict(key); },
            [this](int direction, bool tenfold) {
                step(direction, tenfold);
                return true;
            });
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace orv::ui
