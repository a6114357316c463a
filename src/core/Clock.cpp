#include "core/Clock.h"

#include <algorithm>
#include <thread>

namespace orv {

RealClock::RealClock(double scale)
    : scale_(scale > 0 ? scale : 1.0), start_(std::chrono::steady_clock::now()) {
    utcAtStartMs_ = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count();
}

int64_t RealClock::nowMs() const {
    auto elapsed = std::chrono::steady_clock::now() - start_;
    double ms = std::chrono::duration<double, std::milli>(elapsed).count() * scale_;
    return static_cast<int64_t>(ms);
}

int64_t RealClock::utcMs() const { return utcAtStartMs_ + nowMs(); }

bool RealClock::sleepMs(int64_t ms, const std::atomic<bool>* abort) {
    if (abort && abort->load()) return false;
    if (ms <= 0) {
        std::this_thread::yield();
        return true;
    }
    auto realDuration = std::chrono::duration<double, std::milli>(static_cast<double>(ms) / scale_);
    auto deadline = std::chrono::steady_clock::now() +
                    std::chrono::duration_cast<std::chrono::steady_clock::duration>(realDuration);
    std::unique_lock lock(mutex_);
    bool aborted = cv_.wait_until(lock, deadline, [&] { return abort && abort->load(); });
    return !aborted;
}

void RealClock::wakeAll() {
    { std::lock_guard lock(mutex_); }
    cv_.notify_all();
}

ManualClock::ManualClock(int64_t startMs, bool autoAdvance)
    : now_(startMs), autoAdvance_(autoAdvance) {}

bool ManualClock::sleepMs(int64_t ms, const std::atomic<bool>* abort) {
    if (abort && abort->load()) return false;
    if (autoAdvance_) {
        advance(std::max<int64_t>(ms, 0));
        return true;
    }
    std::unique_lock lock(mutex_);
    int64_t deadline = now_.load() + std::max<int64_t>(ms, 0);
    ++sleepers_;
    cv_.wait(lock, [&] { return now_.load() >= deadline || (abort && abort->load()); });
    --sleepers_;
    return now_.load() >= deadline;
}

void ManualClock::advance(int64_t ms) {
    {
        std::lock_guard lock(mutex_);
        now_ += ms;
    }
    cv_.notify_all();
}

void ManualClock::wakeAll() {
    { std::lock_guard lock(mutex_); }
    cv_.notify_all();
}

}  // namespace orv
