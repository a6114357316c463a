#pragma once
// `TIntegerSpin`: the widget of a whole-number spin; IntegerSpinModel decides.

#include <QtGlobal>

#include "controllers/IntegerSpinModel.h"
#include "ui/SpinField.h"

namespace orv::ui {

class TIntegerSpin : public SpinField {
    Q_OBJECT
public:
    explicit TIntegerSpin(QWidget* parent = nullptr, IntegerSpinSettings settings = {});

    qint64 value() const { return model_.value(); }
    void setValue(qint64 value);
    const IntegerSpinSettings& settings() const { return model_.settings(); }
    void setSettings(IntegerSpinSettings settings);

signals:
    void valueChanged(qint64 value);

protected:
    KeyVerdict keyVerdict(char32_t key) const override { return model_.key(key); }
    bool stepModel(int direction, bool tenfold) override { return model_.step(direction, tenfold); }
    void modelReadOnly(bool on) override { model_.setReadOnly(on); }
    void modelEditorEnabled(bool on) override { model_.setEditorEnabled(on); }
    void textEdited(const std::string& text) override { model_.textEdited(text); }
    std::string editingFinished(const std::string& text) override { return model_.editingFinished(text); }
    std::string modelText() const override { return model_.text(); }
    void valueMayHaveChanged() override;

private:
    IntegerSpinModel model_;
    qint64 shown_;
};

}  // namespace orv::ui
