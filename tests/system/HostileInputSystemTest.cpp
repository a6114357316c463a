// Packets and data files that once broke Orv: each leaves it running with sane state.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "SimSystem.h"
#include "comm/TCPPacket.h"

namespace orv {
namespace {

using testing::SimSystem;

// The eight values of a position block ('#25;'), as the host reads them.
std::vector<double> PositionValues(const std::string& block) {
    std::vector<double> values;
    std::istringstream in(block.substr(1, block.size() - 2));
    std::string field;
    while (std::getline(in, field, ',')) values.push_back(std::strtod(field.c_str(), nullptr));
    return values;
}

void ExpectSane(SimSystem& w, TCPCommandChannel& channel) {
    ASSERT_TRUE(w.waitFor([&] { return w.system.state.StateCode == 0; }, 10000));
    // The time task's next passes put UT and LST back in their day.
    const auto& s = w.system.state;
    EXPECT_TRUE(w.waitFor([&] { return s.UT >= 0 && s.UT < 24 && s.LST >= 0 && s.LST < 24; }, 5000));
    const auto reply = channel.ExecuteTCPPacket("#25;").reply;
    ASSERT_TRUE(reply);
    const auto values = PositionValues(*reply);
    ASSERT_EQ(values.size(), 8u) << *reply;
    for (double v : values) EXPECT_TRUE(std::isfinite(v)) << *reply;
    EXPECT_GE(values[5], 0.0) << *reply;   // LST
    EXPECT_LT(values[5], 24.0) << *reply;
    EXPECT_GE(values[6], 0.0) << *reply;   // UT
    EXPECT_LT(values[6], 24.0) << *reply;
}

// A month of 1e27 was cast to an integer; a UT of 1e13 hours overflowed the UT
// clock counter. Both packets leave the date as it was and the clocks running.
TEST(HostileInput, SetDatePacketsBeyondTheClocksLeaveThemRunning) {
    SimSystem w(20.0);
    ASSERT_TRUE(w.started);
    ASSERT_TRUE(w.setDate(2024, 3, 20, 21.5));
    TCPCommandChannel channel(w.system);
    for (const char* packet : {"#1,2024,1e27,20,21.5;", "#1,2024,3,20,1e13;"}) {
        SCOPED_TRACE(packet);
        channel.ExecuteTCPPacket(packet);
        ExpectSane(w, channel);
        EXPECT_EQ(std::trunc(w.system.state.Year), 2024.0);
        EXPECT_EQ(w.system.state.Month, 3);
        EXPECT_EQ(w.system.state.Day, 20);
        // The clocks still run: one simulated minute later UT has moved on by about a minute.
        const double before = w.system.state.UT;
        w.clock.sleepMs(60000);
        const double moved = std::fmod(w.system.state.UT - before + 24.0, 24.0);
        EXPECT_NEAR(moved * 60.0, 1.0, 0.1);
    }
}

// A clock rate of 1e300 ticks per hour, negative scales and absurd limits in the
// data file keep their defaults: the clocks run at their true rate.
TEST(HostileInput, AbsurdStateDataValuesKeepTheirDefaults) {
    const auto dir = std::filesystem::temp_directory_path() / ("orv-hostile-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    {
        std::ofstream file(dir / "WinOrv.DAT");
        const char* lines[29] = {"1e300", "105", "0.9", "0", "0", "0", "0", "0", "0", "0", "0", "0", "270",
                                 "1e308", "-0.1", "0.10756564", "0.00000342", "-1.06", "1.0125", "1e300",
                                 "12", "96", "2.5", "1", "1", "0", "0", "2129", "2350"};
        for (const char* line : lines) file << line << "\n";
    }
    SimSystem w(20.0, SystemOptions{dir.string(), true});
    std::filesystem::remove_all(dir);
    ASSERT_TRUE(w.started);
    ASSERT_TRUE(w.system.StateDataError);
    for (int line : {1, 14, 15, 18, 20})
        EXPECT_NE(w.system.StateDataError->find("Invalid value in WinOrv.DAT line " + std::to_string(line) + ":"),
                  std::string::npos) << *w.system.StateDataError;
    EXPECT_DOUBLE_EQ(w.system.params.UTTicksPerHour, 720000.0);
    EXPECT_DOUBLE_EQ(w.system.params.Latitude, 40.0);

    ASSERT_TRUE(w.setDate(2024, 3, 20, 21.5));
    TCPCommandChannel channel(w.system);
    ExpectSane(w, channel);
    const double before = w.system.state.UT;
    w.clock.sleepMs(60000);
    EXPECT_NEAR((w.system.state.UT - before) * 60.0, 1.0, 0.1);
}

}  // namespace
}  // namespace orv
