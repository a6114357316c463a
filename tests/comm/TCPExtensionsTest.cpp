// The codes added to the TCP/IP channel: their replies, and an old host that
// never sends them seeing the channel as before.

#include "comm/TCPExtensions.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "comm/TCPExtendedProtocol.h"
#include "comm/TCPPacket.h"
#include "control/RemotePaddle.h"
#include "control/System.h"
#include "core/PortBus.h"

namespace orv {
namespace {

std::vector<std::string> Fields(const std::string& reply) {
    EXPECT_EQ(reply.front(), '#');
    EXPECT_EQ(reply.back(), ';');
    std::vector<std::string> out;
    std::stringstream in(reply.substr(1, reply.size() - 2));
    for (std::string f; std::getline(in, f, ',');) out.push_back(f);
    return out;
}

class TCPExtensionsTest : public ::testing::Test {
protected:
    ManualClock clock{0, false};
    RecordingBus bus;
    System sys{clock, bus, SystemOptions{".", false}};
    TCPCommandChannel channel{sys};
};

TEST_F(TCPExtensionsTest, ExtendedStatusHasEveryFieldInItsPlace) {
    auto& s = sys.state;
    s.ApparentRA = 3.0;
    s.ApparentDec = -100.0;   // read through the pole: folded to -80 on the other side
    s.RA = 23.999999999;
    s.Dec = 45.25;
    s.Epoch = 2026.5;
    s.Year = 2026.93;
    s.Month = 12;
    s.Day = 8;
    s.UT = 21.125;
    s.FocusReading = 1400.04;
    s.DomeAzimuth = 123.4567891;
    s.ShutterState = shutter::Closing;
    s.ActiveTrackRateRA = 15.041;
    s.InterlockOpen = 1;
    s.InhibitWest = 1;
    s.StatusFlags1 = 0x80;
    sys.params.Longitude = 7.0;   // hours west
    s.StateCode = 12;             // a slew runs: the next two commands are held
    channel.ExecuteTCPPacket("#6,1,2,2000;", 5);
    channel.ExecuteTCPPacket("#12;", 5);

    const auto f = Fields(*channel.ExecuteTCPPacket("#60;", 5).reply);
    ASSERT_EQ(f.size(), size_t(tcpx::FieldCount));
    EXPECT_EQ(f[tcpx::FieldCode], "60");
    EXPECT_EQ(f[tcpx::ApparentRA], "15.000000");
    EXPECT_EQ(f[tcpx::ApparentDec], "-80.000000");
    EXPECT_EQ(f[tcpx::MeanRA], "0.000000") << "RA stays within 0 ... 24";
    EXPECT_EQ(f[tcpx::MeanDec], "45.250000");
    EXPECT_EQ(f[tcpx::MeanEpoch], "2026.500000");
    EXPECT_EQ(f[tcpx::UTYear] + "-" + f[tcpx::UTMonth] + "-" + f[tcpx::UTDay], "2026-12-8");
    EXPECT_EQ(f[tcpx::UTHours], "21.125000");
    EXPECT_EQ(f[tcpx::FocusReading], "1400.0");
    EXPECT_EQ(f[tcpx::DomeAzimuth], "123.456789");
    EXPECT_EQ(f[tcpx::DomeHomeAzimuth], "270.000000");
    EXPECT_EQ(f[tcpx::ShutterState], "3");
    EXPECT_EQ(f[tcpx::TrackingOn], "1");
    EXPECT_EQ(f[tcpx::ActiveTrackRateRA], "15.0410");
    EXPECT_EQ(f[tcpx::Longitude], "105.000000");
    EXPECT_EQ(f[tcpx::InterlockOpen], "1");
    EXPECT_EQ(f[tcpx::InhibitWest], "1");
    EXPECT_EQ(f[tcpx::InhibitEast], "0");
    EXPECT_EQ(f[tcpx::StateCode], "12");
    EXPECT_EQ(f[tcpx::HeldCommands], "2");
    EXPECT_EQ(f[tcpx::StopGeneration], "0");
    EXPECT_EQ(f[tcpx::StatusWord1], "128");
    EXPECT_EQ(f[tcpx::TimeScale], "1.000");

    channel.ExecuteTCPPacket("#13;", 5);   // the stop discards the held commands and counts
    const auto g = Fields(*channel.ExecuteTCPPacket("#60;", 5).reply);
    EXPECT_EQ(g[tcpx::HeldCommands], "0");
    EXPECT_EQ(g[tcpx::StopGeneration], "1");
    EXPECT_EQ(g[tcpx::StateCode], "13");
}

TEST_F(TCPExtensionsTest, RemotePaddleCodesAnswerWithTheClientsPaddleByte) {
    EXPECT_EQ(*channel.ExecuteTCPPacket("#61,4,1;", 1).reply, "#61,68;");   // north at set speed
    EXPECT_EQ(*channel.ExecuteTCPPacket("#61,2,1;", 1).reply, "#61,68;") << "not a direction: refused, press kept";
    EXPECT_EQ(*channel.ExecuteTCPPacket("#61,8,3;", 1).reply, "#61,68;") << "no such speed: refused";
    EXPECT_EQ(*channel.ExecuteTCPPacket("#63,16,500;", 2).reply, "#63,16;");   // another client pulses east
    EXPECT_EQ(*channel.ExecuteTCPPacket("#62;", 2).reply, "#62,16;");
    EXPECT_EQ(Fields(*channel.ExecuteTCPPacket("#60;", 1).reply)[tcpx::ClientPaddleByte], "68");

    clock.advance(999);
    EXPECT_EQ(*channel.ExecuteTCPPacket("#62;", 1).reply, "#62,68;");
    clock.advance(999);
    EXPECT_EQ(*channel.ExecuteTCPPacket("#62;", 1).reply, "#62,68;");
    EXPECT_EQ(*channel.ExecuteTCPPacket("#62;", 2).reply, "#62,0;") << "the pulse has ended";

    channel.ExecuteTCPPacket("#13;", 3);   // any client's stop
    EXPECT_EQ(*channel.ExecuteTCPPacket("#62;", 1).reply, "#62,0;");
    EXPECT_EQ(*channel.ExecuteTCPPacket("#61,36,2;", 1).reply, "#61,164;");   // north-west at slew speed
    channel.ClientGone(1);
    EXPECT_EQ(sys.remotePaddle->RemotePaddleByte(clock.nowMs(), RemotePaddleSafety(sys)), 0);
}

TEST_F(TCPExtensionsTest, ShutterDomeStopAndFocusStop) {
    auto& s = sys.state;
    EXPECT_FALSE(channel.ExecuteTCPPacket("#36,1;").reply);
    EXPECT_EQ(s.StateCode, 36);
    EXPECT_EQ(s.CommandParam[1], 1);

    s.DomeOn = 1;
    s.StopRequest = 0;
    EXPECT_EQ(*channel.ExecuteTCPPacket("#64;").reply, "#64;");
    EXPECT_EQ(s.DomeOn, 0);
    EXPECT_EQ(*channel.ExecuteTCPPacket("#65;").reply, "#65;");
    EXPECT_EQ(s.FocusStopRequest, 1);
    EXPECT_EQ(s.StopRequest, 0) << "neither stops the mount";
    EXPECT_EQ(s.StateCode, 36) << "both act at once, behind a busy state machine";
}

TEST_F(TCPExtensionsTest, AnOldHostSeesTheChannelAsBefore) {
    auto& s = sys.state;
    s.StatusFlags1 = 9;
    s.StatusFlags2 = 0;
    s.StatusFlags3 = 66;
    EXPECT_EQ(*channel.ExecuteTCPPacket("#26;").reply, "#9,0,66;");
    for (int code = -1; code <= 120; ++code) {
        if (TCPKindOf(code) != TCPCodeKind::None) continue;
        if (code >= tcpx::ExtendedStatusCode && code <= tcpx::FocusStopCode) continue;
        EXPECT_FALSE(channel.ExecuteTCPPacket("#" + std::to_string(code) + ",4,1;").reply) << code;
    }
    EXPECT_EQ(s.StateCode, 0);
    EXPECT_EQ(s.DomeOn, 0);
    EXPECT_EQ(sys.remotePaddle->RemotePaddleByte(0, RemotePaddleSafety(sys)), 0);
}

}  // namespace
}  // namespace orv
