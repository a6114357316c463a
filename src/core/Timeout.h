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
class TRealCounter {
public:
    explicit TRealCounter(const Clock& clock) : clock_(clock) { set(0); }
    int64_t read() const { return (clock_.nowMs() - base_.load()) / divisor_; }
    void set(int64_t value) { base_ = clock_.nowMs() - value * divisor_; }
    // Takes `ticks` off the count (a whole day at a clock's roll-over) without
    // losing what it has run past them: the base moves on, to the nearest ms.
    void subtract(double ticks) { base_.fetch_add(std::llround(ticks * static_cast<double>(divisor_))); }

private:
    const Clock& clock_;
    std::atomic<int64_t> base_{0};
    int64_t divisor_ = 5;
};

}  // namespace orv
