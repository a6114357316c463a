// Starting and stopping a whole system: start values, the first command, the threads.

#include <gtest/gtest.h>

#include <chrono>

#include "control/System.h"
#include "core/Ports.h"
#include "sim/SimulatedInterface.h"

namespace orv {
namespace {

TEST(SystemLifecycle, StartLeavesTheFirstSetDateCommandPending) {
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
