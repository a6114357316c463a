// The telescope left safe: at the end of the program (the shutter finishes
// closing, every drive stops), on clouds wherever the dome's home is, and with a
// focus that cannot reach its target or does not move at all.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "SimSystem.h"
#include "comm/TCPServer.h"
#include "comm/TcpTestSupport.h"
#include "config/ScratchDir.h"
#include "core/Ports.h"
#include "control/ShutDown.h"

namespace orv {
namespace {

using testing::SimSystem;

constexpr uint8_t Cloudy = 0x7F;
constexpr uint8_t DomeAndFocusRelays = 0x1F;   // all five released (active low)

bool closeDriveOn(SimSystem& w) { return !(w.sim.lastWritten(ports::SlewShutter) & ports::ShutterCloseDriveBit); }
bool openDriveOn(SimSystem& w) { return !(w.sim.lastWritten(ports::DriveControl) & ports::ShutterOpenDriveBit); }

// Keeps the shut-down window's actions.
class ActionLog final : public ShutDownDisplay {
public:
    void open(int) override {}
    void setAction(const std::string& text) override { actions.push_back(text); }
    void setProgress(int) override {}
    void close() override {}
    std::vector<std::string> actions;
};

// What the simulator's outputs show once Orv has stopped: no step output on
// either axis, no dome or focus relay, no shutter drive.
void ExpectEveryDriveStopped(SimSystem& w) {
    const auto truth = w.sim.truth();
    EXPECT_EQ(truth.step_hz[0], 0.0);
    EXPECT_EQ(truth.step_hz[1], 0.0);
    EXPECT_EQ(w.sim.lastWritten(ports::DomeFocus) & DomeAndFocusRelays, DomeAndFocusRelays);
    EXPECT_FALSE(openDriveOn(w));
    EXPECT_FALSE(closeDriveOn(w));
}

void ExpectStopAndTrackingOffTaken(SimSystem& w) {
    auto& s = w.system.state;
    EXPECT_EQ(TakenCode(s.LastTaken), 14);
    EXPECT_EQ(s.TrackRateRA, 0.0);
    EXPECT_EQ(s.StateCode, 0);
}

TEST(ExitSafety, QuittingTenSecondsIntoAShutterCloseLetsItCloseFully) {
    SimSystem w(20.0);
    ASSERT_TRUE(w.started);
    ASSERT_TRUE(w.command(36, {1.0}, 120000));
    ASSERT_EQ(w.sim.truth().shutter, "open");

    w.commander.issue(36, {0.0});
    ASSERT_TRUE(w.waitFor([&] { return closeDriveOn(w); }, 2000));
    w.clock.sleepMs(10000);

    ActionLog display;
    ShutDownTelescope(w.system, display);
    w.system.StopSystem();

    const auto truth = w.sim.truth();
    EXPECT_EQ(truth.shutter, "closed");
    EXPECT_LE(truth.shutter_fraction, 0.0);
    ExpectEveryDriveStopped(w);
    ExpectStopAndTrackingOffTaken(w);

    // The window counted the close down: 80 s less the 10 s and the 5 s of the first step.
    std::vector<int> secondsLeft;
    for (const auto& a : display.actions)
        if (int n = 0; std::sscanf(a.c_str(), "Closing shutter: %d s left", &n) == 1) secondsLeft.push_back(n);
    ASSERT_GE(secondsLeft.size(), 50u);
    EXPECT_NEAR(secondsLeft.front(), 65, 3);
    EXPECT_LE(secondsLeft.back(), 2);
    EXPECT_EQ(display.actions.back(), ShutDownActionTracking);
}

TEST(ExitSafety, StoppingTheSystemDuringAShutterCloseWaitsForIt) {
    SimSystem w(40.0);
    ASSERT_TRUE(w.started);
    ASSERT_TRUE(w.command(36, {1.0}, 120000));
    w.commander.issue(36, {0.0});
    ASSERT_TRUE(w.waitFor([&] { return closeDriveOn(w); }, 2000));
    w.clock.sleepMs(10000);
    w.system.StopSystem();
    EXPECT_EQ(w.sim.truth().shutter, "closed");
    EXPECT_FALSE(closeDriveOn(w));
}

TEST(ExitSafety, QuittingDuringAShutterOpenStillStopsAndTurnsTrackingOff) {
    SimSystem w(20.0);
    ASSERT_TRUE(w.started);
    w.commander.issue(36, {1.0});
    ASSERT_TRUE(w.waitFor([&] { return openDriveOn(w) && w.sim.truth().step_hz[0] > 100; }, 2000))
        << "the shutter opens while the RA axis tracks";
    w.clock.sleepMs(10000);

    ActionLog display;
    ShutDownTelescope(w.system, display);
    EXPECT_FALSE(openDriveOn(w)) << "the open ends when the program closes";
    ExpectStopAndTrackingOffTaken(w);
    w.system.StopSystem();
    ExpectEveryDriveStopped(w);
}

TEST(ExitSafety, StopSystemLeavesEveryDriveStoppedWhateverRuns) {
    SimSystem w(20.0);
    ASSERT_TRUE(w.started);
    ASSERT_TRUE(w.command(2, {120.0}));   // the dome turns home, 150 degrees away
    w.commander.issue(27, {3000});        // the focus moves for about 17 s
    ASSERT_TRUE(w.waitFor([&] {
        const auto relays = w.sim.lastWritten(ports::DomeFocus);
        return (relays & 0x03) != 0x03 && (relays & 0x1C) != 0x1C;
    }, 5000)) << "dome and focus relays on";
    ASSERT_GT(w.sim.truth().step_hz[0], 100) << "RA tracking";

    w.system.StopSystem();
    ExpectEveryDriveStopped(w);
}

TEST(ExitSafety, CloudsCloseTheShutterWithTheDomeHomeAt180) {
    orv::testing::ScratchDir dir;
    {
        // The built-in values, but the dome's home at 180 degrees (line 13).
        const double lines[29] = {40.0, 105.0, 0.9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 180.0, 74.9,
                                  0.10756564, 0.10756564, 0.00000342, 1.062566, 1.0125,
                                  360000.0, 12.0, 96.0, 2.5, 1.0, 1.0, 0, 0, 2129.0, 2350.0};
        std::ofstream out(dir.file("WinOrv.DAT"));
        for (double v : lines) out << v << "\r\n";
    }
    SimSystem w(30.0, SystemOptions{dir.path().string(), true});
    ASSERT_TRUE(w.started);
    auto& s = w.system.state;
    ASSERT_TRUE(w.command(36, {1.0}, 120000));
    ASSERT_EQ(w.sim.truth().shutter, "open");
    ASSERT_TRUE(w.command(2, {120.0}));   // the dome is 60 degrees from home
    ASSERT_TRUE(w.waitFor([&] { return std::abs(s.DomeAzimuth - 120.0) < 0.5; }, 1000));

    w.sim.setInput(ports::CloudInput, Cloudy);
    ASSERT_TRUE(w.waitFor([&] { return closeDriveOn(w); }, 120000)) << "the close begins";
    EXPECT_LT(std::abs(s.DomeAzimuth - 180.0), 10.0);
    ASSERT_TRUE(w.waitFor([&] { return !closeDriveOn(w); }, 100000));
    EXPECT_EQ(w.sim.truth().shutter, "closed");
}

TEST(ExitSafety, AnUnreachableOrStuckFocusDoesNotHoldOffTheCloudClose) {
    orv::testing::QtAppGuard app;
    SimSystem w(10.0);
    ASSERT_TRUE(w.started);
    auto& s = w.system.state;
    TCPServer server(w.system);
    server.setPort(0);
    server.setBindAddress(QHostAddress(QHostAddress::LocalHost));
    ASSERT_FALSE(server.SetTCPMode(2));
    orv::testing::TestClient host;
    ASSERT_TRUE(host.connect(server.serverPort()));

    std::vector<std::string> log;
    auto logged = [&](const std::string& line) {
        for (const auto& l : w.system.log.FlushLog()) log.push_back(l);
        return std::find(log.begin(), log.end(), line) != log.end();
    };

    const double focusBefore = w.sim.truth().focus;
    host.send("#27,5000;");
    ASSERT_TRUE(orv::testing::PumpUntil([&] { return logged("Focus target 5000 refused: outside 1050 to 3500"); }));
    EXPECT_EQ(s.StateCode, 0);
    EXPECT_EQ(w.sim.truth().focus, focusBefore);

    // A focus whose reading does not change, and clouds while it is driven.
    w.sim.jamFocus(true);
    host.send("#27,2000;");
    ASSERT_TRUE(w.waitFor([&] { return testBits(s.StatusFlags2, status2::FocusMoving); }, 1000));
    const int64_t started = w.clock.nowMs();
    w.sim.setInput(ports::CloudInput, Cloudy);
    ASSERT_TRUE(w.waitFor([&] { return !testBits(s.StatusFlags2, status2::FocusMoving); }, 20000));
    EXPECT_LE(w.clock.nowMs() - started, 6000);
    EXPECT_TRUE(logged("Focus not moving"));
    EXPECT_EQ(w.sim.lastWritten(ports::DomeFocus) & 0x1C, 0x1C) << "focus motor off";

    ASSERT_TRUE(w.waitFor([&] { return closeDriveOn(w); }, 3000)) << "the cloud close follows";
}

}  // namespace
}  // namespace orv
