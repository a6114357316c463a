#pragma once
// `TRealSpin`: the widget of a real-number spin; RealSpinModel decides.

#include "controllers/RealSpinModel.h"
#include "ui/SpinField.h"

namespace orv::ui {

class TRealSpin : public SpinField {
    Q_OBJECT
public:
    explicit TRealSpin(QWidget* parent = nullptr, RealSpinSettings settings = {});

    double value() const { return model_.value(); }
    void setValue(double value);
    const RealSpinSettings& settings() const { return model_.settings(); }
    void setSettings(RealSpinSettings settings);
    const RealSpinModel& model() const { return model_; }

signals:
    void valueChanged(double value);

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
    RealSpinModel model_;
    double shown_;
};

}  // namespace orv::ui
