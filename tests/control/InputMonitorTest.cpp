#include "control/InputMonitor.h"

#include <gtest/gtest.h>

#include <tuple>

#include "control/System.h"
#include "control/VirtualPaddle.h"
#include "core/Ports.h"

namespace orv {
namespace {

// Front panel at rest: interlock closed, slew button released, drives on,
// track switch on, main rates, dome on and dome track active.
constexpr uint8_t PanelIdle = 0x63;
constexpr uint8_t PaddleReleased = 0xFF;
constexpr uint8_t ClearSky = 0xFF, Cloudy = 0x7F;

uint8_t paddle(uint8_t bits) { return static_cast<uint8_t>(~bits); }

class InputMonitorTest : public ::testing::Test {
protected:
    InputMonitorTest() : sys(clock, bus, SystemOptions{".", false}) {
        bus.setInput(ports::FrontPanel, PanelIdle);
        bus.setInput(ports::PaddleInput, PaddleReleased);
        bus.setInput(ports::CloudInput, ClearSky);
        sys.state.ZenithDistance = 30;
        sys.state.Azimuth = 180;
        sys.state.Dec = 0;
        monitor().InitInputMonitor();
    }
    InputMonitor& monitor() { return *sys.inputMonitor; }
    void pass(int n = 1) {
        for (int i = 0; i < n; ++i) monitor().InputMonitorPass();
    }

