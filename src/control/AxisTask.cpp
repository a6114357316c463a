#include "control/AxisTask.h"

#include <algorithm>
#include <cmath>

#include "control/System.h"
#include "core/Ports.h"

namespace orv {

namespace {
constexpr double TimerClockHz = 10000000.0;
constexpr double CoarseFromRate = 90.0;  // arcsec/s: coarse stepping at and above this

// Rounds to the nearest integer, halves to even, limited to a 16-bit timer count.
uint16_t TimerCount(double x) {
    double r = std::nearbyint(x);
    if (!(r > 0)) return 0;
    return static_cast<uint16_t>(std::min(r, 65535.0));
}
}  // namespace

StepDivider ComputeStepDivider(double rate, double stepSize) {
    StepDivider d{};
    d.fineStep = rate < CoarseFromRate;
    double s = d.fineStep ? stepSize : stepSize * 4;
    double c = TimerClockHz * s / rate;
    if (c <= 65535) {
        d.singleChannel = true;
        d.n = TimerCount(c + 0.5);
    } else {
        d.singleChannel = false;
        d.f = TimerCount(std::min(std::nearbyint(c / 65535) + 1, 65535.0));
        d.g = TimerCount(c / d.f + 0.5);
    }
    return d;
}

AxisTask::AxisTask(System& system, int axis) : system_(system), axis_(axis) {
    if (axis_ == 2) drive_.TimerBase = ports::DecTimerBase;
}

void AxisTask::reinitialiseTimer() {
    system_.bus.write(drive_.TimerBase + 3, ports::TimerModeChannel0);
    system_.bus.write(drive_.TimerBase + 3, ports::TimerModeChannel1);
}

void AxisTask::InitAxisTask() {
    drive_ = AxisDrive{};
    drive_.TimerBase = axis_ == 1 ? ports::RATimerBase : ports::DecTimerBase;
    drive_.DemandDir = axis_ == 1 ? 3 : 4;
    drive_.CurrentDir = 3;
    reinitialiseTimer();
    system_.bus.modify(drive_.ModePort, dividerBit(), 0);
}

bool AxisTask::directionBitSetFor(int32_t dir) const {
    bool setForOne = axis_ == 1 || system_.state.EastSideOperation != 0;
    return dir == 1 ? setForOne : !setForOne;
}

void AxisTask::ComputeDemand() {
    const auto& s = system_.state;
    double track = axis_ == 1 ? s.ActiveTrackRateRA.load() : s.ActiveTrackRateDec.load();
    double correction = axis_ == 1 ? s.HARateCorrection.load() : s.DecRateCorrection.load();
    drive_.RateCorrection = std::trunc(correction * 10000) / 10000;
    drive_.BaseRate = testBits(s.StatusFlags2, status2::RateCorrection) ? track + drive_.RateCorrection : track;
    if (axis_ == 1 && !testBits(s.StatusFlags1, status1::TrackingSwitch)) drive_.BaseRate = 0;
    RecomputeSignedDemand();
}

void AxisTask::RecomputeSignedDemand() {
    const auto& s = system_.state;
    double offset = axis_ == 1 ? s.HARate.load() : s.DecRate.load();
    bool positive = axis_ == 1 ? s.HAMoveWest != 0 : s.DecMoveNorth != 0;
    double demand = positive ? drive_.BaseRate + offset : drive_.BaseRate - offset;
    drive_.DemandDir = demand > 0 ? 1 : 0;
    drive_.Demand = std::fabs(demand);
}

bool AxisTask::rampPause() { return system_.sleep(int64_t{drive_.RampDelay} * 5); }

void AxisTask::SetStepRate() {
    auto& bus = system_.bus;
    std::lock_guard lock(system_.locks.AxisLock);
    if (drive_.Rate == 0) {
        reinitialiseTimer();
        return;
    }
    double stepSize = axis_ == 1 ? system_.params.RAStepSize.load() : system_.params.DecStepSize.load();
    StepDivider d = ComputeStepDivider(drive_.Rate, stepSize);
    const uint16_t base = drive_.TimerBase;
    if (d.singleChannel) {
        bus.write(base, static_cast<uint8_t>(d.n & 0xFF));
        bus.write(base, static_cast<uint8_t>(d.n >> 8));
        bus.modify(drive_.ModePort, 0, dividerBit());
    } else {
        bus.write(base + 1, static_cast<uint8_t>(d.g & 0xFF));
        bus.write(base + 1, static_cast<uint8_t>(d.g >> 8));
        bus.write(base, static_cast<uint8_t>(d.f & 0xFF));
        bus.write(base, static_cast<uint8_t>(d.f >> 8));
        bus.modify(drive_.ModePort, dividerBit(), 0);
    }
    if (d.fineStep) bus.modify(drive_.DirPort, 0, fineStepBit());
    else bus.modify(drive_.DirPort, fineStepBit(), 0);
}

void AxisTask::ReverseAxis() {
    const int32_t d0 = drive_.CurrentDir;
    do {
        drive_.Rate = drive_.Rate > drive_.RampStep ? drive_.Rate - drive_.RampStep : 0;
        SetStepRate();
        if (!rampPause()) return;
        RecomputeSignedDemand();
    } while (drive_.Rate != 0 && drive_.DemandDir != d0);
    if (drive_.Rate != 0) return;  // the demand turned back: the direction stays
    drive_.CurrentDir = drive_.DemandDir;
    std::lock_guard lock(system_.locks.AxisLock);
    if (directionBitSetFor(drive_.CurrentDir)) system_.bus.modify(drive_.DirPort, 0, directionBit());
    else system_.bus.modify(drive_.DirPort, directionBit(), 0);
}

void AxisTask::RampAxis() {
    const double d0 = drive_.Demand;
    const double window = 1.25 * drive_.RampStep;
    if (std::fabs(drive_.Rate - drive_.Demand) > window) {
        do {
            if (drive_.Rate > drive_.Demand) drive_.Rate -= drive_.RampStep;
            else drive_.Rate += drive_.RampStep;
            SetStepRate();
            if (!rampPause()) return;
            RecomputeSignedDemand();
        } while (!(std::fabs(drive_.Rate - drive_.Demand) < window) && drive_.Demand == d0);
    }
    if (drive_.Demand != d0) return;  // the next pass continues from the new demand
    drive_.Rate = drive_.Demand;
    if (drive_.Demand < drive_.RampStep) {
        std::lock_guard lock(system_.locks.AxisLock);
        reinitialiseTimer();  // before a slow rate or a stop
    }
    SetStepRate();
}

void AxisTask::StopStepOutput() {
    // A timer left programmed would go on stepping the axis after Orv has ended,
    // with no limit watched; the control words stop both channels until reloaded.
    std::lock_guard lock(system_.locks.AxisLock);
    reinitialiseTimer();
    drive_.Rate = 0;
}

void AxisTask::AxisTaskPass() {
    ComputeDemand();
    if (drive_.DemandDir != drive_.CurrentDir) ReverseAxis();
    if (system_.isTerminating()) return;

    // The direction bit must agree with the demanded direction; if another writer
    // or the hardware says otherwise, reverse with the demand forced to the other
    // direction, which ramps the axis down by at least one step.
    const bool setForOne = directionBitSetFor(1);
    auto checkDirection = [&](int32_t demanded) {
        const bool bitSet = (system_.bus.read(drive_.DirPort) & directionBit()) != 0;
        const bool consistent = demanded == 1 ? bitSet == setForOne : bitSet != setForOne;
        if (drive_.DemandDir == demanded && !consistent) {
            drive_.DemandDir = 1 - demanded;
            ReverseAxis();
        }
    };
    if (axis_ == 2 && system_.state.EastSideOperation) {
        checkDirection(0);
        checkDirection(1);
    } else {
        checkDirection(1);
        checkDirection(0);
    }
    if (system_.isTerminating()) return;

    if (drive_.Demand != drive_.Rate) RampAxis();
    system_.sleep(50);
}

}  // namespace orv
