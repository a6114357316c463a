#include "control/DeviceHandlers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "control/System.h"
#include "control/WorldClock.h"
#include "core/Ports.h"

namespace orv {
namespace {

using testing::WorldClock;

constexpr uint8_t FocusBits = 0x1C;

// The focus motor: fast 1 unit and slow 0.25 unit per 5 ms step.
class FocusTest : public ::testing::Test {
protected:
    FocusTest() : sys(clock, bus, SystemOptions{".", false}) {
        bus.write(ports::DomeFocus, 0xFE);   // dome driving towards larger azimuth
        clock.onAdvance = [this](int64_t) {
            const uint8_t v = bus.lastWritten(ports::DomeFocus);
            steps.push_back(v);
            moving.push_back(testBits(sys.state.StatusFlags2, status2::FocusMoving));
            const double speed = jammed ? 0.0 : (v & ports::FocusSlowBit) ? 0.25 : 1.0;
            if (!(v & ports::FocusDecreaseBit)) sys.state.FocusReading = sys.state.FocusReading - speed;
            if (!(v & ports::FocusIncreaseBit)) sys.state.FocusReading = sys.state.FocusReading + speed;
            if (stopAfterSteps && steps.size() == stopAfterSteps) sys.state.StopRequest = 1;
        };
    }
    void moveTo(double target) {
        sys.state.CommandParam[1] = target;
        sys.state.StateCode = 27;
        MoveFocus(sys);
    }

    WorldClock clock;
    RecordingBus bus;
    System sys;
    std::vector<uint8_t> steps;   // port 0x689 during each 5 ms step
    std::vector<bool> moving;
    size_t stopAfterSteps = 0;
    bool jammed = false;
};

TEST_F(FocusTest, ApproachFromAboveFastThenSlowThenOff) {
    sys.state.FocusReading = 1330;
    moveTo(1300);

    const uint8_t fastDown = 0xFE & ~(ports::FocusDecreaseBit | ports::FocusSlowBit);
    const uint8_t slowDown = 0xFE & ~ports::FocusDecreaseBit;
    // Each step drives on the difference read before it: fast for 30 down to 9
    // (22 steps), slow for 8 down to 4.75 (14 steps).
    size_t fast = 0, slow = 0;
    for (uint8_t v : steps) {
        if (v == fastDown) ++fast;
        else if (v == slowDown) ++slow;
        else ADD_FAILURE() << std::hex << int(v);
    }
    EXPECT_EQ(fast, 22u);
    EXPECT_EQ(slow, 14u);
    EXPECT_EQ(steps.front(), fastDown);
    EXPECT_EQ(steps.back(), slowDown);
    EXPECT_LT(std::abs(sys.state.FocusReading - 1300.0), 5.0 + 0.25);
    for (bool m : moving) EXPECT_TRUE(m);

    EXPECT_EQ(bus.lastWritten(ports::DomeFocus), 0xFE) << "motor off, dome relay untouched";
    EXPECT_FALSE(testBits(sys.state.StatusFlags2, status2::FocusMoving));
    EXPECT_EQ(sys.state.StateCode, 0);
}

TEST_F(FocusTest, ApproachFromBelowIncreases) {
    sys.state.FocusReading = 1290;
    moveTo(1300);
    EXPECT_EQ(steps.front(), 0xFE & ~(ports::FocusIncreaseBit | ports::FocusSlowBit));
    EXPECT_EQ(steps.back(), 0xFE & ~ports::FocusIncreaseBit);
    EXPECT_GT(sys.state.FocusReading, 1295.0);
}

TEST_F(FocusTest, WithinFiveTakesOneStepOfEachApproach) {
    sys.state.FocusReading = 1303;
    moveTo(1300);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0], 0xFE & ~(ports::FocusDecreaseBit | ports::FocusSlowBit));
    EXPECT_EQ(steps[1], 0xFE & ~ports::FocusDecreaseBit);
    EXPECT_EQ(clock.nowMs(), 10);
    EXPECT_EQ(bus.lastWritten(ports::DomeFocus) & FocusBits, FocusBits);
}

TEST_F(FocusTest, AnEarlierStopDoesNotCutTheMoveShort) {
    sys.state.StopRequest = 1;   // left over from a stop command
    sys.state.FocusReading = 1300;
    moveTo(1400);
    EXPECT_GT(steps.size(), 90u);
    EXPECT_NEAR(sys.state.FocusReading, 1400.0, 5.25);
}