    ManualClock clock{0, true};
    RecordingBus bus;
    System sys;
};

TEST_F(InputMonitorTest, InitWritesSetupAndStartValues) {
    bus.clearLog();
    sys.state.Azimuth = 12;
    sys.state.SlewInProgress = 1;
    monitor().InitInputMonitor();
    std::vector<RecordingBus::Access> expected{{RecordingBus::Access::Write, 0x286, 0x80},
                                               {RecordingBus::Access::Write, 0x686, 0x80},
                                               {RecordingBus::Access::Write, 0xA86, 0x80}};
    EXPECT_EQ(bus.writes(), expected);
    EXPECT_EQ(sys.state.Azimuth, 270.0);
    EXPECT_EQ(sys.state.SlewInProgress, 0);
}

TEST_F(InputMonitorTest, OpenInterlockStopsBothAxesWithinOnePass) {
    sys.state.HARate = 800;
    sys.state.DecRate = 600;
    setBits(sys.state.StatusFlags1, status1::SlewEnabled);
    setBits(sys.state.StatusFlags3, status3::TargetLoaded);

    pass();
    EXPECT_EQ(sys.state.InterlockOpen, 0);
    EXPECT_EQ(sys.state.StopRequest, 0) << "interlock closed: nothing is stopped";
    EXPECT_EQ(sys.state.HARate, 800);

    bus.setInput(ports::FrontPanel, PanelIdle & ~ports::InterlockBit);
    pass();
    EXPECT_EQ(sys.state.InterlockOpen, 1);
    EXPECT_EQ(sys.state.StopRequest, 1);
    EXPECT_EQ(sys.state.HARate, 0);
    EXPECT_EQ(sys.state.DecRate, 0);
    EXPECT_FALSE(testBits(sys.state.StatusFlags1, status1::SlewEnabled));
    EXPECT_FALSE(testBits(sys.state.StatusFlags3, status3::TargetLoaded));

    // The paddle cannot move either axis while the interlock is open.
    bus.setInput(ports::PaddleInput, paddle(ports::PaddleNorth | ports::PaddleWest | ports::PaddleSetSpeed));
    pass();
    EXPECT_EQ(sys.state.HARate, 0);
    EXPECT_EQ(sys.state.DecRate, 0);
}

TEST_F(InputMonitorTest, FrontPanelBitsMirrorIntoStatusWords) {
    sys.state.DomeOn = 1;
    sys.state.DomeTrack = 1;
    pass();
    EXPECT_TRUE(testBits(sys.state.StatusFlags2, status2::DrivesOn));
    EXPECT_TRUE(testBits(sys.state.StatusFlags1, status1::DomeOnIndicator));
    EXPECT_TRUE(testBits(sys.state.StatusFlags3, status3::DomeTrack));
    EXPECT_FALSE(testBits(sys.state.StatusFlags2, status2::FrontPanelInput5));
    EXPECT_EQ(sys.state.StateCode, 0);

    sys.state.DomeOn = 0;
    sys.state.DomeTrack = 0;
    bus.setInput(ports::FrontPanel, 0xFF & ~ports::SlewButtonBit & ~ports::Input5Bit);
    pass();
    EXPECT_FALSE(testBits(sys.state.StatusFlags2, status2::DrivesOn));
    EXPECT_FALSE(testBits(sys.state.StatusFlags1, status1::DomeOnIndicator));
    EXPECT_FALSE(testBits(sys.state.StatusFlags3, status3::DomeTrack));
    EXPECT_TRUE(testBits(sys.state.StatusFlags2, status2::FrontPanelInput5));
    EXPECT_EQ(sys.state.StateCode, 12) << "held slew button starts a slew";
    sys.state.StateCode = 0;
    pass();
    EXPECT_EQ(sys.state.StateCode, 12) << "again on every pass while held";
}

TEST_F(InputMonitorTest, TrackingSwitchChoosesTheRatesInForce) {
    sys.state.TrackRateRA = 15.041;
    sys.state.TrackRateDec = 0.5;
    sys.state.AuxTrackRateRA = 14.5;
    sys.state.AuxTrackRateDec = -2.0;

    pass();   // switch on, bit 0x40 at 1: main rates
    EXPECT_TRUE(testBits(sys.state.StatusFlags1, status1::TrackingSwitch));
    EXPECT_EQ(sys.state.ActiveTrackRateRA, 15.041);
    EXPECT_EQ(sys.state.ActiveTrackRateDec, 0.5);
    EXPECT_FALSE(testBits(sys.state.StatusFlags3, status3::RateSelectInput));

    bus.setInput(ports::FrontPanel, PanelIdle & ~ports::RateSelectBit);
    pass();
    EXPECT_EQ(sys.state.ActiveTrackRateRA, 14.5);
    EXPECT_EQ(sys.state.ActiveTrackRateDec, -2.0);
    EXPECT_TRUE(testBits(sys.state.StatusFlags3, status3::RateSelectInput));

    bus.setInput(ports::FrontPanel, (PanelIdle & ~ports::RateSelectBit) | ports::TrackSwitchBit);
    pass();
    EXPECT_FALSE(testBits(sys.state.StatusFlags1, status1::TrackingSwitch));
    EXPECT_EQ(sys.state.ActiveTrackRateRA, 0);
    EXPECT_EQ(sys.state.ActiveTrackRateDec, 0);
}

TEST_F(InputMonitorTest, PaddleNorthAtSetSpeedAndRelease) {
    sys.state.SetRate = 100;
    bus.setInput(ports::PaddleInput, paddle(ports::PaddleNorth | ports::PaddleSetSpeed));
    pass();
    EXPECT_EQ(sys.state.DecRate, 100);
    EXPECT_EQ(sys.state.DecMoveNorth, 1);
    EXPECT_EQ(sys.state.HARate, 0);
    EXPECT_EQ(sys.state.StatusFlags3 & 0x3C, status3::PaddleNorth);
    EXPECT_TRUE(testBits(sys.state.StatusFlags2, status2::Setting));

    bus.setInput(ports::PaddleInput, PaddleReleased);
    pass();
    EXPECT_EQ(sys.state.DecRate, 0);
    EXPECT_EQ(sys.state.StatusFlags3 & 0x3C, 0u);
    EXPECT_FALSE(testBits(sys.state.StatusFlags2, status2::Setting));
}

TEST_F(InputMonitorTest, UnchangedPaddleIsNotReevaluated) {
    bus.setInput(ports::PaddleInput, paddle(ports::PaddleSouth));
    pass();
    EXPECT_EQ(sys.state.DecRate, 5.0) << "guide speed";
    EXPECT_EQ(sys.state.DecMoveNorth, 0);
    sys.state.DecRate = 321;   // as a slew loop would set it
    pass();
    EXPECT_EQ(sys.state.DecRate, 321);
}

TEST_F(InputMonitorTest, PaddleSlewSpeedRates) {
    // West at slew speed with the cosine of declination at Dec 60: 2000, limited to 1000.
    setBits(sys.state.StatusFlags2, status2::CosineDeclination);
    sys.state.Dec = 60;
    bus.setInput(ports::PaddleInput, paddle(ports::PaddleWest | ports::PaddleSlewSpeed));
    pass();
    EXPECT_EQ(sys.state.HARate, 1000);
    EXPECT_EQ(sys.state.HAMoveWest, 1);
    EXPECT_TRUE(testBits(sys.state.StatusFlags1, status1::Slewing));

    // Guide speed east at Dec 60 is doubled.
    bus.setInput(ports::PaddleInput, paddle(ports::PaddleEast));
    pass();
    EXPECT_NEAR(sys.state.HARate, 10.0, 1e-9);
    EXPECT_EQ(sys.state.HAMoveWest, 0);
    EXPECT_FALSE(testBits(sys.state.StatusFlags1, status1::Slewing));

    // Near the limits the slew speed is 500.
    clearBits(sys.state.StatusFlags2, status2::CosineDeclination);
    sys.state.ZenithDistance = 76;
    bus.setInput(ports::PaddleInput, paddle(ports::PaddleEast | ports::PaddleSlewSpeed));
    pass();
    EXPECT_EQ(sys.state.LimitWarning, 1);
    EXPECT_TRUE(testBits(sys.state.StatusFlags1, status1::ApproachingLimits));
    EXPECT_EQ(sys.state.HARate, 500);

    // Both speed bits: no motion.
    bus.setInput(ports::PaddleInput, paddle(ports::PaddleEast | ports::PaddleSlewSpeed | ports::PaddleSetSpeed));
    pass();
    EXPECT_EQ(sys.state.HARate, 0);
}

TEST_F(InputMonitorTest, OppositeButtonsTogetherGiveNoMotion) {
    bus.setInput(ports::PaddleInput, paddle(ports::PaddleNorth | ports::PaddleSouth | ports::PaddleEast));
    pass();
    EXPECT_EQ(sys.state.DecRate, 0);
    EXPECT_EQ(sys.state.StatusFlags3 & 0x0C, 0u);
    EXPECT_EQ(sys.state.HARate, 5.0);
}

TEST_F(InputMonitorTest, LimitsBelowEightyDegreesInhibitTowardsTheHorizon) {
    sys.state.ZenithDistance = 81;
    sys.state.Azimuth = 180;
    monitor().EvaluateLimits();
    EXPECT_EQ(sys.state.InhibitSouth, 1);
    EXPECT_EQ(sys.state.InhibitEast, 1);
    EXPECT_EQ(sys.state.InhibitWest, 1);
    EXPECT_EQ(sys.state.InhibitNorth, 0);
    EXPECT_TRUE(testBits(sys.state.StatusFlags1, status1::LimitReached));
    EXPECT_EQ(sys.state.LimitWarning, 1);

    // Paddle south is blocked; north moves at full rate (re-evaluated on every
    // pass while the limit warning is on).
    sys.state.SetRate = 100;
    bus.setInput(ports::PaddleInput, paddle(ports::PaddleSouth | ports::PaddleSetSpeed));
    pass();
    EXPECT_EQ(sys.state.DecRate, 0);
    bus.setInput(ports::PaddleInput, paddle(ports::PaddleNorth | ports::PaddleSetSpeed));
    pass();
    EXPECT_EQ(sys.state.DecRate, 100);

    // Inhibits accumulate while below 80 degrees of zenith distance ...
    sys.state.Azimuth = 10;
    monitor().EvaluateLimits();
    EXPECT_EQ(sys.state.InhibitNorth, 1);
    EXPECT_EQ(sys.state.InhibitSouth, 1);
    // ... and all clear at 80.
    sys.state.ZenithDistance = 80;
    monitor().EvaluateLimits();
    EXPECT_EQ(sys.state.InhibitNorth + sys.state.InhibitSouth + sys.state.InhibitEast + sys.state.InhibitWest, 0);
    EXPECT_FALSE(testBits(sys.state.StatusFlags1, status1::LimitReached));
}

TEST_F(InputMonitorTest, ThroughThePoleNorthAndSouthSwap) {
    sys.state.ThroughPole = 1;
    sys.state.ZenithDistance = 85;
    sys.state.Azimuth = 100;
    monitor().EvaluateLimits();
    EXPECT_EQ(sys.state.InhibitEast, 1);
    EXPECT_EQ(sys.state.InhibitNorth, 1);
    EXPECT_EQ(sys.state.InhibitSouth, 0);
    EXPECT_EQ(sys.state.InhibitWest, 0);

    sys.state.ZenithDistance = 70;
    monitor().EvaluateLimits();
    sys.state.ZenithDistance = 85;
    sys.state.Azimuth = 0;   // due north counts as the northern range
    monitor().EvaluateLimits();
    EXPECT_EQ(sys.state.InhibitSouth, 1);
    EXPECT_EQ(sys.state.InhibitNorth, 0);
}

// The automatic close on clouds: dome home first, then the shutter.
class CloudCloseTest : public InputMonitorTest {
protected:
    CloudCloseTest() {
        sys.state.DomeTrack = 1;
        sys.state.DomeAzimuth = 90;
        sys.state.DomeAzimuthOffset = 0.3;
        pass();
        EXPECT_TRUE(testBits(sys.state.StatusFlags3, status3::DomeTrack));
    }
};

TEST_F(CloudCloseTest, SendsTheDomeHomeThenClosesOncePerCloudEvent) {
    bus.setInput(ports::CloudInput, Cloudy);
    pass();
    EXPECT_EQ(sys.state.CloudDetected, 1);
    EXPECT_EQ(sys.state.DomeTrack, 0);
    EXPECT_EQ(sys.state.DomeAzimuthOffset, 0);
    EXPECT_FALSE(testBits(sys.state.StatusFlags3, status3::DomeTrack));
    EXPECT_EQ(sys.state.StateCode, 0) << "the close waits for the dome";
    EXPECT_TRUE(monitor().waitingForDome());

    sys.state.DomeAzimuth = 260;   // not yet: strictly between 260 and 280
    pass(3);
    EXPECT_EQ(sys.state.StateCode, 0);

    sys.state.CommandParam[1] = 7;
    sys.state.DomeAzimuth = 268;
    pass();
    EXPECT_EQ(sys.state.StateCode, 36);
    EXPECT_EQ(sys.state.CommandParam[1], 0);
    EXPECT_EQ(sys.state.CloudHandled, 0) << "handled once the state machine has taken it";
    pass();
    EXPECT_TRUE(monitor().waitingForDome());

    EXPECT_EQ(sys.commander.take(), 36);   // the state machine takes it
    pass();
    EXPECT_EQ(sys.state.CloudHandled, 1);
    EXPECT_FALSE(monitor().waitingForDome());
    sys.state.StateCode = 0;   // the close has run
    pass(5);
    EXPECT_EQ(sys.state.StateCode, 0) << "one close per cloud event";

    bus.setInput(ports::CloudInput, ClearSky);
    pass();
    EXPECT_EQ(sys.state.CloudDetected, 0);
    EXPECT_EQ(sys.state.CloudHandled, 0);
    bus.setInput(ports::CloudInput, Cloudy);
    pass();
    EXPECT_EQ(sys.state.StateCode, 36) << "a new cloud event closes again (dome still home)";
}

TEST_F(CloudCloseTest, TheDomeCountsAsHomeWithinTenDegreesOfItsHomeAzimuth) {
    // Home azimuth 180 and 5 degrees (the window then spans north).
    for (auto [homeDeg, outside, inside] : {std::tuple{180.0, 190.0, 171.0}, std::tuple{5.0, 15.0, 356.0}}) {
        sys.params.DomeHomeAzimuth = homeDeg * 0.017453292519943295769;
        bus.setInput(ports::CloudInput, ClearSky);
        sys.state.DomeAzimuth = 90;
        pass();
        bus.setInput(ports::CloudInput, Cloudy);
        pass();
        ASSERT_TRUE(monitor().waitingForDome()) << homeDeg;
        sys.state.DomeAzimuth = outside;
        pass(2);
        EXPECT_EQ(sys.state.StateCode, 0) << homeDeg;
        sys.state.DomeAzimuth = inside;
        pass();
        EXPECT_EQ(sys.state.StateCode, 36) << homeDeg;
        sys.commander.take();   // the state machine takes the close and runs it
        sys.state.StateCode = 0;
    }
}

TEST_F(CloudCloseTest, InterlockAndPaddleStayWatchedWhileWaitingForTheDome) {
    bus.setInput(ports::CloudInput, Cloudy);
    pass();
    ASSERT_TRUE(monitor().waitingForDome());

    sys.state.SetRate = 100;
    bus.setInput(ports::PaddleInput, paddle(ports::PaddleWest | ports::PaddleSetSpeed));
    pass();
    EXPECT_EQ(sys.state.HARate, 100) << "the paddle keeps working during the wait";

    bus.setInput(ports::FrontPanel, PanelIdle & ~ports::InterlockBit);
    pass();
    EXPECT_EQ(sys.state.HARate, 0);
    EXPECT_EQ(sys.state.StopRequest, 1);
    EXPECT_TRUE(monitor().waitingForDome());
}

TEST_F(CloudCloseTest, ReportsAStuckDomeOnceAndKeepsWaiting) {
    sys.log.FlushLog();
    bus.setInput(ports::CloudInput, Cloudy);
    pass();
    const int64_t start = clock.nowMs();
    while (clock.nowMs() - start < InputMonitor::DomeHomeWarningMs - 100) pass();
    EXPECT_TRUE(sys.log.FlushLog().empty());
    while (clock.nowMs() - start < 2 * InputMonitor::DomeHomeWarningMs) pass();
    EXPECT_EQ(sys.log.FlushLog(), std::vector<std::string>{"Cloud close: dome not at home"});
    EXPECT_TRUE(monitor().waitingForDome());

    sys.state.DomeAzimuth = 270;
    pass();
    EXPECT_EQ(sys.state.StateCode, 36) << "the close still follows a late arrival";
}

TEST_F(CloudCloseTest, EndingTheProgramEndsTheWaitAtOnce) {
    bus.setInput(ports::CloudInput, Cloudy);
    pass();
    sys.terminating = true;
    const int64_t before = clock.nowMs();
    sys.state.ZenithDistance = 79;
    pass();
    EXPECT_EQ(clock.nowMs(), before) << "no sleep";
    EXPECT_EQ(sys.state.LimitWarning, 0) << "nothing after the cloud step";
}

TEST_F(CloudCloseTest, NoCloseWhileDisabledOrBusy) {
    sys.DisableCloudSensorInput = true;
    bus.setInput(ports::CloudInput, Cloudy);
    pass(3);
    EXPECT_EQ(sys.state.DomeTrack, 1);
    EXPECT_EQ(sys.state.CloudHandled, 0);

    sys.DisableCloudSensorInput = false;
    sys.state.StateCode = 27;   // the state machine is busy
    pass(3);
    EXPECT_EQ(sys.state.DomeTrack, 1) << "retried once the state machine is free";
    sys.state.StateCode = 0;
    pass();
    EXPECT_EQ(sys.state.DomeTrack, 0);

    // Ticking the box during the wait cancels the automatic close.
    sys.DisableCloudSensorInput = true;
    pass();
    sys.state.DomeAzimuth = 270;
    pass(2);
    EXPECT_EQ(sys.state.StateCode, 0);
    EXPECT_FALSE(monitor().waitingForDome());
}

}  // namespace
}  // namespace orv
