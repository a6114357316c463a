#pragma once
// TTimeout: a one-shot deadline. TRealCounter: a software counter of 5 ms ticks.
// Both run on the system Clock in 64-bit milliseconds, so they never wrap.

#include <atomic>
#include <cmath>
#include <cstdint>

#include "core/Clock.h"

namespace orv {

class TTimeout {
public:
    explicit TTimeout(const Clock& clock) : clock_(clock) {}
    void start(int64_t durationMs) {
        deadline_ = clock_.nowMs() + durationMs;
        active_ = true;
    }
    // True once the deadline lies in the past; a timeout never started is expired.
    bool expired() {
        if (active_ && deadline_ < clock_.nowMs()) active_ = false;
        return !active_;
    }

private:
    const Clock& clock_;
    int64_t deadline_ = 0;
    bool active_ = false;
};

// Counts one tick every `divisor` milliseconds (5: 200 ticks a second) from the
// value it was last set to. Read and set from several threads under ClockLock;
// the base is atomic so that an unlocked reader is still well defined.
//
// A setting comes from a command or a file times a rate from a file, so it may
// be any number: it is held within +-MaxTicks, which keeps every product and
// difference of ticks and milliseconds far inside 64 bits.
class TRealCounter {
public:
    // 2^48 ticks of 5 ms: about 44,000 years, far beyond any clock value.
    static constexpr int64_t MaxTicks = int64_t{1} << 48;

    explicit TRealCounter(const Clock& clock) : clock_(clock) { set(0); }
    int64_t read() const { return (clock_.nowMs() - base_.load()) / divisor_; }
    void set(int64_t value) {
        value = value < -MaxTicks ? -MaxTicks : value > MaxTicks ? MaxTicks : value;
        base_ = clock_.nowMs() - value * divisor_;
    }
    // Sets the nearest whole tick of a real count (hours times ticks per hour);
    // a count that is not a finite number sets 0.
    void setTicks(double ticks) { set(std::llround(Bounded(ticks))); }
    // Takes `ticks` off the count (a whole day at a clock's roll-over) without
    // losing what it has run past them: the base moves on, to the nearest ms.
    // The count that results stays within +-MaxTicks like any setting.
    void subtract(double ticks) {
        const int64_t shift = std::llround(Bounded(ticks) * static_cast<double>(divisor_));
        const int64_t now = clock_.nowMs();
        const int64_t lowest = now - MaxTicks * divisor_, highest = now + MaxTicks * divisor_;
        int64_t base = base_.load();
        int64_t moved;
        do {
            moved = base + shift;
            moved = moved < lowest ? lowest : moved > highest ? highest : moved;
        } while (!base_.compare_exchange_weak(base, moved));
    }

private:
    // Within +-MaxTicks; 0 for a count that is not a finite number.
    static double Bounded(double ticks) {
        if (!std::isfinite(ticks)) return 0;
        const double limit = static_cast<double>(MaxTicks);
        return ticks < -limit ? -limit : ticks > limit ? limit : ticks;
    }

    const Clock& clock_;
    std::atomic<int64_t> base_{0};
    int64_t divisor_ = 5;
};

}  // namespace orv
