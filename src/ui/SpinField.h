#pragma once
// The common frame of the one-field spins (`TRealSpin`, `TIntegerSpin`): an
// edit field, the arrow buttons and a units label. The field's keys go through
// the spin's model: Up and Down step (ten steps with Ctrl), refused keys beep.
// Enter is left to the dialog (its default button).

#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <functional>
#include <string>

#include "controllers/NumberText.h"
#include "ui/TAutoButton.h"

class QKeyEvent;

namespace orv::ui {

// Handles one key of a numeric field; true when the key was used up (a step
// or a refusal), false when the field should take it.
bool HandleSpinKey(const QKeyEvent& event, const std::function<KeyVerdict(char32_t)>& verdict,
                   const std::function<bool(int direction, bool tenfold)>& step);

// Whether Ctrl is held now (a step of ten).
bool TenfoldHeld();

class SpinField : public QWidget {
    Q_OBJECT
public:
    QLineEdit* editor() const { return edit_; }
    TSpinButtons* buttons() const { return buttons_; }
    void setUnitsString(const QString& units);
    // A read-only spin shows its value and beeps at steps and typing.
    void setReadOnly(bool on);
    // With the editor disabled the value changes by the arrows only.
    void setEditorEnabled(bool on);

protected:
    explicit SpinField(QWidget* parent);
    // What the model says; each subclass forwards to its own model.
    virtual KeyVerdict keyVerdict(char32_t key) const = 0;
    virtual bool stepModel(int direction, bool tenfold) = 0;
    virtual void modelReadOnly(bool on) = 0;
    virtual void modelEditorEnabled(bool on) = 0;
    virtual void textEdited(const std::string& text) = 0;
    virtual std::string editingFinished(const std::string& text) = 0;
    virtual std::string modelText() const = 0;
    // Called after every change of the model's value (the subclass emits its signal).
    virtual void valueMayHaveChanged() = 0;

    // Shows the model's text in the field.
    void showModel();
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void step(int direction, bool tenfold);

    QLineEdit* edit_;
    TSpinButtons* buttons_;
    QLabel* units_;
    bool readOnly_ = false;
    bool editorEnabled_ = true;
};

}  // namespace orv::ui
