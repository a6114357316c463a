#pragma once
// An axis servo task: turns tracking rate, pointing-model rate correction and the
// commanded offset rate into the step frequency of one mount axis. Every change
// of rate is ramped in steps of 100 arcsec/s every 20 ms; a change of direction
// first ramps the axis to a stop. Rates are arcseconds per second of axis motion.

#include <cstdint>

namespace orv {

class System;

// The drive record of one axis.
struct AxisDrive {
    uint16_t DirPort = 0x289;      // direction and fine-step bits
    uint16_t TimerBase = 0x9280;   // channel 0; channel 1 at +1; control at +3
    uint16_t ModePort = 0x28C;     // divider-mode bit
    double Demand = 0;             // magnitude asked for on this pass
    double Rate = 0;               // magnitude the timer is programmed for
    double RampStep = 100.0;
    int32_t RampDelay = 4;         // pause between ramp steps, in 5 ms units
    int32_t DemandDir = 3;         // 1 when the signed demand is above 0, else 0
    int32_t CurrentDir = 3;        // direction the direction bit is set for
    double BaseRate = 0;           // tracking part of the demand
    double RateCorrection = 0;     // pointing-model rate correction, truncated to 0.0001
};

// Timer values for one step rate: one channel (n) or two in cascade (f, g).
struct StepDivider {
    bool singleChannel;
    uint16_t n;   // single channel: 10 MHz / n
    uint16_t f;   // cascade: 10 MHz / (f * g)
    uint16_t g;
    bool fineStep;
};
// The divider for `rate` (arcsec/s, > 0) with `stepSize` arcsec per fine step.
StepDivider ComputeStepDivider(double rate, double stepSize);

class AxisTask {
public:
    AxisTask(System& system, int axis);   // axis 1: hour angle, axis 2: declination
    void InitAxisTask();
    void AxisTaskPass();
    // The task's last act when the system stops: the step-rate timer is stopped.
    void StopStepOutput();
    void ReverseAxis();
    void RampAxis();
    void SetStepRate();
    // Demand computation: correction, base rate, then the signed demand.
    void ComputeDemand();
    // Only the signed-demand steps, with the base rate of this pass.
    void RecomputeSignedDemand();

    const AxisDrive& drive() const { return drive_; }

private:
    uint8_t directionBit() const { return axis_ == 1 ? 0x01 : 0x02; }
    uint8_t fineStepBit() const { return axis_ == 1 ? 0x04 : 0x08; }
    uint8_t dividerBit() const { return axis_ == 1 ? 0x01 : 0x02; }
    // Whether the direction bit is set for `dir` = 1 (inverted for Dec on the west side).
    bool directionBitSetFor(int32_t dir) const;
    void reinitialiseTimer();
    bool rampPause();

    System& system_;
    int axis_;
    AxisDrive drive_;
};

}  // namespace orv
