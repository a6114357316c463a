// The KAV instrument end to end on the simulator: hosts move its wheels and set
// its port through TCP/IP and ExCom, the state machine runs codes 41 and 42
// over the simulated KAV's line, and the status queries answer what the
// instrument really did. Two clients at once each get whole answers; a client
// waiting on a silent instrument holds up nobody else.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "comm/ExCom.h"
#include "comm/KAVHostQueries.h"
#include "comm/KAVLink.h"
#include "comm/PtyPair.h"
#include "comm/TCPServer.h"
#include "comm/TcpTestSupport.h"
#include "sim/SimulatedKAV.h"
#include "system/SimSystem.h"

namespace orv {
namespace {

using Steady = std::chrono::steady_clock;
using testing::PumpUntil;
using testing::TestClient;

size_t Lines(const std::string& text) { return size_t(std::count(text.begin(), text.end(), '\r')); }

class KAVSystemTest : public ::testing::Test {
protected:
    // Four times faster by default: a wheel's move takes about a second, and an
    // attention period (3 s) leaves room for the delays of a loaded machine,
    // which the time scale multiplies.
    explicit KAVSystemTest(double timeScale = 4.0)
        : sim(timeScale), instrument(sim.clock), link(sim.system), server(sim.system) {}

    void SetUp() override {
        ASSERT_TRUE(sim.started);
        link.KAVComPort.DevicePath = instrument.devicePath();
        link.SetKAVMode(1);
        ASSERT_EQ(link.KAVMode(), 1);
        server.setKAVQueries(KAVQueriesForTCP(link));
        server.setPort(0);
        server.setBindAddress(QHostAddress(QHostAddress::LocalHost));
        ASSERT_FALSE(server.SetTCPMode(2));
    }

    std::unique_ptr<TestClient> connect() {
        auto c = std::make_unique<TestClient>();
        EXPECT_TRUE(c->connect(server.serverPort()));
        return c;
    }
    // Sends `packets` and waits (real ms) for `lines` CR-terminated lines.
    static std::string ask(TestClient& c, const std::string& packets, size_t lines, int ms = 10000) {
        c.socket.write(packets.data(), qint64(packets.size()));
        PumpUntil([&] {
            const QByteArray data = c.socket.readAll();
            c.received += std::string(data.constData(), size_t(data.size()));
            return Lines(c.received) >= lines;
        }, ms);
        return c.take();
    }