TEST_F(FocusTest, StopDuringTheMoveEndsItAtTheNextCheck) {
    sys.state.FocusReading = 1300;
    stopAfterSteps = 7;
    moveTo(1400);
    EXPECT_EQ(steps.size(), 8u) << "the coarse loop ends, the fine loop runs its one step";
    EXPECT_EQ(bus.lastWritten(ports::DomeFocus) & FocusBits, FocusBits);
    EXPECT_EQ(sys.state.StateCode, 0);
}

TEST_F(FocusTest, TargetsTheDriveCannotReachAreRefusedWithALogLine) {
    sys.state.FocusReading = 1300;
    for (double target : {1049.9, 3500.1, 5000.0, -1.0, std::nan("")}) {
        sys.state.StopRequest = 1;
        moveTo(target);
        EXPECT_EQ(sys.state.StateCode, 0) << target;
        EXPECT_EQ(sys.state.StopRequest, 1) << "nothing started";
    }
    EXPECT_TRUE(steps.empty());
    EXPECT_EQ(bus.writesTo(ports::DomeFocus).size(), 1u) << "only the fixture's dome write";
    const auto lines = sys.log.FlushLog();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2], "Focus target 5000 refused: outside 1050 to 3500");

    moveTo(1050);   // the ends of the range are reachable
    EXPECT_NEAR(sys.state.FocusReading, 1050.0, 5.25);
    moveTo(3500);
    EXPECT_NEAR(sys.state.FocusReading, 3500.0, 5.25);
}

TEST_F(FocusTest, AFocusThatDoesNotMoveEndsAfterFiveSeconds) {
    sys.state.FocusReading = 1300;
    jammed = true;
    moveTo(2000);
    EXPECT_EQ(clock.nowMs(), 5000) << "1000 steps of 5 ms without a change of the reading";
    EXPECT_EQ(bus.lastWritten(ports::DomeFocus) & FocusBits, FocusBits) << "motor off";
    EXPECT_FALSE(testBits(sys.state.StatusFlags2, status2::FocusMoving));
    EXPECT_EQ(sys.state.StateCode, 0);
    EXPECT_EQ(sys.log.FlushLog(), std::vector<std::string>{"Focus not moving"});
}

TEST_F(FocusTest, AFocusStopEndsTheFocusAloneAndIsForgottenByTheNextMove) {
    sys.state.FocusReading = 1300;
    bool stopSent = false;
    clock.onAdvance = [&, inner = clock.onAdvance](int64_t ms) {
        inner(ms);
        if (steps.size() == 7 && !stopSent) sys.state.FocusStopRequest = stopSent = true;
    };
    moveTo(1400);
    EXPECT_EQ(steps.size(), 7u);
    EXPECT_EQ(bus.lastWritten(ports::DomeFocus) & FocusBits, FocusBits);
    EXPECT_EQ(sys.state.StopRequest, 0) << "nothing else was stopped";

    steps.clear();
    moveTo(1400);   // the flag of the earlier stop is still set
    EXPECT_NEAR(sys.state.FocusReading, 1400.0, 5.25);
}

class ShutterTest : public ::testing::Test {
protected:
    ShutterTest() : sys(clock, bus, SystemOptions{".", false}) {
        bus.write(ports::DriveControl, 0xF5);   // axis bits as the axis tasks left them
        bus.write(ports::SlewShutter, 0x7F);
        bus.clearLog();
        clock.onAdvance = [this](int64_t ms) {
            samples.push_back({ms, bus.lastWritten(ports::DriveControl), bus.lastWritten(ports::SlewShutter),
                               sys.state.ShutterMessage.get(), sys.state.ShutterState.load()});
        };
    }
    void operate(double p1) {
        sys.state.CommandParam[1] = p1;
        sys.state.StateCode = 36;
        OperateShutter(sys);
    }
    struct Sample {
        int64_t ms;
        uint8_t driveControl, slewShutter;
        std::string message;
        int32_t shutter;
    };

    WorldClock clock;
    RecordingBus bus;
    System sys;
    std::vector<Sample> samples;   // port levels during each wait
};

TEST_F(ShutterTest, HalfOpensWithStrobeAndEightySecondDrive) {
    operate(0.5);
    ASSERT_EQ(samples.size(), 3u);
    EXPECT_EQ(samples[0].ms, 10);
    EXPECT_EQ(samples[0].driveControl, 0xF5 & ~ports::ShutterStrobeBit);
    EXPECT_EQ(samples[1].ms, 10);
    EXPECT_EQ(samples[1].driveControl, 0xF5);
    EXPECT_EQ(samples[2].ms, 80000);
    EXPECT_EQ(samples[2].driveControl, 0xF5 & ~ports::ShutterOpenDriveBit);
    EXPECT_EQ(samples[2].message, ShutterOpening);
    EXPECT_EQ(samples[2].shutter, shutter::Opening);
    EXPECT_EQ(sys.state.ShutterState, shutter::Open);
    EXPECT_EQ(bus.lastWritten(ports::DriveControl), 0xF5) << "drive released, axis bits kept";
    EXPECT_TRUE(bus.writesTo(ports::SlewShutter).empty());
    EXPECT_EQ(sys.state.ShutterMessage.get(), ShutterFinished);
    EXPECT_EQ(sys.state.StateCode, 0);
}

