#pragma once
// The limits of a spin control, applied to every value it takes (typed,
// stepped or set by the program) while `UseLimit` is on.
//
// A value at or above `MaxValue` becomes `MaxValue`, one below `MinValue`
// becomes `MinValue`; with `Wrap` the value is instead brought into
// [MinValue, MaxValue) by whole turns of the range, so on a 0..24 h spin
// 24 h is 0 h, 25 h is 1 h, -1 h is 23 h and -30 h is 18 h.

#include <cstdint>

namespace orv {

struct SpinLimits {
    double MinValue = 0;
    double MaxValue = 0;
    bool UseLimit = false;
    bool Wrap = false;
};

double ApplyLimits(double value, const SpinLimits& limits);

// The same for whole counts, with the limits in the same counts.
int64_t ApplyLimits(int64_t value, int64_t minValue, int64_t maxValue, bool useLimit, bool wrap);

}  // namespace orv
