// The TCP/IP command server over real loopback sockets on an ephemeral port.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "TcpTestSupport.h"
#include "comm/TCPServer.h"
#include "control/System.h"
#include "core/Clock.h"
#include "core/PortBus.h"

namespace orv {
namespace {

using testing::PumpFor;
using testing::PumpUntil;
using testing::TestClient;

class TCPServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.setPort(0);
        server.setBindAddress(QHostAddress(QHostAddress::LocalHost));
        ASSERT_FALSE(server.SetTCPMode(2));
        ASSERT_TRUE(server.active());
        ASSERT_NE(server.serverPort(), 0);
    }

    std::unique_ptr<TestClient> connectClient() {
        auto c = std::make_unique<TestClient>();
        const size_t before = server.clientCount();
        EXPECT_TRUE(c->connect(server.serverPort()));
        EXPECT_TRUE(PumpUntil([&] { return server.clientCount() == before + 1; }));
        return c;
    }

    testing::QtAppGuard app;
    ManualClock clock{0, true};
    RecordingBus bus;
    System sys{clock, bus, SystemOptions{".", false}};
    TCPServer server{sys};
};

TEST_F(TCPServerTest, PacketsOfOneClient) {
    auto c = connectClient();
    auto& s = sys.state;

    c->send("#6,10.5,-20.25,2000;");
    EXPECT_EQ(s.StateCode, 6);
    EXPECT_EQ(s.CommandParam[1], 10.5);
    EXPECT_EQ(s.CommandParam[2], -20.25);
    EXPECT_EQ(s.CommandParam[3], 2000);

    s.StateCode = 0;
    c->send("#6,,5;");
    EXPECT_EQ(s.StateCode, 6);
    EXPECT_EQ(s.CommandParam[1], 0);
    EXPECT_EQ(s.CommandParam[2], 0);

    s.StateCode = 0;
    c->send("#41,2,3;");
    EXPECT_EQ(s.StateCode, 41);
    EXPECT_EQ(s.CommandParam[1], 2);
    EXPECT_EQ(s.CommandParam[2], 3);

    s.StateCode = 0;
    c->send("#6.9;");
    EXPECT_EQ(s.StateCode, 6);

    s.StateCode = 0;
    c->send("#-1;");
    EXPECT_EQ(s.StateCode, 0);

    c->send("xyz#13;");
    EXPECT_EQ(s.StopRequest, 1);
    EXPECT_EQ(s.StateCode, 13);
    EXPECT_EQ(c->take(), "");   // none of these answers

    s.StateCode = 0;
    s.StatusFlags1 = 9; s.StatusFlags2 = 0; s.StatusFlags3 = 66;
    c->send("#26;");
    EXPECT_EQ(c->takeReplies(1), "#9,0,66;");
}

TEST_F(TCPServerTest, TwoPacketsInOneReadAndOneOverTwo) {
    auto c = connectClient();
    sys.state.RA = 5.25;
    c->send("#12;#25;");
    EXPECT_EQ(sys.state.StateCode, 12);
    EXPECT_EQ(c->takeReplies(1), TCPPositionBlock(sys.state));

    c->send("#2");
    EXPECT_EQ(c->take(), "");
    c->send("5;");
    const std::string reply = c->takeReplies(1);
    PumpFor(50);
    EXPECT_EQ(reply + c->take(), TCPPositionBlock(sys.state));   // once
}

TEST_F(TCPServerTest, EachClientHasItsOwnTextAndGetsItsOwnAnswers) {
    auto a = connectClient();
    auto b = connectClient();
    auto& s = sys.state;
    s.StatusFlags1 = 9;

    // Interleaved halves: joined in one shared text they would make other packets.
    a->send("#2");
    b->send("#6,1");
    a->send("6;");
    b->send(",2,2000;");
    EXPECT_EQ(a->takeReplies(1), "#9,96,0;");
    EXPECT_EQ(b->take(), "");
    EXPECT_EQ(s.StateCode, 6);
    EXPECT_EQ(s.CommandParam[1], 1);
    EXPECT_EQ(s.CommandParam[2], 2);
    EXPECT_EQ(s.CommandParam[3], 2000);

    // The second client asks: the answer goes to it, not to the first connection.
    b->send("#2");
    a->send("#41,7");
    b->send("8;");
    a->send(",3;");
    EXPECT_EQ(b->takeReplies(1), TCPTargetBlock(s));
    EXPECT_EQ(a->take(), "");

    // The 41 waited for the state machine to take the 6.
    EXPECT_EQ(s.StateCode, 6);
    s.StateCode = 0;
    EXPECT_TRUE(PumpUntil([&] { return s.StateCode == 41; }));
    EXPECT_EQ(s.CommandParam[1], 7);
    EXPECT_EQ(s.CommandParam[2], 3);
}

