// Dome, shutter, focus and the input monitor's protection on the simulated telescope.

#include <gtest/gtest.h>

#include <cmath>

#include "SimSystem.h"
#include "astro/AstroLib.h"
#include "control/DomeTask.h"
#include "control/InputMonitor.h"
#include "control/SystemAstro.h"
#include "core/Ports.h"

namespace orv {
namespace {

using testing::SimSystem;

constexpr double Deg = 0.017453292519943295769;
constexpr uint8_t PanelIdle = SimulatedInterface::DefaultFrontPanel;
constexpr uint8_t Cloudy = 0x7F, ClearSky = 0xFF;

bool closeDriveOn(SimSystem& w) { return !(w.sim.lastWritten(ports::SlewShutter) & ports::ShutterCloseDriveBit); }

// Watches the shutter close drive while waiting, counting its switch-ons and
// the simulated time it was held each time.
struct CloseDriveWatch {
    int starts = 0;
    int64_t onSince = -1;
    int64_t lastHeldMs = 0;
    void sample(SimSystem& w) {
        const bool on = closeDriveOn(w);
        const int64_t t = w.clock.nowMs();
        if (on && onSince < 0) {
            onSince = t;
            ++starts;
        } else if (!on && onSince >= 0) {
            lastHeldMs = t - onSince;
            onSince = -1;
        }
    }
};

TEST(SafetySystem, CloudsSendTheDomeHomeThenCloseTheShutterOncePerEvent) {
    SimSystem w(30.0);
    ASSERT_TRUE(w.started);
    auto& s = w.system.state;

    ASSERT_TRUE(w.command(36, {1.0}, 120000));   // open the shutter (80 s)
    ASSERT_EQ(w.sim.truth().shutter, "open");
    ASSERT_TRUE(w.command(21, {0}));             // dome mode TRACK
    ASSERT_TRUE(w.command(2, {90.0}));           // the dome counter says 90 degrees
    ASSERT_TRUE(w.waitFor([&] { return std::abs(s.DomeAzimuth - 90.0) < 0.5; }, 1000));
    ASSERT_TRUE(w.waitFor([&] { return testBits(s.StatusFlags3, status3::DomeTrack); }, 1000));

    CloseDriveWatch watch;
    w.sim.setInput(ports::CloudInput, Cloudy);
    ASSERT_TRUE(w.waitFor([&] { watch.sample(w); return s.DomeTrack == 0; }, 1000));
    EXPECT_FALSE(testBits(s.StatusFlags3, status3::DomeTrack));

    // The dome turns home (180 degrees at 2 degrees a second) before the close begins.
    ASSERT_TRUE(w.waitFor([&] { watch.sample(w); return watch.starts > 0; }, 150000));
    EXPECT_GT(s.DomeAzimuth, 260.0);
    EXPECT_LT(s.DomeAzimuth, 280.0);
    // Handled once the input monitor has seen the state machine take the close.
    EXPECT_TRUE(w.waitFor([&] { watch.sample(w); return s.CloudHandled == 1; }, 1000));

    ASSERT_TRUE(w.waitFor([&] { watch.sample(w); return !closeDriveOn(w); }, 100000));
    EXPECT_NEAR(watch.lastHeldMs, 80000, 2000);
    EXPECT_EQ(w.sim.truth().shutter, "closed");
    EXPECT_EQ(s.ShutterMessage.get(), " Shutter command finished");

    // No second close while the same clouds stay.
    w.waitFor([&] { watch.sample(w); return false; }, 10000);
    EXPECT_EQ(watch.starts, 1);

    // Clear sky, then clouds again: a new event, a new close (the dome is home already).
    w.sim.setInput(ports::CloudInput, ClearSky);
    ASSERT_TRUE(w.waitFor([&] { return s.CloudDetected == 0; }, 1000));
    w.sim.setInput(ports::CloudInput, Cloudy);
    ASSERT_TRUE(w.waitFor([&] { watch.sample(w); return watch.starts == 2; }, 5000));
}

// The dome reaches home while a focus move runs: the close waits for the state
// machine and comes once the move has ended, and the cloud counts as handled
// only then.
TEST(SafetySystem, CloudCloseWaitsForACommandRunningWhenTheDomeArrives) {
    SimSystem w(30.0);
    ASSERT_TRUE(w.started);
    auto& s = w.system.state;
    ASSERT_TRUE(w.command(21, {0}));             // dome mode TRACK
    ASSERT_TRUE(w.command(2, {200.0}));          // 60 degrees (30 s) from home
    ASSERT_TRUE(w.waitFor([&] { return std::abs(s.DomeAzimuth - 200.0) < 0.5; }, 1000));

    w.sim.setInput(ports::CloudInput, Cloudy);
    ASSERT_TRUE(w.waitFor([&] { return s.DomeAzimuth > 250.0; }, 60000));
    ASSERT_EQ(s.StateCode, 0);
    w.commander.issue(27, {3500});               // 22 s of focus drive
    ASSERT_TRUE(w.waitFor([&] { return s.DomeAzimuth > 261.0; }, 20000));
    w.clock.sleepMs(500);
    ASSERT_EQ(s.StateCode, 27) << "the focus move runs while the dome is home";
    EXPECT_EQ(s.CloudHandled, 0);
    EXPECT_FALSE(closeDriveOn(w));

    ASSERT_TRUE(w.waitFor([&] { return closeDriveOn(w); }, 60000)) << "the close comes after the move";
    EXPECT_NEAR(w.sim.truth().focus, 3500, 20);
    EXPECT_EQ(s.StateCode, 36);
    EXPECT_TRUE(w.waitFor([&] { return s.CloudHandled == 1; }, 1000));
}

TEST(SafetySystem, InterlockStopsThePaddleWhileTheCloudCloseWaitsForTheDome) {
    SimSystem w(5.0);
    ASSERT_TRUE(w.started);
    auto& s = w.system.state;

    ASSERT_TRUE(w.command(20, {0}));             // dome drive off: it will never get home
    ASSERT_TRUE(w.command(2, {90.0}));
    ASSERT_TRUE(w.waitFor([&] { return std::abs(s.DomeAzimuth - 90.0) < 0.5; }, 1000));
    w.sim.setInput(ports::CloudInput, Cloudy);
    ASSERT_TRUE(w.waitFor([&] { return w.system.inputMonitor->waitingForDome(); }, 1000));

    w.sim.setInput(ports::PaddleInput, static_cast<uint8_t>(~(ports::PaddleWest | ports::PaddleSetSpeed)));
    ASSERT_TRUE(w.waitFor([&] { return s.HARate >= s.SetRate; }, 1000)) << "the paddle is watched during the wait";

    w.sim.setInput(ports::FrontPanel, PanelIdle & ~ports::InterlockBit);
    const int64_t opened = w.clock.nowMs();
    ASSERT_TRUE(w.waitFor([&] { return s.HARate == 0; }, 2000, 1));
    EXPECT_LE(w.clock.nowMs() - opened, 150) << "one 50 ms pass, with margin for scheduling";
    EXPECT_EQ(s.InterlockOpen, 1);
    EXPECT_TRUE(w.system.inputMonitor->waitingForDome());
    EXPECT_EQ(s.StateCode, 0) << "no close without the dome at home";
}

TEST(SafetySystem, FocusMoveEndsWithinFive) {
    SimSystem w(10.0);
    ASSERT_TRUE(w.started);
    auto& s = w.system.state;
    ASSERT_TRUE(w.waitFor([&] { return std::abs(s.FocusReading - 1300.0) < 2; }, 2000));

    ASSERT_TRUE(w.command(27, {2000}, 60000));
    EXPECT_LT(std::abs(s.FocusReading - 2000.0), 5.0);
    EXPECT_FALSE(testBits(s.StatusFlags2, status2::FocusMoving));
    EXPECT_EQ(w.sim.lastWritten(ports::DomeFocus) & 0x1C, 0x1C) << "motor off";
    EXPECT_LT(std::abs(w.sim.truth().focus - 2000.0), 10.0);
    ASSERT_TRUE(w.waitFor([&] { return std::abs(s.ReportedFocus - 2000.0) < 10.0; }, 500))
        << "a host asking where the focus is ('#29;') is told";
}

TEST(SafetySystem, FocusCommandAfterAStopMovesTheWholeWay) {
    SimSystem w(10.0);
    ASSERT_TRUE(w.started);
    auto& s = w.system.state;

    w.commander.stop();
    ASSERT_TRUE(w.waitFor([&] { return s.StateCode == 0; }, 2000));
    ASSERT_EQ(s.StopRequest, 1);
    ASSERT_TRUE(w.command(27, {1600}, 60000));
    EXPECT_LT(std::abs(s.FocusReading - 1600.0), 5.0);
    EXPECT_LT(std::abs(w.sim.truth().focus - 1600.0), 10.0);
}

TEST(SafetySystem, DomeFollowsASlew) {
    SimSystem w(20.0);
    ASSERT_TRUE(w.started);
    auto& s = w.system.state;
    ASSERT_TRUE(w.command(21, {0}));   // dome mode TRACK
    ASSERT_TRUE(w.command(33, {-1.5, 10.0}));
    ASSERT_TRUE(testBits(s.StatusFlags1, status1::SlewEnabled));

    const double domeAtStart = w.sim.truth().dome_deg;
    bool domeMovedDuringSlew = false;
    w.commander.issue(12);
    ASSERT_TRUE(w.waitFor([&] { return s.SlewInProgress == 1; }, 2000));
    ASSERT_TRUE(w.waitFor([&] {
        if (std::abs(w.sim.truth().dome_deg - domeAtStart) > 5) domeMovedDuringSlew = true;
        return s.SlewInProgress == 0 && s.StateCode == 0;
    }, 300000));
    EXPECT_TRUE(domeMovedDuringSlew) << "the dome turns towards the slew's target already";

    // Let the dome task finish its move and confirm the position.
    ASSERT_TRUE(w.waitFor([&] { return testBits(s.StatusFlags2, status2::DomeInPosition) &&
                                       (w.sim.lastWritten(ports::DomeFocus) & 0x03) == 0x03; }, 200000));
    w.clock.sleepMs(3000);
    const double want = astro::DomeAzimuthFor(s.HA, s.Dec, AstroContextOf(w.system)) * Deg;
    const double zd = astro::ZenithDistanceAt(s.HA, s.Dec, AstroContextOf(w.system));
    const double tolerance = DomeToleranceFor(zd, w.system.params.DomeSlitHalfWidth, w.system.params.DomeRadius);
    EXPECT_LT(std::abs(WrapDomeError(s.DomeAzimuthRad - want)), tolerance);
    EXPECT_LT(std::abs(WrapDomeError(w.sim.truth().dome_deg * Deg - want)), tolerance);
}

}  // namespace
}  // namespace orv
