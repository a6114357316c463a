#pragma once
// Time base of the whole system: 64-bit milliseconds and sleeps that wake early
// when the system stops. Every task sleep, timeout and software clock reads this,
// so a test can run the telescope faster than real time or step it by hand.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace orv {

class Clock {
public:
    virtual ~Clock() = default;

    // Milliseconds since an arbitrary origin; never wraps, never goes back.
    virtual int64_t nowMs() const = 0;

    // Milliseconds since 1970-01-01 UTC of the wall clock this clock stands for
    // (the PC clock that the set-date command takes when asked to).
    virtual int64_t utcMs() const = 0;

    // Sleeps `ms` milliseconds of this clock's time. Returns early (false) once
    // `abort` is set and wakeAll() has been called; true when the full time passed.
    virtual bool sleepMs(int64_t ms, const std::atomic<bool>* abort = nullptr) = 0;

    // Wakes every sleeper so that it can look at its abort flag.
    virtual void wakeAll() = 0;

    // How many milliseconds of this clock pass in one real millisecond: 1 on the
    // telescope, more on a time-scaled simulator. A remote client paces what it
    // must renew by it.
    virtual double timeScale() const { return 1.0; }
};

// The host's monotonic clock, optionally running `scale` times faster than real
// time (the simulator follows the same clock, so the whole world speeds up).
class RealClock final : public Clock {
public:
    explicit RealClock(double scale = 1.0);
    int64_t nowMs() const override;
    int64_t utcMs() const override;
    bool sleepMs(int64_t ms, const std::atomic<bool>* abort = nullptr) override;
    void wakeAll() override;
    double scale() const { return scale_; }
    double timeScale() const override { return scale_; }

private:
    double scale_;
    std::chrono::steady_clock::time_point start_;
    int64_t utcAtStartMs_;
    std::mutex mutex_;
    std::condition_variable cv_;
};

// A clock that moves only when told: advance() by hand, or, in auto-advance
// mode, every sleep moves the time forward by its own length at once (for
// single-threaded tests of sequences with waits in them).
class ManualClock final : public Clock {
public:
    explicit ManualClock(int64_t startMs = 0, bool autoAdvance = false);
    int64_t nowMs() const override { return now_.load(); }
    int64_t utcMs() const override { return utcBaseMs_.load() + now_.load(); }
    bool sleepMs(int64_t ms, const std::atomic<bool>* abort = nullptr) override;
    void wakeAll() override;

    void advance(int64_t ms);
    // How many threads are waiting in sleepMs (for tests that must know a sleeper is in).
    int sleepers() const { return sleepers_.load(); }
    void setAutoAdvance(bool on) { autoAdvance_ = on; }
    // Sets the wall-clock time (UTC milliseconds since 1970) that nowMs() = 0 stands for.
    void setUtcBase(int64_t ms) { utcBaseMs_ = ms; }

private:
    std::atomic<int64_t> now_;
    std::atomic<int64_t> utcBaseMs_{0};
    std::atomic<bool> autoAdvance_;
    std::atomic<int> sleepers_{0};
    std::mutex mutex_;
    std::condition_variable cv_;
};

}  // namespace orv