TEST_F(TCPServerTest, OverLongPacketIsDroppedAndTheClientGoesOn) {
    auto c = connectClient();
    c->send("#26" + std::string(TCPMaxPendingText + 100, '0'));
    c->send(";");
    EXPECT_EQ(c->take(), "");
    c->send("#26;");
    EXPECT_EQ(c->takeReplies(1), "#0,96,0;");
}

TEST_F(TCPServerTest, RefusesClientsBeyondTheLimit) {
    std::vector<std::unique_ptr<TestClient>> clients;
    for (size_t i = 0; i < TCPServer::MaxClients; ++i) clients.push_back(connectClient());
    EXPECT_EQ(server.clientCount(), TCPServer::MaxClients);

    TestClient extra;
    extra.socket.connectToHost("127.0.0.1", server.serverPort());
    EXPECT_TRUE(PumpUntil([&] { return extra.socket.state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_EQ(server.clientCount(), TCPServer::MaxClients);
    const auto log = sys.log.FlushLog();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(),
                            [](const std::string& l) { return l.rfind("TCP/IP: Refused Addr: 127.0.0.1", 0) == 0; }));

    // A place freed is a place taken again.
    clients.back()->socket.disconnectFromHost();
    EXPECT_TRUE(PumpUntil([&] { return server.clientCount() == TCPServer::MaxClients - 1; }));
    auto again = connectClient();
    again->send("#26;");
    EXPECT_EQ(again->takeReplies(1), "#0,96,0;");
}

TEST_F(TCPServerTest, SocketEventsInTheCommunicationLog) {
    sys.log.setCommLogging(true);
    ASSERT_FALSE(server.SetTCPMode(0));
    EXPECT_FALSE(server.active());
    ASSERT_FALSE(server.SetTCPMode(2));
    const std::string port = std::to_string(server.serverPort());

    auto c = connectClient();
    const std::string addr = "Addr: 127.0.0.1 Port: " + std::to_string(c->socket.localPort());
    c->send("#25;");
    c->socket.disconnectFromHost();
    EXPECT_TRUE(PumpUntil([&] { return server.clientCount() == 0; }));
    EXPECT_EQ(sys.log.FlushLog(), (std::vector<std::string>{
                                      "TCP/IP: Listen Addr: 127.0.0.1 Port: " + port,
                                      "TCP/IP: Accepted " + addr,
                                      "TCP/IP: Connected " + addr,
                                      "TCP/IP Packet: #25;",
                                      "TCP/IP: Disonnected " + addr,
                                  }));

    EXPECT_EQ(TCPAddressText(QHostAddress(), -1), "Addr:  Port: -1");
    EXPECT_EQ(TCPAddressText(QHostAddress("::ffff:10.1.2.3"), 5003), "Addr: 10.1.2.3 Port: 5003");
}

TEST_F(TCPServerTest, LastCommandBeforeTheCloseCounts) {
    for (int i = 0; i < 20; ++i) {
        sys.state.StopRequest = 0;
        sys.state.StateCode = 0;
        auto c = connectClient();
        c->socket.write("#13;");
        c->socket.disconnectFromHost();
        ASSERT_TRUE(PumpUntil([&] { return server.clientCount() == 0; }));
        EXPECT_EQ(sys.state.StopRequest, 1);
        EXPECT_EQ(sys.state.StateCode, 13);
    }
}

TEST_F(TCPServerTest, SwitchingOffDropsClientsAndTheirText) {
    auto c = connectClient();
    const uint16_t wasPort = server.serverPort();
    c->send("#2");
    ASSERT_FALSE(server.SetTCPMode(0));
    EXPECT_FALSE(server.active());
    EXPECT_EQ(server.serverPort(), 0);
    EXPECT_EQ(server.clientCount(), 0u);
    EXPECT_TRUE(PumpUntil([&] { return c->socket.state() == QAbstractSocket::UnconnectedState; }));

    TestClient refused;
    refused.socket.connectToHost("127.0.0.1", wasPort);
    EXPECT_TRUE(PumpUntil([&] { return refused.socket.state() == QAbstractSocket::UnconnectedState; }));
}

TEST_F(TCPServerTest, PortInUseGivesTheOperatorMessage) {
    TCPServer second(sys);
    second.setBindAddress(QHostAddress(QHostAddress::LocalHost));
    second.setPort(server.serverPort());
    const auto message = second.SetTCPMode(2);
    ASSERT_TRUE(message);
    EXPECT_EQ(*message, "Unable to listen on Port: " + std::to_string(server.serverPort()) +
                            "\r\nPort is probably already in use.");
    EXPECT_FALSE(second.active());
    EXPECT_EQ(second.TCPMode(), 2);

    // The first server is untouched.
    auto c = connectClient();
    c->send("#26;");
    EXPECT_EQ(c->takeReplies(1), "#0,96,0;");

    EXPECT_FALSE(second.setBindAddress(std::string("not an address")));
    EXPECT_TRUE(second.setBindAddress(std::string("127.0.0.1")));
}

}  // namespace
}  // namespace orv
