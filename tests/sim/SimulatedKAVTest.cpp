// The simulated KAV seen from the line, on a manual clock: its handshake, the
// time a wheel takes, readbacks within the noise, and the failure modes the
// control channel sets.

#include "sim/SimulatedKAV.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "sim/SimControlServer.h"

namespace orv {
namespace {

class SimulatedKAVTest : public ::testing::Test {
protected:
    void SetUp() override {
        fd = ::open(kav.devicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
    }
    void TearDown() override { ::close(fd); }

    // Writes `bytes` and waits until the instrument has read them, so that the
    // clock moved next moves after they came.
    void send(const std::string& bytes) {
        const uint64_t before = kav.truth().bytesReceived;
        ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
        for (int i = 0; i < 200 && kav.truth().bytesReceived < before + bytes.size(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_EQ(kav.truth().bytesReceived, before + bytes.size());
    }
    // What the instrument answers within `ms` of real time (the clock stands meanwhile).
    std::string answer(size_t count, int ms = 300) {
        std::string out;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (out.size() < count && std::chrono::steady_clock::now() < deadline) {
            pollfd p{fd, POLLIN, 0};
            ::poll(&p, 1, 5);
            char buf[16];
            const ssize_t n = ::read(fd, buf, std::min(sizeof buf, count - out.size()));
            if (n > 0) out.append(buf, size_t(n));
        }
        return out;
    }
    int readbackADU(char device) {
        send("\xF5");
        EXPECT_EQ(answer(1), "\xEA");
        send(std::string{char(device << 4 | 0x0F), '\xFF'});
        const std::string r = answer(5);
        EXPECT_EQ(r.size(), 5u);
        return r.size() == 5 ? std::stoi(r.substr(1, 3), nullptr, 16) : -1;
    }

    ManualClock clock{0};
    SimulatedKAV kav{clock};
    int fd = -1;
};

TEST_F(SimulatedKAVTest, AWheelTakesAboutASecondPerFilterAndReadsBackWithNoise) {
    EXPECT_NEAR(readbackADU(0), 181, SimulatedKAV::NoiseADU);
    EXPECT_NEAR(readbackADU(1), 2360, SimulatedKAV::NoiseADU);

    send("\xF5");
    ASSERT_EQ(answer(1), "\xEA");
    send("\x04\xA9");   // south wheel to 1193 ADU: 1012 ADU at 500 a second
    clock.advance(2000);
    EXPECT_EQ(answer(1, 100), "");        // still moving
    EXPECT_TRUE(kav.truth().moving);
    EXPECT_NEAR(readbackADU(0), 181 + 1000, SimulatedKAV::NoiseADU);
    clock.advance(30);
    EXPECT_EQ(answer(1), "\x06");         // the result when it has arrived
    EXPECT_EQ(kav.truth().southADU, 1193);
    EXPECT_NEAR(readbackADU(0), 1193, SimulatedKAV::NoiseADU);

    // The port and the mirror keep what they were told.
    send("\xF5");
    answer(1);
    send("\x40\xA5");
    EXPECT_EQ(answer(1), "\x06");
    send("\xF5");
    answer(1);
    send("\x4F\xFF");
    EXPECT_EQ(answer(2), "\xA5\r");
    EXPECT_EQ(kav.truth().mirror, -1);
}

TEST_F(SimulatedKAVTest, SilentGarbledAndSlowThroughTheControlChannel) {
    ManualClock busClock;
    SimulatedInterface sim{busClock};
    EXPECT_EQ(ExecuteSimCommand(sim, "kav silent", &kav), "ok");
    send("\xF5");
    EXPECT_EQ(answer(1, 100), "");

    EXPECT_EQ(ExecuteSimCommand(sim, "kav garbage", &kav), "ok");
    send("\xF5");
    EXPECT_EQ(answer(1), "\xEA");   // it still takes commands
    send("\x1F\xFF");
    const std::string garbled = answer(5);
    ASSERT_EQ(garbled.size(), 5u);
    EXPECT_EQ(garbled.find_first_of("0123456789ABCDEF\r"), std::string::npos) << garbled;

    EXPECT_EQ(ExecuteSimCommand(sim, "kav slow 1000", &kav), "ok");
    send("\xF5");
    clock.advance(999);
    EXPECT_EQ(answer(1, 100), "");
    clock.advance(1);
    EXPECT_EQ(answer(1), "\xEA");

    EXPECT_EQ(ExecuteSimCommand(sim, "kav slow soon", &kav), "error bad delay");
    EXPECT_EQ(ExecuteSimCommand(sim, "kav normal", &kav), "ok");
    EXPECT_EQ(ExecuteSimCommand(sim, "kav", &kav).rfind("south=181 stage=2360 onaxis=2488 mirror=-1 port=0", 0), 0u);
    EXPECT_EQ(ExecuteSimCommand(sim, "kav"), "error no simulated KAV");
}

}  // namespace
}  // namespace orv