    testing::QtAppGuard app;
    testing::SimSystem sim;
    SimulatedKAV instrument;
    KAVLink link;
    TCPServer server;
};

// Waiting out a silent instrument (9 s of system time) twenty times faster.
class KAVSilentTest : public KAVSystemTest {
protected:
    KAVSilentTest() : KAVSystemTest(20.0) {}
};

TEST_F(KAVSystemTest, MoveAndAskOverTCP) {
    auto c = connect();
    // South wheel to filter 5: the answer waits until the wheel is there.
    EXPECT_EQ(ask(*c, "#41,0,5;#43;", 4), "5\r1\r-9999\r1\r");
    EXPECT_EQ(instrument.truth().southADU, 2185);
    EXPECT_EQ(ask(*c, "#41,2,3;#43;", 4), "5\r1\r3\r1\r");
    EXPECT_EQ(ask(*c, "#42,165;#54;", 1), "165\r");
    EXPECT_EQ(instrument.truth().port, 165);
    EXPECT_EQ(link.Display().southPosition, 5);
}

TEST_F(KAVSystemTest, MoveAndAskOverExCom) {
    testing::PtyPair host;
    ExComChannel excom{sim.system};
    excom.setKAVQueries(KAVQueriesForExCom(link));
    excom.ExComPort.DevicePath = host.path();
    excom.SetExComMode(1);
    auto ask = [&](const std::string& text, size_t lines) {
        host.write(text);
        std::string reply;
        const auto deadline = Steady::now() + std::chrono::seconds(10);
        while (Lines(reply) < lines && Steady::now() < deadline) reply += host.read(1, 100);
        return reply;
    };
    EXPECT_EQ(ask("41 3 4\r43\r", 4), "1\r1\r-9999\r4\r");
    EXPECT_EQ(instrument.truth().onAxisADU, 468);
    EXPECT_EQ(ask("41 1 2\r43\r", 4), "1\r2\r-9999\r4\r");
    EXPECT_EQ(ask("42 90\r44\r", 1), "90\r");
    EXPECT_EQ(instrument.truth().port, 90);
}

TEST_F(KAVSystemTest, TwoClientsAskingAtOnceEachGetAWholeAnswer) {
    auto a = connect();
    auto b = connect();
    a->socket.write("#43;");
    b->socket.write("#43;#54;");
    ASSERT_TRUE(PumpUntil([&] {
        for (TestClient* c : {a.get(), b.get()}) {
            const QByteArray data = c->socket.readAll();
            c->received += std::string(data.constData(), size_t(data.size()));
        }
        return Lines(a->received) >= 4 && Lines(b->received) >= 5;
    }, 10000));
    EXPECT_EQ(a->take(), "1\r1\r-9999\r1\r");
    EXPECT_EQ(b->take(), "1\r1\r-9999\r1\r0\r");
}

TEST_F(KAVSilentTest, OthersAreServedWhileOneWaitsOnASilentInstrument) {
    instrument.setMode(SimulatedKAV::Mode::Silent);
    auto waiting = connect();
    auto other = connect();
    waiting->socket.write("#43;#26;");
    // The exchange has begun: the first attention byte is out.
    ASSERT_TRUE(PumpUntil([&] { return instrument.truth().bytesReceived >= 1; }));

    const auto t0 = Steady::now();
    other->socket.write("#25;");
    ASSERT_TRUE(PumpUntil([&] {
        const QByteArray data = other->socket.readAll();
        other->received += std::string(data.constData(), size_t(data.size()));
        return other->received.find(';') != std::string::npos;
    }, 2000));
    EXPECT_LT(Steady::now() - t0, std::chrono::milliseconds(50));
    EXPECT_EQ(std::count(other->received.begin(), other->received.end(), ','), 7) << other->received;
    EXPECT_TRUE(waiting->take().empty());   // still waiting for the instrument

    // After three attention bytes, 9 s of system time: "-9999", then the status block it sent after.
    ASSERT_TRUE(PumpUntil([&] {
        const QByteArray data = waiting->socket.readAll();
        waiting->received += std::string(data.constData(), size_t(data.size()));
        return waiting->received.find(';') != std::string::npos;
    }, 5000));
    const std::string reply = waiting->take();
    EXPECT_EQ(reply.rfind("-9999\r#", 0), 0u) << reply;
    EXPECT_EQ(std::count(reply.begin(), reply.end(), ','), 2) << reply;
    EXPECT_TRUE(PumpUntil([&] { return instrument.truth().bytesReceived == 3; }));
    EXPECT_EQ(link.Status().text, "No Response");
}

TEST_F(KAVSystemTest, AClientsStopDoesNotWaitBehindItsKAVQuery) {
    instrument.setMode(SimulatedKAV::Mode::Silent);
    auto c = connect();
    c->socket.write("#43;");
    ASSERT_TRUE(PumpUntil([&] { return instrument.truth().bytesReceived >= 1; }));
    const uint32_t stops = sim.system.state.StopGeneration;
    c->socket.write("#41,0,5;#26;#13;");
    ASSERT_TRUE(PumpUntil([&] { return sim.system.state.StopGeneration != stops; }, 1000));
    EXPECT_NE(link.Status().text, "No Response") << "the stop came only after the instrument's 9 s";
    link.Cancel();   // the window's Close: the query answers now, then the status block it sent before the stop
    ASSERT_TRUE(PumpUntil([&] {
        const QByteArray data = c->socket.readAll();
        c->received += std::string(data.constData(), size_t(data.size()));
        return c->received.find(';') != std::string::npos;
    }));
    const std::string reply = c->take();
    EXPECT_EQ(reply.rfind("-9999\r#", 0), 0u) << reply;
    EXPECT_EQ(std::count(reply.begin(), reply.end(), ','), 2) << reply;
}

TEST_F(KAVSystemTest, GarbledAndSlowAnswers) {
    auto c = connect();
    instrument.setMode(SimulatedKAV::Mode::Garbage);
    EXPECT_EQ(ask(*c, "#43;", 1), "-9999\r");   // the south wheel's readback fails, and with it the rest
    EXPECT_EQ(link.Status().text, "Bad Response");

    // A second late each time: slow, but whole.
    instrument.setMode(SimulatedKAV::Mode::Slow, 1000);
    EXPECT_EQ(ask(*c, "#42,7;#54;", 1), "7\r");
    EXPECT_EQ(instrument.truth().port, 7);
}

}  // namespace
}  // namespace orv
