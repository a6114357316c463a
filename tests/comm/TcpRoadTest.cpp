// The road of one request: a host sets the date and the position, loads a
// target and slews the simulated telescope over the TCP/IP server; the status
// shows SLEWING meanwhile and the position block afterwards shows the target.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <QFileInfo>

#include "TcpTestSupport.h"
#include "astro/TextFormats.h"
#include "comm/CtlClient.h"
#include "comm/TCPServer.h"
#include "system/SimSystem.h"

namespace orv {
namespace {

using testing::PumpUntil;
using testing::TestClient;

// Degrees the displayed position may differ from the place the slew drives to:
// the slew stops within 0.0004 degrees, tracking and the display refresh add a little.
constexpr double ArrivalDeg = 0.01;

class TcpRoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.started);
        server.setPort(0);
        server.setBindAddress(QHostAddress(QHostAddress::LocalHost));
        ASSERT_FALSE(server.SetTCPMode(2));
        ASSERT_TRUE(client.connect(server.serverPort()));
    }

    std::vector<double> query(const std::string& packet) {
        client.send(packet, 0);
        const auto values = ctl::ParseReplyPacket(client.takeReplies(1));
        EXPECT_TRUE(values) << packet;
        return values.value_or(std::vector<double>{});
    }

    // Sets the date and puts the telescope 10 degrees south of the zenith; returns
    // a target 0.3 h west and 4 degrees south of that, for equinox 2000.
    std::pair<double, double> prepare() {
        auto& s = sim.system.state;
        client.send("#1,2024,3,15,3.0;");
        EXPECT_TRUE(PumpUntil([&] { return s.StateCode == 0 && s.Year > 2024; }, 10000));
        const double lst = s.LST, lat = sim.system.params.Latitude;
        const std::string start = "#3," + FormatFixed(lst, 6) + "," + FormatFixed(lat - 10, 6) + ",0;";
        client.send(start);
        EXPECT_TRUE(PumpUntil([&] { return s.StateCode == 0; }, 10000));
        EXPECT_TRUE(PumpUntil([&] { return std::fabs(s.Dec - (lat - 10)) < 0.05; }, 10000));
        double ra = lst - 0.3;
        if (ra < 0) ra += 24;
        return {ra, lat - 14};
    }

    testing::QtAppGuard app;
    testing::SimSystem sim{20.0};
    TCPServer server{sim.system};
    TestClient client;
};

TEST_F(TcpRoadTest, TargetAndSlewOverTheServer) {
    auto& s = sim.system.state;
    const auto [ra, dec] = prepare();
    const double startRA = s.RA;

    // Both packets in one write: the slew waits until the target is taken.
    client.send("#6," + FormatFixed(ra, 6) + "," + FormatFixed(dec, 6) + ",2000;#12;");
    bool sawSlewing = false;
    const bool arrived = PumpUntil([&] {
        const auto words = query("#26;");
        if (words.size() == 3 && (uint32_t(words[0]) & status1::Slewing)) sawSlewing = true;
        return sawSlewing && s.SlewInProgress == 0 && s.StateCode == 0;
    }, 60000);
    ASSERT_TRUE(sawSlewing);
    ASSERT_TRUE(arrived);

    const auto position = ctl::PositionFromValues(query("#25;"));
    ASSERT_TRUE(position);
    EXPECT_NEAR(position->RA, s.TargetRA, ArrivalDeg / 15);
    EXPECT_NEAR(position->Dec, s.TargetDec, ArrivalDeg);
    EXPECT_GT(std::fabs(position->RA - startRA) * 15, 3.0);   // it really moved
    // The target block keeps the place as entered (equinox 2000).
    const auto target = query("#28;");
    ASSERT_EQ(target.size(), 5u);
    EXPECT_NEAR(target[0], ra, 1e-6);
    EXPECT_NEAR(target[1], dec, 1e-6);
}

TEST_F(TcpRoadTest, ARemotePressLastsOnlyWhileItIsRenewedAndItsClientLives) {
    auto& s = sim.system.state;
    auto& clock = sim.clock;
    auto pressed = [&] { return s.DecRate == s.SetRate.load() && s.DecMoveNorth == 1; };
    client.send("#61,4,1;");   // north at set speed
    EXPECT_EQ(client.take(), "#61,68;");
    const int64_t pressedAt = clock.nowMs();
    ASSERT_TRUE(PumpUntil(pressed, 2000));
    for (int i = 0; i < 6; ++i) {   // renewed every 250 ms of Orv's clock: held
        PumpUntil([&] { return clock.nowMs() >= pressedAt + 250 * (i + 1); }, 2000);
        client.send("#62;", 0);
    }
    EXPECT_TRUE(pressed());
    const int64_t lastRenewal = clock.nowMs();
    ASSERT_TRUE(PumpUntil([&] { return s.DecRate == 0; }, 2000)) << "the dead man";
    EXPECT_LT(clock.nowMs() - lastRenewal, 1500);

    client.send("#61,4,1;");
    ASSERT_TRUE(PumpUntil(pressed, 2000));
    client.socket.disconnectFromHost();
    const int64_t closedAt = clock.nowMs();
    ASSERT_TRUE(PumpUntil([&] { return s.DecRate == 0; }, 2000));
    EXPECT_LT(clock.nowMs() - closedAt, 500) << "a client that goes is released at once";
}

TEST_F(TcpRoadTest, TheSameThroughOrvctl) {
    const QString program = QCoreApplication::applicationDirPath() + "/../orvctl";
    if (!QFileInfo(program).isExecutable()) GTEST_SKIP() << "orvctl not built next to the tests";
    auto& s = sim.system.state;
    const auto [ra, dec] = prepare();
    const std::string port = std::to_string(server.serverPort());

    auto run = [&](std::vector<std::string> args, std::string* out = nullptr) {
        args.insert(args.begin(), {"--port", port});
        const auto r = testing::RunProgram(program.toStdString(), args, 60000);
        EXPECT_TRUE(r.ended);
        if (out) *out = r.out;
        EXPECT_EQ(r.exitCode, 0) << r.err;
    };
    std::string raText = FormatSexagesimal(true, ra);
    std::replace(raText.begin(), raText.end(), ' ', ':');
    run({"target", raText, FormatFixed(dec, 6), "2000"});
    ASSERT_TRUE(PumpUntil([&] { return s.StateCode == 0; }, 10000));
    run({"slew"});
    std::string waited;
    run({"wait"}, &waited);
    EXPECT_NE(waited.find("SLEWING  "), std::string::npos) << waited;
    EXPECT_NE(waited.find("Slew finished"), std::string::npos) << waited;

    std::string shown;
    run({"position"}, &shown);
    const std::string expectRA = "RA        " + FormatSexagesimal(true, s.TargetRA).substr(0, 5);
    EXPECT_NE(shown.find(expectRA), std::string::npos) << shown;
}

}  // namespace
}  // namespace orv
