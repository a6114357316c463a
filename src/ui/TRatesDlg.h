#pragma once
// The Rates window: tracking rates, hand-paddle set and guide rates, trail
// parameters. OrvRateDlg decides what each Apply sends; the hand-paddle pair
// runs on a timer, so the window never waits. Modeless, created once.

#include <QTimer>

#include "controllers/OrvRateDlg.h"
#include "ui/TOrvDialog.h"

class QComboBox;
class QTabWidget;

namespace orv::ui {

class TRealSpin;

class TRatesDlg : public TOrvDialog {
    Q_OBJECT
public:
    enum Page { TrackPage, PaddlePage, TrailPage };
    static constexpr int HandRatesPollMs = 20;   // how often the pair looks at the state machine

    explicit TRatesDlg(System& system, QWidget* parent = nullptr);

    // "&Rates...": every field from the current rates, then the window.
    void RatesMnuClick();

    OrvRateDlg& controller() { return controller_; }
    QTabWidget* pages() const { return pages_; }

private:
    OrvRateDlg controller_;
    QTabWidget* pages_;
    QComboBox* increments_;
    TRealSpin* trackRA_;
    TRealSpin* trackDec_;
    TRealSpin* auxRA_;
    TRealSpin* auxDec_;
    TRealSpin* setRate_;
    TRealSpin* guideRate_;
    TRealSpin* trailRate_;
    TRealSpin* trailLength_;
    TRealSpin* trailAngle_;
    QTimer handRates_;
};

}  // namespace orv::ui
