#pragma once
// Building blocks of the simulated telescope: a quantity that moves at a constant
// rate between events, and the interval timer that generates an axis's steps.
// Nothing here runs by itself; values are computed from the clock on demand, so
// a position is an exact function of time and never drifts.

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

namespace orv {

// A value moving at `perSecond` units per second from `base` at time `t0` (ms),
// held within [lo, hi]. Changing the rate re-bases the segment at the moment of
// the change; in between nothing is stored, so no rounding accumulates.
class LinearMotion {
public:
    LinearMotion() = default;
    explicit LinearMotion(double start,
                          double lo = -std::numeric_limits<double>::infinity(),
                          double hi = std::numeric_limits<double>::infinity())
        : base_(std::clamp(start, lo, hi)), lo_(lo), hi_(hi) {}

    double at(int64_t tMs) const {
        if (perSecond_ == 0.0) return base_;
        double v = base_ + perSecond_ * static_cast<double>(tMs - t0_) / 1000.0;
        return std::clamp(v, lo_, hi_);
    }
    double rate() const { return perSecond_; }

    // The rate in force from `tMs` on.
    void setRate(int64_t tMs, double perSecond) {
        if (perSecond == perSecond_) return;
        base_ = at(tMs);
        t0_ = tMs;
        perSecond_ = perSecond;
    }
    // Puts the value at `v` (clamped) at `tMs`, keeping the rate.
    void setValue(int64_t tMs, double v) {
        base_ = std::clamp(v, lo_, hi_);
        t0_ = tMs;
    }

private:
    double base_ = 0.0;
    double lo_ = -std::numeric_limits<double>::infinity();
    double hi_ = std::numeric_limits<double>::infinity();
    int64_t t0_ = 0;
    double perSecond_ = 0.0;
};

// One axis's pair of 16-bit interval timer channels on the 10 MHz clock. Each
// channel takes its count low byte first, then high byte; the new count is in
// force once the high byte is written. A control word re-initialises both
// channels: they stop until loaded again. A count of 0 divides by 65536.
class IntervalTimerPair {
public:
    static constexpr double ClockHz = 10.0e6;

    void controlWord() {
        for (auto& c : channels_) c = Channel{};
    }
    void loadByte(int channel, uint8_t value) {
        Channel& c = channels_[static_cast<size_t>(channel)];
        if (!c.highNext) {
            c.pendingLow = value;
            c.highNext = true;
        } else {
            c.count = static_cast<uint16_t>(c.pendingLow | (value << 8));
            c.loaded = true;
            c.highNext = false;
        }
    }
    // Step output frequency (Hz): one channel divides by its count (`single`),
    // or channel 0 and channel 1 in cascade divide by the product of both.
    double stepHz(bool single) const {
        const Channel &f = channels_[0], &g = channels_[1];
        if (!f.loaded) return 0.0;
        if (single) return ClockHz / divisor(f);
        if (!g.loaded) return 0.0;
        return ClockHz / (divisor(f) * divisor(g));
    }

private:
    struct Channel {
        uint16_t count = 0;
        uint8_t pendingLow = 0;
        bool highNext = false;
        bool loaded = false;
    };
    static double divisor(const Channel& c) { return c.count == 0 ? 65536.0 : c.count; }
    std::array<Channel, 2> channels_{};
};

}  // namespace orv
