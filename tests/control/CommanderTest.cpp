// The command door: what is written when, what is held, and what a stop discards.
// Most tests play the state machine by hand: take() is its pickup at the start of
// a pass, StateCode = 0 its handler's end.

#include <gtest/gtest.h>

#include "control/System.h"
#include "core/Commander.h"
#include "sim/SimulatedInterface.h"

namespace orv {
namespace {

class CommanderTest : public ::testing::Test {
protected:
    // The state machine runs a handler to its end.
    void finish() { s.StateCode = 0; }

    ManualClock clock{0, false};
    RecordingBus bus;
    System system{clock, bus, SystemOptions{".", false}};
    TelescopeState& s = system.state;
    Commander& door = system.commander;
};

TEST_F(CommanderTest, HeldCommandsGoInOrderOnlyWhenIdleAndExpireAfterTwoSeconds) {
    Commander::Channel tcp(door, "TCP/IP"), excom(door, "ExCom");
    EXPECT_EQ(tcp.issue(6, {10.5, -20.25, 2000}), Commander::Outcome::Written);
    EXPECT_EQ(s.StateCode, 6);
    EXPECT_EQ(s.CommandParam[0], 6);
    EXPECT_EQ(s.CommandParam[3], 2000);

    EXPECT_EQ(tcp.issue(12), Commander::Outcome::Held);
    EXPECT_EQ(excom.issue(22, {1950}), Commander::Outcome::Held);
    EXPECT_EQ(door.take(), 6);   // the pending code, nothing else
    EXPECT_EQ(tcp.held(), 1u);
    door.service();              // busy: nothing written
    EXPECT_EQ(s.StateCode, 6);

    finish();
    EXPECT_EQ(door.take(), 12);   // oldest first, across channels
    finish();
    clock.advance(Commander::HeldLifeMs);
    EXPECT_EQ(door.take(), 22);   // 2 s old: still in time
    EXPECT_EQ(s.CommandParam[1], 1950);

    // A command kept waiting longer is dropped with a line naming it.
    EXPECT_EQ(tcp.issue(20, {1}), Commander::Outcome::Held);
    clock.advance(Commander::HeldLifeMs + 1);
    finish();
    EXPECT_EQ(door.take(), 0);
    EXPECT_EQ(s.StateCode, 0);
    EXPECT_EQ(system.log.FlushLog(),
              (std::vector<std::string>{"TCP/IP: Command 20 dropped, not taken within 2 s"}));

    // A channel holds a bounded number; what it holds goes with it.
    s.StateCode = 27;
    for (size_t i = 0; i < Commander::MaxHeldPerChannel; ++i) tcp.issue(20, {1});
    EXPECT_EQ(tcp.issue(20, {1}), Commander::Outcome::Refused);
    EXPECT_EQ(excom.issue(21, {0}), Commander::Outcome::Held);
    tcp.discard();
    EXPECT_EQ(door.heldCount(), 1u);
}

TEST_F(CommanderTest, EveryStopDiscardsWhatWasHeldBeforeItButNotWhatCameAfter) {
    Commander::Channel tcp(door, "TCP/IP");
    auto holdTargetAndSlew = [&] {
        s.StateCode = 12;   // a slew runs
        tcp.issue(6, {1, 2, 2000});
        tcp.issue(12);
        ASSERT_EQ(tcp.held(), 2u);
    };

    // Commander::stop: StopRequest, code 13 over the running slew, nothing held.
    holdTargetAndSlew();
    door.stop();
    EXPECT_EQ(s.StopRequest, 1);
    EXPECT_EQ(s.StateCode, 13);
    EXPECT_EQ(door.heldCount(), 0u);
    // The slew ends and writes 0 over the stop: the stop is written again, and a
    // command sent after the stop follows it.
    tcp.issue(22, {2000});
    finish();
    EXPECT_EQ(door.take(), 13);
    finish();
    EXPECT_EQ(door.take(), 22);
    finish();
    system.log.FlushLog();

    // The interlock opening counts a stop of its own.
    holdTargetAndSlew();
    s.StopGeneration.fetch_add(1);
    finish();
    EXPECT_EQ(door.take(), 0);
    EXPECT_EQ(system.log.FlushLog(), (std::vector<std::string>{"TCP/IP: Command 6 discarded by a stop",
                                                               "TCP/IP: Command 12 discarded by a stop"}));

    // A code 13 written around the door counts when the state machine takes it.
    holdTargetAndSlew();
    s.StateCode = 13;
    EXPECT_EQ(door.take(), 13);
    EXPECT_EQ(door.heldCount(), 0u);
}

TEST_F(CommanderTest, SafetyCommandIsRetriedUntilTakenAndNothingOvertakesIt) {
    Commander::Channel tcp(door, "TCP/IP");
    s.StateCode = 27;   // a focus move runs
    tcp.issue(6, {1, 2, 2000});
    door.postSafety(36, {0});
    EXPECT_EQ(door.heldCount(), 0u) << "what was sent before the close is discarded";
    EXPECT_EQ(s.StateCode, 27) << "a running command is not written over";

    // A stop writes over the close before the state machine sees it: the close
    // is written again after the stop.
    finish();
    door.service();
    EXPECT_EQ(s.StateCode, 36);
    door.stop();
    EXPECT_TRUE(door.safetyPending());
    EXPECT_EQ(door.take(), 13);
    finish();

    // Not while the drive interlock is open, and a slew sent meanwhile does not go first.
    tcp.issue(12);
    s.InterlockOpen = 1;
    EXPECT_EQ(door.take(), 0);
    s.InterlockOpen = 0;
    EXPECT_EQ(door.take(), 36);
    EXPECT_EQ(s.CommandParam[1], 0);
    EXPECT_FALSE(door.safetyPending());

    // A handler that could not act on it puts it back; after it, the slew.
    door.putBackSafety();
    EXPECT_TRUE(door.safetyPending());
    finish();
    EXPECT_EQ(door.take(), 36);
    finish();
    door.putBackSafety();   // the slew's turn: nothing to put back
    EXPECT_EQ(door.take(), 12);
    EXPECT_FALSE(door.safetyPending());
}

TEST_F(CommanderTest, OfferIsNeverHeldAndWithdrawTakesTheCloseBack) {
    s.StateCode = 6;
    EXPECT_FALSE(door.offer(12));
    finish();
    EXPECT_EQ(door.heldCount(), 0u);
    EXPECT_TRUE(door.offer(12));
    EXPECT_EQ(s.StateCode, 12);
    finish();

    door.postSafety(36, {0});
    EXPECT_EQ(s.StateCode, 36);
    door.withdrawSafety();
    EXPECT_EQ(s.StateCode, 0);
    EXPECT_FALSE(door.safetyPending());
}

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
    system.state.StateCode = 12;  // nobody will take it
    EXPECT_FALSE(system.commander.waitUntilIdle(1000));
    system.terminating = true;
    EXPECT_FALSE(system.commander.issueInOrder({{22, {2000}}}, 100000));
    EXPECT_EQ(system.state.StateCode, 12);
}

}  // namespace
}  // namespace orv
