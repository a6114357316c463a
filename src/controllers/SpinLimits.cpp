#include "controllers/SpinLimits.h"

#include <cmath>

namespace orv {

// A range wraps only when it has a width; an empty or inverted one clamps.

double ApplyLimits(double value, const SpinLimits& limits) {
    const double lo = limits.MinValue, hi = limits.MaxValue;
    if (!limits.UseLimit || !std::isfinite(value) || hi < lo) return value;
    if (limits.Wrap && hi > lo) {
        const double span = hi - lo;
        if (value >= hi) value = lo + std::fmod(value - lo, span);
        else if (value < lo) value = hi - std::fmod(lo - value, span);
        // Rounding can land exactly on the top of the range, which is the bottom.
        return value >= hi ? lo : value;
    }
    return value > hi ? hi : value < lo ? lo : value;
}

int64_t ApplyLimits(int64_t value, int64_t lo, int64_t hi, bool useLimit, bool wrap) {
    if (!useLimit || hi < lo) return value;
    if (wrap && hi > lo) {
        const int64_t span = hi - lo;
        if (value >= hi) return lo + (value - lo) % span;
        if (value < lo) {
            const int64_t back = (lo - value) % span;
            return back == 0 ? lo : hi - back;
        }
        return value;
    }
    return value > hi ? hi : value < lo ? lo : value;
}

}  // namespace orv
