// The orvctl program against a server in this process, and against servers
// that refuse, stay silent or answer nonsense.

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include "TcpTestSupport.h"
#include "comm/CtlClient.h"
#include "comm/TCPServer.h"
#include "control/System.h"
#include "core/Clock.h"
#include "core/PortBus.h"

namespace orv {
namespace {

using testing::PumpUntil;

using CtlRun = testing::ProgramRun;

class CtlProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        program = QCoreApplication::applicationDirPath() + "/../orvctl";
        if (!QFileInfo(program).isExecutable()) GTEST_SKIP() << "orvctl not built next to the tests";
        server.setPort(0);
        server.setBindAddress(QHostAddress(QHostAddress::LocalHost));
        ASSERT_FALSE(server.SetTCPMode(2));
    }

    // Runs orvctl while this thread's event loop serves its requests.
    CtlRun orvctl(uint16_t port, std::vector<std::string> args) {
        args.insert(args.begin(), {"--port", std::to_string(port)});
        CtlRun r = testing::RunProgram(program.toStdString(), args);
        if (!r.ended) ADD_FAILURE() << "orvctl did not finish";
        return r;
    }
    CtlRun orvctl(std::vector<std::string> args) { return orvctl(server.serverPort(), std::move(args)); }

    testing::QtAppGuard app;
    QString program;
    ManualClock clock{0, true};
    RecordingBus bus;
    System sys{clock, bus, SystemOptions{".", false}};
    TCPServer server{sys};
};

TEST_F(CtlProgramTest, CommandsAndQueries) {
    auto& s = sys.state;
    s.StatusFlags1 = 9; s.StatusFlags2 = 0; s.StatusFlags3 = 66;
    CtlRun r = orvctl({"status"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, ctl::FormatStatus({9, 0, 66}));

    s.HA = -1.5; s.RA = 10.5; s.Dec = -20.25;
    r = orvctl({"position"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("RA        10 30 00.0\n"), std::string::npos) << r.out;

    r = orvctl({"target", "10:30:00", "-20:15:00", "2000"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(PumpUntil([&] { return s.StateCode == 6; }));
    EXPECT_EQ(s.CommandParam[1], 10.5);
    EXPECT_EQ(s.CommandParam[2], -20.25);
    EXPECT_EQ(s.CommandParam[3], 2000);

    s.StateCode = 0;
    r = orvctl({"raw", "#12;#26;"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "#9,0,66;\n");
    EXPECT_EQ(s.StateCode, 12);

    r = orvctl({"stop"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(PumpUntil([&] { return s.StateCode == 13; }));
    EXPECT_EQ(s.StopRequest, 1);

    r = orvctl({"raw", "#43;"});
    EXPECT_EQ(r.out, "-9999\n");

    // An instrument slower than the quiet listen still has its lines printed;
    // a silent one ends in the time-out's exit status.
    server.setKAVQueries({[](TCPLateReply reply) { QTimer::singleShot(600, [reply] { reply("5\r1\r-9999\r1\r"); }); },
                          [](TCPLateReply) {}});
    r = orvctl({"raw", "#43;"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "5\n1\n-9999\n1\n");
    r = orvctl({"--timeout", "300", "raw", "#54;"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("no KAV reply"), std::string::npos) << r.err;

    r = orvctl({"wait"});   // nothing slews
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Not slewing\n");
}

TEST_F(CtlProgramTest, FailuresGiveOneLineAndAnExitStatus) {
    // Nobody listens on a port that was just given up.
    const uint16_t closed = server.serverPort();
    server.SetTCPMode(0);
    CtlRun r = orvctl(closed, {"status"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err.rfind("orvctl: cannot connect to 127.0.0.1:" + std::to_string(closed), 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);

    // A server that answers nonsense, one that stays silent.
    QTcpServer fake;
    ASSERT_TRUE(fake.listen(QHostAddress::LocalHost, 0));
    std::string answer = "#1,2;";
    QObject::connect(&fake, &QTcpServer::newConnection, [&] {
        QTcpSocket* c = fake.nextPendingConnection();
        QObject::connect(c, &QTcpSocket::readyRead, [c, &answer] {
            c->readAll();
            c->write(answer.data(), qint64(answer.size()));
        });
    });
    r = orvctl(fake.serverPort(), {"status"});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_NE(r.err.find("malformed status block"), std::string::npos) << r.err;

    answer = "9,0,66;";
    r = orvctl(fake.serverPort(), {"status"});
    EXPECT_EQ(r.exitCode, 4);

    answer.clear();
    r = orvctl(fake.serverPort(), {"--timeout", "300", "position"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("no reply"), std::string::npos) << r.err;

    r = orvctl({"target", "25", "0"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(sys.state.StateCode, 0);
}

}  // namespace
}  // namespace orv
