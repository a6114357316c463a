#include "sim/SimControlServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "core/Ports.h"

namespace orv {
namespace {

using namespace ports;

// --- the command lines ---

class SimCommandTest : public ::testing::Test {
protected:
    ManualClock clock;
    SimulatedInterface sim{clock};
    std::string run(std::string_view line) { return ExecuteSimCommand(sim, line); }
};

TEST_F(SimCommandTest, GoodLinesActAndAnswer) {
    EXPECT_EQ(run("in 0xA88 0x62"), "ok");
    EXPECT_EQ(sim.read(FrontPanel), 0x62);
    EXPECT_EQ(run("in 648 127"), "ok");  // decimal 0x288
    EXPECT_EQ(sim.read(CloudInput), 0x7F);
    EXPECT_EQ(run("  in\t0x688   0xfb "), "ok");
    EXPECT_EQ(sim.read(PaddleInput), 0xFB);

    EXPECT_EQ(run("out 0x289"), "0xFF");
    sim.write(DriveControl, 0x05);
    EXPECT_EQ(run("out 0x289"), "0x05");
    // out has no side effects: a counter's byte pointer does not move.
    sim.write(CounterControl(0), CounterStartTransfer);
    EXPECT_EQ(run("out 0x8280"), "0xFF");
    EXPECT_EQ(run("out 0xA88"), "0xFF");  // what was written, not the input level

    EXPECT_EQ(run("adc 3 4095"), "ok");
    EXPECT_EQ(run("adc 4 0x800"), "ok");
    EXPECT_EQ(sim.truth().focus, 2048.0);

    std::string truth = run("truth");
    EXPECT_EQ(truth.rfind("{\"t_ms\":0,", 0), 0u) << truth;
    EXPECT_NE(truth.find("\"focus\":2048"), std::string::npos);
}

TEST_F(SimCommandTest, BadLinesAreRefusedAndChangeNothing) {
    for (const char* line : {"", "   ", "bogus", "IN 0xA88 1", "in", "in 0xA88", "in 0xA88 1 2",
                             "in 0x10000 1", "in 0xA88 256", "in 0xA88 0x100", "in -1 2", "in 0xA88 -1",
                             "in 0xA88 +1", "in 0xA88 0x", "in 0xA88 1g", "in 0xA88 0x1g", "in 0x289 0",
                             "in 99999999999999999999 1", "out", "out 65536", "out x", "out 1 2",
                             "adc 8 1", "adc 0 4096", "adc -1 0", "adc 0", "adc 0 1.5", "truth now"}) {
        std::string reply = run(line);
        EXPECT_EQ(reply.rfind("error ", 0), 0u) << "'" << line << "' -> " << reply;
    }
    EXPECT_EQ(sim.read(FrontPanel), 0x63);
    EXPECT_EQ(sim.read(PaddleInput), 0xFF);
    EXPECT_EQ(sim.read(CloudInput), 0xFF);
    EXPECT_EQ(sim.read(DriveControl), 0xFF);
    EXPECT_EQ(sim.truth().focus, 1300.0);
}

// --- over a loopback socket ---

class Client {
public:
    explicit Client(uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(port);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }
    ~Client() { close(); }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    bool connected() const { return connected_; }
    void send(const std::string& text) {
        size_t done = 0;
        while (done < text.size()) {
            ssize_t n = ::send(fd_, text.data() + done, text.size() - done, MSG_NOSIGNAL);
            if (n <= 0) return;
            done += static_cast<size_t>(n);
        }
    }
    // The next reply line, or "<timeout>" / "<closed>".
    std::string line(int timeoutMs = 3000) {
        for (;;) {
            auto nl = buffer_.find('\n');
            if (nl != std::string::npos) {
                std::string l = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                return l;
            }
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0) return "<timeout>";
            char buf[4096];
            ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
            if (n <= 0) return "<closed>";
            buffer_.append(buf, static_cast<size_t>(n));
        }
    }

private:
    int fd_ = -1;
    bool connected_ = false;
    std::string buffer_;
};

class SimServerTest : public ::testing::Test {
protected:
    ManualClock clock;
    SimulatedInterface sim{clock};
};

TEST_F(SimServerTest, AnswersEachLineAndSurvivesBadOnes) {
    SimControlServer server(sim, 0);
    ASSERT_NE(server.port(), 0);
    Client c(server.port());
    ASSERT_TRUE(c.connected());

    c.send("in 0xA88 0x62\n");
    EXPECT_EQ(c.line(), "ok");
    EXPECT_EQ(sim.read(FrontPanel), 0x62);

    // Several lines in one packet, one line over several packets, CR LF ends.
    c.send("out 0x689\r\nadc 0 0xBAC\nnonsense\n");
    EXPECT_EQ(c.line(), "0xFF");
    EXPECT_EQ(c.line(), "ok");
    EXPECT_EQ(c.line().rfind("error ", 0), 0u);
    c.send("tru");
    c.send("th\n");
    EXPECT_EQ(c.line().rfind("{\"t_ms\":", 0), 0u);

    // An overlong line is refused as a whole; the connection carries on.
    c.send(std::string(5000, 'x') + "\nout 0xA88\n");
    EXPECT_EQ(c.line(), "error line too long");
    EXPECT_EQ(c.line(), "0xFF");
}

TEST_F(SimServerTest, ServesSeveralClientsAtOnce) {
    SimControlServer server(sim, 0);
    Client a(server.port()), b(server.port());
    ASSERT_TRUE(a.connected());
    ASSERT_TRUE(b.connected());
    a.send("in 0x688 0xEF\n");
    b.send("in 0x288 0x7F\n");
    EXPECT_EQ(a.line(), "ok");
    EXPECT_EQ(b.line(), "ok");
    b.close();  // one leaving does not disturb the other
    a.send("out 0x289\n");
    EXPECT_EQ(a.line(), "0xFF");
    EXPECT_EQ(sim.read(PaddleInput), 0xEF);
    EXPECT_EQ(sim.read(CloudInput), 0x7F);
}

TEST_F(SimServerTest, StopsPromptlyWithAClientConnected) {
    auto server = std::make_unique<SimControlServer>(sim, 0);
    Client c(server->port());
    ASSERT_TRUE(c.connected());
    c.send("in 0xA88 0x6");  // half a line
    auto start = std::chrono::steady_clock::now();
    server.reset();
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(300));
    EXPECT_EQ(c.line(), "<closed>");
    EXPECT_EQ(sim.read(FrontPanel), 0x63);  // the half line did nothing
}

TEST_F(SimServerTest, RefusesAPortInUse) {
    SimControlServer first(sim, 0);
    EXPECT_THROW({ SimControlServer second(sim, first.port()); }, std::system_error);
}

}  // namespace
}  // namespace orv
