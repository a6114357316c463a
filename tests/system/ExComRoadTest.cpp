// The road of one request over a serial line: a host on a pseudo-terminal sets
// the date, syncs, loads a target and slews the simulated telescope through the
// ExCom channel, polls the status until SLEWING clears and reads the position.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "astro/TextFormats.h"
#include "comm/ExCom.h"
#include "comm/ExComReplies.h"
#include "comm/PtyPair.h"
#include "system/SimSystem.h"

namespace orv {
namespace {

using Steady = std::chrono::steady_clock;

// Degrees the position may differ from the target after a slew: the slew stops
// within 0.0004 degrees, tracking and the coordinate passes add a little.
constexpr double ArrivalDeg = 0.01;

class ExComRoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.started);
        channel.ExComPort.DevicePath = pty.path();
        channel.SetExComMode(1);
        ASSERT_TRUE(channel.ExComPort.PortActive());
    }

    // Sends a query and reads its `lines` CR-terminated numbers.
    std::vector<double> query(const std::string& command, size_t lines) {
        pty.write(command);
        const std::vector<double> values = testing::ReadExComNumbers(pty, lines);
        EXPECT_EQ(values.size(), lines) << command;
        return values;
    }

    bool slewing() {
        const auto words = query("26\r", 3);
        return !words.empty() && (uint32_t(words[0]) & status1::Slewing) != 0;
    }

    // Sets the date and puts the telescope 10 degrees south of the zenith.
    void prepare() {
        auto& s = sim.system.state;
        pty.write("1 2024 3 15 3.0\r");
        ASSERT_TRUE(sim.waitFor([&] { return std::fabs(s.Year - 2024.2) < 0.01 && s.StateCode == 0; }, 10000));
        lat = sim.system.params.Latitude;
        const double lst = s.LST;
        pty.write("3 " + FormatFixed(lst, 6) + " " + FormatFixed(lat - 10, 6) + " 0\r");
        ASSERT_TRUE(sim.waitFor([&] { return std::fabs(s.Dec - (lat - 10)) < 0.05 && s.StateCode == 0; }, 10000));
        targetRA = lst - 0.3;
        if (targetRA < 0) targetRA += 24;
        targetDec = lat - 14;
    }

    testing::PtyPair pty;
    testing::SimSystem sim{20.0};
    ExComChannel channel{sim.system};
    double lat = 0, targetRA = 0, targetDec = 0;
};

TEST_F(ExComRoadTest, DateSyncTargetSlewAndPosition) {
    auto& s = sim.system.state;
    prepare();
    const double startRA = s.RA;

    // Target and slew in one write: the slew waits until the target is taken.
    pty.write("6 " + FormatFixed(targetRA, 6) + " " + FormatFixed(targetDec, 6) + " 2000\r12\r");
    bool sawSlewing = false;
    const bool arrived = sim.waitFor([&] {
        if (slewing()) sawSlewing = true;
        return sawSlewing && !slewing();
    }, 120000, 200);
    ASSERT_TRUE(sawSlewing);
    ASSERT_TRUE(arrived);

    const auto position = query("25\r", 8);
    ASSERT_EQ(position.size(), 8u);
    EXPECT_NEAR(position[1], s.TargetRA, ArrivalDeg / 15);
    EXPECT_NEAR(position[2], s.TargetDec, ArrivalDeg);
    EXPECT_GT(std::fabs(position[1] - startRA) * 15, 3.0);   // it really moved
    EXPECT_NEAR(position[7], 2024.2, 0.01);                  // the year of the date set
    const auto target = query("28\r", 5);
    ASSERT_EQ(target.size(), 5u);
    EXPECT_NEAR(target[0], targetRA, 1e-6);
    EXPECT_NEAR(target[1], targetDec, 1e-6);
}

