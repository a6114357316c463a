// The TCP/IP command server over real loopback sockets on an ephemeral port.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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

// A plain blocking socket connected to the server: for what Qt's sockets cannot
// do (half-close) and for sending without the event loop.
int ConnectRaw(uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    return fd;
}

void SendRaw(int fd, const std::string& text) {
    EXPECT_EQ(::send(fd, text.data(), text.size(), 0), ssize_t(text.size()));
}

// What has arrived on the socket so far, without waiting; `ended` once the server closed.
std::string ReceiveRaw(int fd, bool* ended = nullptr) {
    std::string out;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            out.append(buffer, size_t(n));
            continue;
        }
        if (n == 0 && ended) *ended = true;
        return out;
    }
}

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

// Connections that never send hold a place only until a newcomer needs it and
// they have been silent for over a minute; the idlest goes first.
TEST_F(TCPServerTest, ANewcomerTakesThePlaceOfAClientIdleForOverAMinute) {
    std::vector<std::unique_ptr<TestClient>> clients;
    for (size_t i = 0; i < TCPServer::MaxClients; ++i) clients.push_back(connectClient());
    clock.advance(30000);
    clients[0]->send("#26;");
    EXPECT_EQ(clients[0]->takeReplies(1), "#0,96,0;");
    clock.advance(29000);   // the others have been silent for 59 s: no place yet

    TestClient early;
    early.socket.connectToHost("127.0.0.1", server.serverPort());
    EXPECT_TRUE(PumpUntil([&] { return early.socket.state() == QAbstractSocket::UnconnectedState; }));
    sys.log.FlushLog();

    clock.advance(2000);
    const uint16_t idlestPort = clients[1]->socket.localPort();
    TestClient newcomer;
    ASSERT_TRUE(newcomer.connect(server.serverPort()));
    EXPECT_TRUE(PumpUntil([&] { return clients[1]->socket.state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_EQ(server.clientCount(), TCPServer::MaxClients);
    const auto log = sys.log.FlushLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "TCP/IP: Evicted Addr: 127.0.0.1 Port: " + std::to_string(idlestPort) +
                          ", idle for 61 s, for a new client");
    newcomer.send("#26;");
    EXPECT_EQ(newcomer.takeReplies(1), "#0,96,0;");
    clients[0]->send("#26;");   // the one that spoke keeps its place
    EXPECT_EQ(clients[0]->takeReplies(1), "#0,96,0;");
}

// `nc -N`: the query, then the sending side shut. The answer must still come,
// every time, before the server closes.
TEST_F(TCPServerTest, AHalfClosingClientGetsItsAnswerEveryTime) {
    sys.state.NextRA = 5.5;
    const std::string expected = TCPTargetBlock(sys.state);
    int answered = 0;
    for (int i = 0; i < 100; ++i) {
        const int fd = ConnectRaw(server.serverPort());
        SendRaw(fd, "#28;");
        ::shutdown(fd, SHUT_WR);
        std::string reply;
        bool ended = false;
        PumpUntil([&] {
            reply += ReceiveRaw(fd, &ended);
            return ended;
        });
        answered += reply == expected;
        ::close(fd);
    }
    EXPECT_EQ(answered, 100);
    EXPECT_TRUE(PumpUntil([&] { return server.clientCount() == 0; }));
}

// Eight clients each send 2000 queries at once; a ninth asks once after them.
// Its query runs after a few turns' worth of theirs, not after all 16000.
TEST_F(TCPServerTest, AFloodingClientDoesNotMakeTheOthersWait) {
    int floodDone = 0;
    int floodDoneWhenNinthAsked = -1;
    server.setKAVQueries({[&](TCPLateReply reply) { reply(std::to_string(++floodDone) + ";"); },
                          [&](TCPLateReply reply) {
                              floodDoneWhenNinthAsked = floodDone;
                              reply("ninth;");
                          }});
    std::string flood;
    for (int i = 0; i < 2000; ++i) flood += "#43;";
    std::vector<int> flooders;
    for (int i = 0; i < 8; ++i) {
        flooders.push_back(ConnectRaw(server.serverPort()));
        SendRaw(flooders.back(), flood);
    }
    const int ninth = ConnectRaw(server.serverPort());
    SendRaw(ninth, "#54;");
    std::string reply;
    ASSERT_TRUE(PumpUntil([&] {
        reply += ReceiveRaw(ninth);
        return reply == "ninth;";
    }, 10000));
    EXPECT_LE(floodDoneWhenNinthAsked, int(8 * TCPServer::PacketsPerTurn * 4));

    // Every flooding query is still answered, to the client that sent it.
    std::vector<size_t> answers(flooders.size(), 0);
    EXPECT_TRUE(PumpUntil([&] {
        size_t all = 0;
        for (size_t i = 0; i < flooders.size(); ++i) {
            const std::string got = ReceiveRaw(flooders[i]);
            answers[i] += size_t(std::count(got.begin(), got.end(), ';'));
            all += answers[i];
        }
        return all == 16000;
    }, 20000));
    for (size_t n : answers) EXPECT_EQ(n, 2000u);
    for (int fd : flooders) ::close(fd);
    ::close(ninth);
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
