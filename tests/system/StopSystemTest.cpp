// Every stop stops everything: a host slews over the TCP/IP server and, while the
// slew runs, sends a second target and '#12;', which wait at the command door.
// Then a stop comes: the drive interlock opening (and closing again), a Stop
// button through the Commander, or '#13;' from another client. Afterwards the
// telescope only tracks: the waiting target is never loaded, nothing slews.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "SimSystem.h"
#include "astro/TextFormats.h"
#include "comm/TCPServer.h"
#include "comm/TcpTestSupport.h"
#include "core/Ports.h"

namespace orv {
namespace {

using testing::PumpUntil;
using testing::TestClient;

constexpr uint8_t PanelIdle = SimulatedInterface::DefaultFrontPanel;
constexpr double SiderealRate = 15.041;   // arcsec/s of the hour-angle axis

enum class StopBy { Interlock, Commander, SecondClient };

class StopSystemTest : public ::testing::TestWithParam<StopBy> {
protected:
    void SetUp() override {
        ASSERT_TRUE(w.started);
        server.setPort(0);
        server.setBindAddress(QHostAddress(QHostAddress::LocalHost));
        ASSERT_FALSE(server.SetTCPMode(2));
        ASSERT_TRUE(host.connect(server.serverPort()));
        ASSERT_TRUE(other.connect(server.serverPort()));
    }

    // Runs the event loop until `simMs` of simulated time have passed, calling
    // `each` on every turn.
    void pumpSim(int64_t simMs, const std::function<void()>& each) {
        const int64_t end = w.clock.nowMs() + simMs;
        PumpUntil([&] {
            each();
            return w.clock.nowMs() >= end;
        }, 60000);
    }
    static std::string target(double ra, double dec) {
        return "#6," + FormatFixed(ra, 6) + "," + FormatFixed(dec, 6) + ",2000;";
    }

    testing::QtAppGuard app;
    testing::SimSystem w{20.0};
    TCPServer server{w.system};
    TestClient host, other;
};

TEST_P(StopSystemTest, NothingHeldBeforeTheStopMovesTheTelescopeAfterIt) {
    auto& s = w.system.state;
    const double lat = w.system.params.Latitude;
    host.send("#1,2024,3,15,3.0;");
    ASSERT_TRUE(PumpUntil([&] { return s.StateCode == 0 && s.Year > 2024; }, 10000));
    const double lst = s.LST;
    host.send("#3," + FormatFixed(lst, 6) + "," + FormatFixed(lat - 10, 6) + ",0;");
    ASSERT_TRUE(PumpUntil([&] { return s.StateCode == 0 && std::fabs(s.Dec - (lat - 10)) < 0.05; }, 10000));

    // A 15 degree slew west; while it runs, a second target and a slew to it.
    host.send(target(std::fmod(lst + 23.0, 24.0), lat - 10) + "#12;");
    ASSERT_TRUE(PumpUntil([&] { return s.SlewInProgress == 1; }, 10000));
    const double secondRA = std::fmod(lst + 0.7, 24.0);
    host.send(target(secondRA, lat - 25) + "#12;");
    ASSERT_TRUE(PumpUntil([&] { return w.system.commander.heldCount() == 2; }, 2000));

    switch (GetParam()) {
    case StopBy::Interlock:
        w.sim.setInput(ports::FrontPanel, PanelIdle & ~ports::InterlockBit);
        ASSERT_TRUE(PumpUntil([&] { return s.SlewInProgress == 0 && s.StateCode == 0; }, 10000));
        w.sim.setInput(ports::FrontPanel, PanelIdle);
        ASSERT_TRUE(PumpUntil([&] { return s.InterlockOpen == 0; }, 2000));
        break;
    case StopBy::Commander:
        w.system.commander.stop();
        break;
    case StopBy::SecondClient:
        other.send("#13;");
        break;
    }

    // Once the slew has ended: the waiting target is never loaded and no slew starts.
    ASSERT_TRUE(PumpUntil([&] { return s.SlewInProgress == 0; }, 10000));
    bool loaded = false, slewed = false;
    auto watch = [&] {
        loaded = loaded || std::fabs(s.NextRA - secondRA) < 1e-6;
        slewed = slewed || s.SlewInProgress == 1;
    };
    pumpSim(3000, watch);   // the axes ramp down to tracking meanwhile
    double worstRA = 0, worstDec = 0;
    pumpSim(4000, [&] {
        watch();
        const auto t = w.sim.truth();
        worstRA = std::max(worstRA, std::fabs(t.axis_rate_arcsec[0] - SiderealRate));
        worstDec = std::max(worstDec, std::fabs(t.axis_rate_arcsec[1]));
    });
    EXPECT_FALSE(loaded) << "the target sent before the stop was loaded after it";
    EXPECT_FALSE(slewed);
    EXPECT_EQ(s.SlewInProgress, 0);
    EXPECT_EQ(w.system.commander.heldCount(), 0u);
    EXPECT_LT(worstRA, 0.05) << "the hour-angle axis only tracks";
    EXPECT_LT(worstDec, 0.05) << "the Dec axis stands";
}

INSTANTIATE_TEST_SUITE_P(EveryStop, StopSystemTest,
                         ::testing::Values(StopBy::Interlock, StopBy::Commander, StopBy::SecondClient),
                         [](const auto& info) {
                             switch (info.param) {
                             case StopBy::Interlock: return std::string("Interlock");
                             case StopBy::Commander: return std::string("CommanderStop");
                             default: return std::string("StopFromASecondClient");
                             }
                         });

}  // namespace
}  // namespace orv
