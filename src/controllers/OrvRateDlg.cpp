#include "controllers/OrvRateDlg.h"

#include <cmath>

#include "control/System.h"
#include "controllers/SpinPresets.h"

namespace orv {

namespace {

constexpr std::array<const char*, IncrementCount> Increments = {"0.001", "0.01", "0.1", "1", "10", "100", "1000"};
constexpr double TrackRateMin = -14400, TrackRateMax = 4500;   // arcsec/s
constexpr const char* RateUnits = "Arcsec/sec";

}  // namespace

std::string IncrementText(int item) {
    if (item < 0 || item >= IncrementCount) return "";
    return Increments[static_cast<size_t>(item)];
}

double IncrementOf(int item) { return std::pow(10.0, item) * 0.001; }

RealSpinSettings OrvRateDlg::TrackRateSpin(int incrementItem) {
    return LimitedRealSpin(RateUnits, TrackRateMin, TrackRateMax, IncrementOf(incrementItem));
}

RealSpinSettings OrvRateDlg::PaddleRateSpin() { return LimitedRealSpin(RateUnits, 0, 4500, 1); }
RealSpinSettings OrvRateDlg::TrailRateSpin() { return LimitedRealSpin(RateUnits, 0, 500, 1); }
RealSpinSettings OrvRateDlg::TrailLenSpin() { return FreeRealSpin("Arc Secs", 1); }
RealSpinSettings OrvRateDlg::TrailAngleSpin() { return LimitedRealSpin("Deg.", -360, 360, 1); }

RatesFields OrvRateDlg::RatesMnuClick() const {
    const auto& s = system_.state;
    return {s.TrackRateRA, s.TrackRateDec, s.AuxTrackRateRA, s.AuxTrackRateDec, s.SetRate,
            s.GuideRate,   s.TrailRate,    s.TrailLength,    s.TrailAngle};
}

void OrvRateDlg::ApplyTrackBtnClick(double ra, double dec, double auxRA, double auxDec) {
    system_.commander.issue(rate_code::TrackRates, {ra, dec, auxRA, auxDec});
}

void OrvRateDlg::TrailBtnClick(double rate, double length, double angleDeg) {
    system_.commander.issue(rate_code::Trail, {rate, length, angleDeg});
}

void OrvRateDlg::ApplyHandBtnClick(double setRate, double guideRate) {
    takenBefore_ = TakenCount(system_.state.LastTaken.load());
    system_.commander.issue(rate_code::SetRate, {setRate});
    guideRate_ = guideRate;
    pending_ = true;
}

bool OrvRateDlg::StepHandRates() {
    if (!pending_) return false;
    if (system_.isTerminating()) {
        pending_ = false;
        return false;
    }
    // StateCode alone may read 0 before the set rate was even written (held
    // behind another command); a pick-up since the click tells it was taken.
    const bool taken = TakenCount(system_.state.LastTaken.load()) != takenBefore_;
    if (!taken || system_.state.StateCode != 0) return true;
    system_.commander.issue(rate_code::GuideRate, {guideRate_});
    pending_ = false;
    return false;
}

}  // namespace orv
