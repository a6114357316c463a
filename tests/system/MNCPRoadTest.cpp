// A host drives the simulated telescope over MNCP on a serial line: it syncs,
// sets a target, sends "goto", polls "status" until the telescope no longer
// slews, and reads "get ra" / "get dec", which must match the target.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>

#include "astro/TextFormats.h"
#include "comm/MNCP.h"
#include "comm/PtyPair.h"
#include "comm/SerialHost.h"
#include "system/SimSystem.h"

namespace orv {
namespace {

// The telescope's RA in tenths of a second and Dec in whole arcseconds, from the
// reply texts ('ok 05h15m00.0s', 'ok -30d30m00s').
double HoursOf(const std::string& reply) {
    int h = 0, m = 0;
    double sec = 0;
    EXPECT_EQ(std::sscanf(reply.c_str(), "ok %2dh%2dm%lfs", &h, &m, &sec), 3) << reply;
    return h + m / 60.0 + sec / 3600.0;
}
double DegreesOf(const std::string& reply) {
    char sign = '+';
    int d = 0, m = 0, sec = 0;
    EXPECT_EQ(std::sscanf(reply.c_str(), "ok %c%2dd%2dm%2ds", &sign, &d, &m, &sec), 4) << reply;
    return (sign == '-' ? -1 : 1) * (d + m / 60.0 + sec / 3600.0);
}

class MNCPRoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.started);
        channel.MNCPComPort.DevicePath = cable.endA();
        channel.SetMNCPMode(1);
        ASSERT_TRUE(channel.MNCPComPort.PortActive());
        hostPort.DevicePath = cable.endB();
        hostPort.OpenPort();
        host.reset();
    }

    testing::NullModem cable;
    testing::SimSystem sim{20.0};
    MNCPChannel channel{sim.system};
    TCommPort hostPort;
    MNCPHost host{hostPort, 1000, 3};
};

TEST_F(MNCPRoadTest, SyncTargetGotoAndReadBack) {
    auto& s = sim.system.state;
    ASSERT_EQ(host.command("set x_zevdatetime = 2024 3 15 3.0"), "ok \r\n");
    ASSERT_TRUE(sim.waitFor([&] { return std::fabs(s.Year - 2024.2) < 0.01 && s.StateCode == 0; }, 10000));
    const double lat = sim.system.params.Latitude;
    const double lst = s.LST;
    ASSERT_EQ(host.command("sync ra=" + FormatFixed(lst, 6) + " dec=" + FormatFixed(lat - 10, 6) + "\r"), "ok \r\n");
    ASSERT_TRUE(sim.waitFor([&] { return std::fabs(s.Dec - (lat - 10)) < 0.05 && s.StateCode == 0; }, 10000));

    double ra = lst - 0.3;
    if (ra < 0) ra += 24;
    const double dec = lat - 14;
    // Target and goto back to back: the goto waits until the target is taken.
    ASSERT_EQ(host.command("set objectra=" + FormatFixed(ra, 6) + " objectdec=" + FormatFixed(dec, 6) + "\r"),
              "ok \r\n");
    ASSERT_EQ(host.command("goto"), "ok \r\n");

    bool sawSlewing = false;
    const bool arrived = sim.waitFor([&] {
        const std::string status = host.command("status");
        const bool slewing = status == "ok pqpr\r\n" || status == "ok pqps\r\n";
        if (slewing) sawSlewing = true;
        return sawSlewing && !slewing;
    }, 120000, 200);
    ASSERT_TRUE(sawSlewing);
    ASSERT_TRUE(arrived);

    // The target is entered for the display equinox (code 6 with equinox 0):
    // the telescope's place shows it to the tenth of a second / whole arcsecond.
    EXPECT_NEAR(HoursOf(host.command("get ra")), ra, 0.01 / 15);
    EXPECT_NEAR(DegreesOf(host.command("get dec")), dec, 0.01);
}

TEST_F(MNCPRoadTest, TheHostRepeatsAPacketLeftUnanswered) {
    // The channel is off for a moment: the first packet goes unanswered and
    // the host's repetition, once the channel is back, is answered once.
    channel.SetMNCPMode(0);
    std::thread back([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        channel.SetMNCPMode(1);
    });
    const int before = host.packetsSent();
    EXPECT_EQ(host.command("device"), "ok Zev Engineering\tOrv\t18\r\n");
    back.join();
    EXPECT_GE(host.packetsSent() - before, 2);

    // Switching off while the poll waits for a byte: back within the heartbeat.
    const auto t0 = std::chrono::steady_clock::now();
    channel.SetMNCPMode(0);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_LT(ms, 1000.0);
    EXPECT_EQ(channel.MNCPAlive(), 1);
}

// Runs orvctl with `args`; its exit status, and its output in `out`.
int Orvctl(const std::string& args, std::string* out) {
    FILE* p = ::popen((std::string(ORVCTL_BINARY) + " " + args + " 2>&1").c_str(), "r");
    if (!p) return -1;
    std::string text;
    char buf[256];
    while (size_t n = std::fread(buf, 1, sizeof buf, p)) text.append(buf, n);
    const int status = ::pclose(p);
    *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(MNCPRoadTest, OrvctlSpeaksMNCP) {
    hostPort.ClosePort();   // orvctl takes the host's end of the cable
    sim.system.state.RA = 5.25;
    std::string out;
    ASSERT_EQ(Orvctl("--mncp=" + cable.endB() + " device", &out), 0) << out;
    EXPECT_EQ(out, "ok Zev Engineering\tOrv\t18\n");
    ASSERT_EQ(Orvctl("--mncp=" + cable.endB() + " get sidereal", &out), 0) << out;
    EXPECT_EQ(out, "");
    ASSERT_EQ(Orvctl("--mncp=" + cable.endB() + " fly", &out), 6) << out;
    EXPECT_EQ(out, "error 13\n");
}

}  // namespace
}  // namespace orv
