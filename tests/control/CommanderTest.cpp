// The command handshake from the commander's side, against a running state machine.

#include <gtest/gtest.h>

#include "control/System.h"
#include "core/Commander.h"
#include "sim/SimulatedInterface.h"

namespace orv {
namespace {

TEST(Commander, CommandsInOrderEachWaitForThePreviousOneAndPumpMeanwhile) {
    RealClock clock(10.0);
    SimulatedInterface sim(clock);
    System system(clock, sim, SystemOptions{".", false});
    system.StartSystem();
    Commander& commander = system.commander;
    ASSERT_TRUE(commander.waitUntilIdle(5000));  // the start's set-date command

    int pumped = 0;
    bool ok = commander.issueInOrder({{18, {0}}, {19, {0}}, {16, {250}}, {15, {7}}}, 5000, [&] { ++pumped; });
    ASSERT_TRUE(ok);
    ASSERT_TRUE(commander.waitUntilIdle(5000));
    EXPECT_FALSE(testBits(system.state.StatusFlags2, status2::CosineDeclination));
    EXPECT_FALSE(testBits(system.state.StatusFlags2, status2::RateCorrection));
    EXPECT_DOUBLE_EQ(system.state.SetRate, 250.0);
    EXPECT_DOUBLE_EQ(system.state.GuideRate, 7.0);
    EXPECT_GT(pumped, 0);  // the caller's event loop kept running while it waited
}

TEST(Commander, WaitingGivesUpWhenTheSystemStops) {
    ManualClock clock(0, true);
    RecordingBus bus;
    System system(clock, bus, SystemOptions{".", false});
    Commander& commander = system.commander;
    system.state.StateCode = 12;  // nobody will take it
    EXPECT_FALSE(commander.waitUntilIdle(1000));
    system.terminating = true;
    EXPECT_FALSE(commander.issueInOrder({{22, {2000}}}, 100000));
    EXPECT_EQ(system.state.StateCode, 12);
}

TEST(Commander, StopSetsTheRequestBeforeTheCode) {
    ManualClock clock(0, true);
    RecordingBus bus;
    System system(clock, bus, SystemOptions{".", false});
    Commander& commander = system.commander;
    commander.issue(6, {10.5, -20.25, 2000});
    EXPECT_EQ(system.state.StateCode, 6);
    EXPECT_DOUBLE_EQ(system.state.CommandParam[3], 2000.0);
    commander.stop();
    EXPECT_EQ(system.state.StopRequest, 1);
    EXPECT_EQ(system.state.StateCode, 13);
}

}  // namespace
}  // namespace orv
