#pragma once
// `TDegreeSpin`: an angle or time in three fields (units, minutes, seconds)
// with their labels above them and the arrow buttons beside; the arrows and
// the Up/Down keys step the field last used. DegreeSpinModel decides.

#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <array>

#include "controllers/DegreeSpinModel.h"
#include "ui/TAutoButton.h"

namespace orv::ui {

class TDegreeSpin : public QWidget {
    Q_OBJECT
public:
    explicit TDegreeSpin(QWidget* parent = nullptr, DegreeSpinSettings settings = {});

    double GetDegrees() const { return model_.GetDegrees(); }
    void SetDegrees(double units);
    qint64 GetHours() const { return model_.GetHours(); }
    int GetMinutes() const { return model_.GetMinutes(); }
    const DegreeSpinSettings& settings() const { return model_.settings(); }
    void setSettings(DegreeSpinSettings settings);
    void setReadOnly(bool on);

    QLineEdit* field(DegreeField which) const { return fields_[static_cast<size_t>(which)]; }
    TSpinButtons* buttons() const { return buttons_; }

signals:
    void valueChanged(double units);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    DegreeFields typed() const;
    void showModel();
    void step(int direction, bool tenfold);
    void announce();

    DegreeSpinModel model_;
    std::array<QLineEdit*, 3> fields_{};
    std::array<QLabel*, 3> labels_{};
    TSpinButtons* buttons_;
    DegreeField lastField_ = DegreeField::Units;
    int64_t shownCounts_ = 0;
    bool readOnly_ = false;
};

}  // namespace orv::ui
