// The time base: software counters, timeouts, scaling and early wake-up.

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <thread>

#include "core/Clock.h"
#include "core/Timeout.h"

namespace orv {
namespace {

TEST(SoftClocks, RealCounterCountsFiveMillisecondTicksFromItsSetting) {
    ManualClock clock(123456);
    TRealCounter counter(clock);
    EXPECT_EQ(counter.read(), 0);
    counter.set(1000);
    EXPECT_EQ(counter.read(), 1000);
    clock.advance(1000);
    EXPECT_EQ(counter.read(), 1200);
    clock.advance(4);
    EXPECT_EQ(counter.read(), 1200);  // integer division: the tick is not complete
}

TEST(SoftClocks, RealCounterDoesNotWrapAfterFiftyDays) {
    ManualClock clock(int64_t{50} * 86400 * 1000);
    TRealCounter counter(clock);
    counter.set(720000);
    clock.advance(int64_t{10} * 86400 * 1000);
    EXPECT_EQ(counter.read(), 720000 + int64_t{10} * 86400 * 200);
}

// A setting is a command's number times a file's rate: any double at all.
// Extreme settings are held at the limit and the counter still counts from it.
TEST(SoftClocks, RealCounterTakesAnySettingWithoutOverflow) {
    ManualClock clock(int64_t{400} * 365 * 86400 * 1000);   // a clock four centuries on
    TRealCounter counter(clock);
    const int64_t limit = int64_t{1} << 48;
    for (int64_t value : {std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::min()}) {
        counter.set(value);
        const int64_t held = value > 0 ? limit : -limit;
        EXPECT_EQ(counter.read(), held);
        clock.advance(1000);
        EXPECT_EQ(counter.read(), held + 200);
    }
    for (double ticks : {1e300, -1e27}) {
        counter.setTicks(ticks);
        EXPECT_EQ(std::abs(counter.read()), limit) << ticks;
    }
    for (double ticks : {std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::infinity()}) {
        counter.setTicks(ticks);
        EXPECT_EQ(counter.read(), 0) << ticks;
    }
    counter.setTicks(1234.6);
    EXPECT_EQ(counter.read(), 1235);
    // A day taken off at the roll-over with an absurd rate: at most the limit
    // is taken off, and the count never passes it.
    counter.subtract(1e300);
    EXPECT_EQ(counter.read(), 1235 - limit);
    counter.subtract(1e300);
    EXPECT_EQ(counter.read(), -limit);
    counter.subtract(-1e300);
    counter.subtract(-1e300);
    EXPECT_EQ(counter.read(), limit);
    counter.subtract(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(counter.read(), limit);
}

TEST(SoftClocks, TimeoutExpiresOnlyAfterItsDuration) {
    ManualClock clock(0);
    TTimeout timeout(clock);
    EXPECT_TRUE(timeout.expired());  // never started
    timeout.start(10);
    EXPECT_FALSE(timeout.expired());
    clock.advance(10);
    EXPECT_FALSE(timeout.expired());  // the deadline must lie in the past
    clock.advance(1);
    EXPECT_TRUE(timeout.expired());
    EXPECT_TRUE(timeout.expired());
}

TEST(SoftClocks, TimeoutOnTheRealClock) {
    RealClock clock;
    TTimeout timeout(clock);
    timeout.start(10);
    EXPECT_FALSE(timeout.expired());
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    EXPECT_TRUE(timeout.expired());
}

TEST(SoftClocks, ScaledClockRunsTenTimesFaster) {
    RealClock clock(10.0);
    auto realStart = std::chrono::steady_clock::now();
    int64_t start = clock.nowMs();
    clock.sleepMs(1000);
    double real = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - realStart).count();
    EXPECT_GE(clock.nowMs() - start, 1000);
    EXPECT_GE(real, 95.0);
    EXPECT_LT(real, 600.0);  // generous: a loaded machine
}

TEST(SoftClocks, SleepWakesEarlyWhenAborted) {
    RealClock clock;
    std::atomic<bool> abort{false};
    auto start = std::chrono::steady_clock::now();
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        abort = true;
        clock.wakeAll();
    });
    EXPECT_FALSE(clock.sleepMs(10000, &abort));
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(SoftClocks, ManualClockSleeperWakesWhenTimeIsAdvanced) {
    ManualClock clock(0);
    std::atomic<bool> woke{false};
    std::thread sleeper([&] {
        clock.sleepMs(100);
        woke = true;
    });
    while (clock.sleepers() == 0) std::this_thread::yield();
    clock.advance(50);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(woke);
    clock.advance(50);
    sleeper.join();
    EXPECT_TRUE(woke);
}

}  // namespace
}  // namespace orv
