#pragma once
// A test clock whose every sleep moves time at once and lets the test's model of
// the machine (dome, focus motor ...) advance by the same amount.

#include <atomic>
#include <functional>

#include "core/Clock.h"

namespace orv::testing {

class WorldClock final : public Clock {
public:
    std::function<void(int64_t)> onAdvance;
    int64_t nowMs() const override { return now_; }
    int64_t utcMs() const override { return now_; }
    bool sleepMs(int64_t ms, const std::atomic<bool>* abort) override {
        if (abort && abort->load()) return false;
        now_ += ms;
        if (onAdvance) onAdvance(ms);
        return true;
    }
    void wakeAll() override {}

private:
    std::atomic<int64_t> now_{0};
};

}  // namespace orv::testing
