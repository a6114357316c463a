#pragma once
// `TOnOffBox`: a 26 x 26 box showing "On" on lime or "Off" on red (silver when
// disabled). A left click toggles it only when the operator may change it.

#include <QWidget>

#include "controllers/OnOffModel.h"

namespace orv::ui {

class TOnOffBox : public QWidget {
    Q_OBJECT
public:
    explicit TOnOffBox(QWidget* parent = nullptr);

    bool isOn() const { return model_.on; }
    void setOn(bool on);
    void setUserChangeable(bool on) { model_.UserChangeable = on; }
    // Other words than "On" and "Off" (the dome box's "Track" and "Home"); the
    // box widens to hold the longer one.
    void setCaptions(const std::string& onText, const std::string& offText);
    const OnOffModel& model() const { return model_; }

    QSize sizeHint() const override { return {width_, OnOffModel::Size}; }

signals:
    void toggled(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    OnOffModel model_;
    int width_ = OnOffModel::Size;
};

}  // namespace orv::ui