TEST_F(ShutterTest, BelowHalfCloses) {
    operate(0.49);
    ASSERT_EQ(samples.size(), 3u);
    EXPECT_EQ(samples[0].driveControl, 0xF5 & ~ports::ShutterStrobeBit);
    EXPECT_EQ(samples[2].ms, 80000);
    EXPECT_EQ(samples[2].slewShutter, 0x7F & ~ports::ShutterCloseDriveBit);
    EXPECT_EQ(samples[2].driveControl, 0xF5);
    EXPECT_EQ(samples[2].message, ShutterClosing);
    EXPECT_EQ(samples[2].shutter, shutter::Closing);
    EXPECT_EQ(sys.state.ShutterState, shutter::Closed);
    EXPECT_EQ(bus.lastWritten(ports::SlewShutter), 0x7F);
    EXPECT_EQ(sys.state.ShutterMessage.get(), ShutterFinished);
}

TEST_F(ShutterTest, ADriveCutShortByTheProgramsEndLeavesTheShutterUnknown) {
    int waits = 0;
    clock.onAdvance = [&](int64_t) {
        if (++waits == 2) sys.closing = true;   // the program begins to close during the strobe
    };
    operate(1.0);
    EXPECT_EQ(sys.state.ShutterState, shutter::Unknown);
}

TEST_F(ShutterTest, OpenUnderCloudsMovesNothingAndSaysWhy) {
    sys.state.CloudDetected = 1;
    operate(1.0);
    EXPECT_TRUE(bus.writes().empty());
    EXPECT_EQ(clock.nowMs(), 0);
    EXPECT_EQ(sys.state.ShutterMessage.get(), ShutterRefusedCloudy);
    EXPECT_EQ(sys.state.ShutterState, shutter::Unknown) << "a refused open changes nothing";
    EXPECT_EQ(sys.state.StateCode, 0);

    operate(0.0);   // closing under clouds is what the clouds call for
    EXPECT_EQ(bus.lastWritten(ports::SlewShutter), 0x7F);
    EXPECT_EQ(samples.size(), 3u);
}

TEST_F(ShutterTest, ACloseRunsToItsEndWhenTheProgramStops) {
    sys.terminating = true;
    sys.closing = true;
    operate(0.0);
    ASSERT_EQ(samples.size(), 3u);
    EXPECT_EQ(samples[2].ms, 80000) << "the close drive is held for its full time";
    EXPECT_EQ(samples[2].slewShutter, 0x7F & ~ports::ShutterCloseDriveBit);
    EXPECT_EQ(bus.lastWritten(ports::SlewShutter), 0x7F);
    EXPECT_EQ(sys.state.ShutterCloseEndMs, 0);

    samples.clear();
    bus.clearLog();
    operate(1.0);   // no open while the program closes
    EXPECT_TRUE(samples.empty());
    EXPECT_TRUE(bus.writes().empty());
    EXPECT_EQ(sys.state.StateCode, 0);
}

TEST(SendDomeToAzimuth, HomeModeAtTheRequestedAzimuth) {
    ManualClock clock(0, true);
    RecordingBus bus;
    System sys(clock, bus, SystemOptions{".", false});
    sys.state.DomeOn = 0;
    sys.state.DomeTrack = 1;
    sys.state.CommandParam[1] = sys.params.DomeHomeAzimuth.load();
    sys.state.StateCode = 34;
    SendDomeToAzimuth(sys);
    EXPECT_EQ(sys.state.DomeAzimuthOffset, 0);
    EXPECT_EQ(sys.state.DomeOn, 1);
    EXPECT_EQ(sys.state.DomeTrack, 0);
    EXPECT_EQ(sys.state.StateCode, 0);

    sys.state.CommandParam[1] = 1.0;
    SendDomeToAzimuth(sys);
    EXPECT_DOUBLE_EQ(sys.state.DomeAzimuthOffset + sys.params.DomeHomeAzimuth, 1.0);
}

}  // namespace
}  // namespace orv
