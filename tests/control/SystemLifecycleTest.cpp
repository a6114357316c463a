// Starting and stopping a whole system: start values, the first command, the threads.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "control/System.h"
#include "core/Ports.h"
#include "sim/SimulatedInterface.h"

namespace orv {
namespace {

TEST(SystemLifecycle, InitialisationReportsTheMissingDataFileAndSetsStartValues) {
    ManualClock clock(0, true);
    RecordingBus bus;
    std::vector<std::string> messages;
    SystemHooks hooks;
    hooks.showMessage = [&](const std::string& m) { messages.push_back(m); };
    System system(clock, bus, SystemOptions{"/nonexistent-orv-dir", true}, hooks);
    system.InitSharedState();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              "These initialization files could not be loaded: \r\n\r\nWinOrv.DAT\r\n\r\nUsing default parameters.");
    EXPECT_EQ(system.state.StatusFlags2, 0x60u);
    EXPECT_DOUBLE_EQ(system.state.TrackRateRA, 15.041);
    EXPECT_DOUBLE_EQ(system.state.NextEpoch, 2000.0);
    EXPECT_DOUBLE_EQ(system.params.SidTicksPerHour, 720000.0 / 1.00273790935);
}

// The clock stands still, so the first command is seen while it runs: it starts
// at once, points the telescope at the zenith, and ends when its 50 ms have passed.
TEST(SystemLifecycle, StartRunsTheFirstSetDateCommand) {
    ManualClock clock(0, false);
    clock.setUtcBase(1710970215250);   // 2024-03-20 21:30:15.250 UTC
    SimulatedInterface sim(clock);
    System system(clock, sim, SystemOptions{".", false});
    system.StartSystem();
    auto& s = system.state;
    EXPECT_TRUE(system.running());
    EXPECT_EQ(s.StateCode, 1);
    auto waitReal = [](const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return done();
    };
    ASSERT_TRUE(waitReal([&] { return testBits(s.StatusFlags1, status1::Initialized); }));
    EXPECT_EQ(s.Day, 20);
    EXPECT_EQ(s.Month, 3);
    EXPECT_EQ(s.StateCode, 1) << "its 50 ms have not passed";
    clock.advance(50);
    EXPECT_TRUE(waitReal([&] { return s.StateCode == 0; }));
    system.StopSystem();
    EXPECT_FALSE(system.running());
}

TEST(SystemLifecycle, StopEndsEveryThreadWithinOnePeriodWhileTasksSleep) {
    RealClock clock;
    SimulatedInterface sim(clock);
    System system(clock, sim, SystemOptions{".", false});
    system.StartSystem();
    // Let the dome task fall into one of its 1000 ms sleeps.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    auto start = std::chrono::steady_clock::now();
    system.StopSystem();
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(system.running());
    EXPECT_EQ(system.state.StopRequest, 1);
    EXPECT_LT(took, std::chrono::milliseconds(500));  // well under one dome period
}

TEST(SystemLifecycle, StopIsIdempotentAndSafeBeforeStart) {
    ManualClock clock(0, true);
    RecordingBus bus;
    System system(clock, bus, SystemOptions{".", false});
    system.StopSystem();
    system.StopSystem();
    EXPECT_FALSE(system.running());
}

}  // namespace
}  // namespace orv