TEST_F(ExComRoadTest, APositionQueryRightAfterASlewDoesNotCancelIt) {
    auto& s = sim.system.state;
    prepare();
    pty.write("6 " + FormatFixed(targetRA, 6) + " " + FormatFixed(targetDec, 6) + " 2000\r");
    ASSERT_TRUE(sim.waitFor([&] { return s.StateCode == 0 && testBits(s.StatusFlags1, status1::SlewEnabled); },
                            10000));
    // The query comes before the state machine has taken the slew.
    const auto position = query("12\r25\r", 8);
    EXPECT_EQ(position.size(), 8u);
    EXPECT_TRUE(sim.waitFor([&] { return testBits(s.StatusFlags1, status1::Slewing); }, 5000));
    pty.write("13\r");
    EXPECT_TRUE(sim.waitFor([&] { return !testBits(s.StatusFlags1, status1::Slewing); }, 10000));
}

TEST_F(ExComRoadTest, SwitchingOffWhileTheChannelWaitsForAByte) {
    // The poll is blocked reading the next command number.
    sim.clock.sleepMs(200);
    const auto t0 = Steady::now();
    channel.SetExComMode(0);
    const double ms = std::chrono::duration<double, std::milli>(Steady::now() - t0).count();
    EXPECT_LT(ms, 1000.0);
    // The poll finished its pass and beat: the wait did not run out.
    EXPECT_EQ(channel.ExComAlive(), 1);
    EXPECT_FALSE(channel.ExComPort.PortActive());
    // Back on, it answers again.
    channel.SetExComMode(1);
    EXPECT_EQ(query("26\r", 3).size(), 3u);
}

// Runs orvctl with `args`; its exit status, and its output in `out`.
int Orvctl(const std::string& args, std::string* out = nullptr) {
    FILE* p = ::popen((std::string(ORVCTL_BINARY) + " " + args + " 2>&1").c_str(), "r");
    if (!p) return -1;
    std::string text;
    char buf[256];
    while (size_t n = std::fread(buf, 1, sizeof buf, p)) text.append(buf, n);
    const int status = ::pclose(p);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ExComThroughOrvctl, AHostOnTheOtherEndOfACable) {
    testing::NullModem cable;
    testing::SimSystem sim{20.0};
    ASSERT_TRUE(sim.started);
    ExComChannel channel{sim.system};
    channel.ExComPort.DevicePath = cable.endA();
    channel.SetExComMode(1);
    auto& s = sim.system.state;
    const std::string line = "--excom=" + cable.endB() + " --baud=115200 ";

    std::string out;
    ASSERT_EQ(Orvctl(line + "status", &out), 0) << out;
    EXPECT_NE(out.find("StatusFlags1"), std::string::npos) << out;
    ASSERT_EQ(Orvctl(line + "raw '1 2024 3 15 3.0'", &out), 0) << out;
    ASSERT_TRUE(sim.waitFor([&] { return std::fabs(s.Year - 2024.2) < 0.01 && s.StateCode == 0; }, 10000));
    const double lat = sim.system.params.Latitude;
    ASSERT_EQ(Orvctl(line + "raw '3 " + FormatFixed(s.LST, 6) + " " + FormatFixed(lat - 10, 6) + " 0'"), 0);
    ASSERT_TRUE(sim.waitFor([&] { return std::fabs(s.Dec - (lat - 10)) < 0.05 && s.StateCode == 0; }, 10000));

    double ra = s.LST - 0.2;
    if (ra < 0) ra += 24;
    ASSERT_EQ(Orvctl(line + "target " + FormatFixed(ra, 6) + " " + FormatFixed(lat - 12, 6) + " 2000", &out), 0)
        << out;
    ASSERT_TRUE(sim.waitFor([&] { return s.StateCode == 0; }, 10000));
    ASSERT_EQ(Orvctl(line + "slew"), 0);
    ASSERT_EQ(Orvctl(line + "wait", &out), 0) << out;
    EXPECT_NE(out.find("Slew finished"), std::string::npos) << out;
    ASSERT_EQ(Orvctl(line + "position", &out), 0) << out;
    EXPECT_NE(out.find("RA        " + FormatSexagesimal(true, s.TargetRA).substr(0, 5)), std::string::npos) << out;

    // The channel holds its line: a second host cannot take it.
    EXPECT_EQ(Orvctl("--excom=" + cable.endA() + " status", &out), 2) << out;
    EXPECT_NE(out.find("Could not open " + cable.endA()), std::string::npos) << out;
}

}  // namespace
}  // namespace orv
