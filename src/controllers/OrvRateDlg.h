#pragma once
// The Rates window's model: tracking rates, the hand-paddle set and guide
// rates, and the trail parameters, all in arcseconds per second (trail length
// in arcseconds, position angle in degrees from north through east).
//
// The hand-paddle "Apply" sends two commands in a row: the set rate (16) and,
// once the state machine has taken and finished it, the guide rate (15). The
// window does not wait for that: it calls StepHandRates from its timer until
// the sequence has ended, and stays usable meanwhile.

#include <array>
#include <cstdint>
#include <string>

#include "controllers/RealSpinModel.h"

namespace orv {

class System;

// State codes the Rates window requests.
namespace rate_code {
inline constexpr int GuideRate = 15, SetRate = 16, TrackRates = 14, Trail = 17;
}

inline constexpr int RatesHelpTopic = 3;

// The increment list: "0.001" up to "1000".
inline constexpr int IncrementCount = 7;
std::string IncrementText(int item);
// Item i steps the track-rate spins by 10^i * 0.001 arcsec/s.
double IncrementOf(int item);

struct RatesFields {
    double TrackRateRA = 0, TrackRateDec = 0, AuxTrackRateRA = 0, AuxTrackRateDec = 0;
    double SetRate = 0, GuideRate = 0;
    double TrailRate = 0, TrailLength = 0, TrailAngle = 0;
};

class OrvRateDlg {
public:
    explicit OrvRateDlg(System& system) : system_(system) {}

    // RARateSpin, DecRateSpin, AuxRARateBtn, AuxDecRateBtn: -14400 to 4500,
    // stepping by the chosen increment.
    static RealSpinSettings TrackRateSpin(int incrementItem = 0);
    static RealSpinSettings PaddleRateSpin();   // SetRateSpin, GuideRateSpin: 0 to 4500, step 1
    static RealSpinSettings TrailRateSpin();    // 0 to 500, step 1
    static RealSpinSettings TrailLenSpin();     // no limit, step 1
    static RealSpinSettings TrailAngleSpin();   // -360 to 360, step 1

    // Opening from the menu: every field from the current rates, so values
    // typed and not applied are gone.
    RatesFields RatesMnuClick() const;

    void ApplyTrackBtnClick(double ra, double dec, double auxRA, double auxDec);   // 14
    void TrailBtnClick(double rate, double length, double angleDeg);              // 17

    // Sends the set rate (16) and keeps the guide rate for StepHandRates. A
    // second click while a sequence runs starts it again with the new values.
    void ApplyHandBtnClick(double setRate, double guideRate);
    // Sends the guide rate (15) once the set rate was taken and the state
    // machine is idle again. True while the sequence still waits; it also
    // ends when the system stops.
    bool StepHandRates();
    bool handRatesPending() const { return pending_; }

private:
    System& system_;
    bool pending_ = false;
    double guideRate_ = 0;
    uint32_t takenBefore_ = 0;   // the state machine's pick-up count before the set rate was sent
};

}  // namespace orv
