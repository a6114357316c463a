// The TCP/IP channel without sockets: cutting text into packets, parsing the
// fields, the state writes and the reply blocks.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "comm/TCPPacket.h"
#include "control/System.h"
#include "core/Clock.h"
#include "core/PortBus.h"

namespace orv {
namespace {

std::vector<std::string> Receive(TCPInput& input, const std::string& text, size_t* dropped = nullptr) {
    std::vector<std::string> packets;
    const size_t d = input.TCPReceive(text, [&](const std::string& p) {
        packets.push_back(p);
        return true;
    });
    if (dropped) *dropped = d;
    return packets;
}

TEST(TCPInputTest, CutsPacketsAndKeepsThePartialOne) {
    TCPInput in;
    EXPECT_EQ(Receive(in, "#12;#25;"), (std::vector<std::string>{"#12;", "#25;"}));
    EXPECT_TRUE(in.pending().empty());

    EXPECT_TRUE(Receive(in, "#2").empty());
    EXPECT_EQ(in.pending(), "#2");
    EXPECT_EQ(Receive(in, "5;"), (std::vector<std::string>{"#25;"}));

    // Text before "#" goes, also between packets; text without "#" is dropped whole.
    EXPECT_EQ(Receive(in, "xyz#13;junk\r\n#26;tail"), (std::vector<std::string>{"#13;", "#26;"}));
    EXPECT_TRUE(in.pending().empty());
    // A second "#" before the ";" belongs to the same packet, as the first ";" ends it.
    EXPECT_EQ(Receive(in, "#6#7;"), (std::vector<std::string>{"#6#7;"}));
}

TEST(TCPInputTest, DropsAPacketThatNeverEnds) {
    TCPInput in;
    size_t dropped = 0;
    const std::string limit = "#" + std::string(TCPMaxPendingText - 1, '1');
    EXPECT_TRUE(Receive(in, limit, &dropped).empty());
    EXPECT_EQ(dropped, 0u);
    EXPECT_EQ(in.pending().size(), TCPMaxPendingText);

    EXPECT_TRUE(Receive(in, "1", &dropped).empty());
    EXPECT_EQ(dropped, TCPMaxPendingText + 1);
    EXPECT_TRUE(in.pending().empty());
    // The rest of the over-long packet has no "#" and goes too; the next packet is whole.
    EXPECT_EQ(Receive(in, "111;#26;"), (std::vector<std::string>{"#26;"}));

    // Many complete packets in one read are not an over-long packet.
    std::string burst;
    for (int i = 0; i < 2000; ++i) burst += "#25;";
    EXPECT_EQ(Receive(in, burst, &dropped).size(), 2000u);
    EXPECT_EQ(dropped, 0u);
}

TEST(TCPPacketTest, FieldsUpToTheFirstEmptyOne) {
    auto f = ParseTCPPacket("#6,10.5,-20.25,2000;");
    EXPECT_EQ(f.count, 4);
    EXPECT_EQ(f.param[0], 6);
    EXPECT_EQ(f.param[1], 10.5);
    EXPECT_EQ(f.param[2], -20.25);
    EXPECT_EQ(f.param[3], 2000);

    f = ParseTCPPacket("#6,,5;");
    EXPECT_EQ(f.count, 1);
    EXPECT_EQ(f.param[2], 0);

    // A field without a number gives 0 and the parse goes on; "+" is not a sign.
    f = ParseTCPPacket("#6,abc,+3;");
    EXPECT_EQ(f.count, 3);
    EXPECT_EQ(f.param[1], 0);
    EXPECT_EQ(f.param[2], 3);

    f = ParseTCPPacket("#24,1,2,3,4,5,6,7,8,9,10,11,12,13;");
    EXPECT_EQ(f.count, 12);
    EXPECT_EQ(f.param[11], 11);

    EXPECT_EQ(TCPCommandCode(ParseTCPPacket("#6.9;")), 6);
    EXPECT_EQ(TCPCommandCode(ParseTCPPacket("#-1;")), -1);
    EXPECT_EQ(TCPCommandCode(ParseTCPPacket("#1e300;")), -1);
    EXPECT_EQ(TCPCommandCode(ParseTCPPacket("#;")), 0);
}

class TCPChannelTest : public ::testing::Test {
protected:
    ManualClock clock{0, true};
    RecordingBus bus;
    System sys{clock, bus, SystemOptions{".", false}};
    TCPCommandChannel channel{sys};
};

TEST_F(TCPChannelTest, ReplyBlocksInTheirFormats) {
    auto& s = sys.state;
    s.HA = -1.5; s.RA = 10.25; s.Dec = -20.125; s.Epoch = 2024.5; s.AirMass = 1.0625;
    s.LST = 8.75; s.UT = 3.5; s.Year = 2024.123;
    EXPECT_EQ(TCPPositionBlock(s),
              "#-1.500000,10.250000,-20.125000,2024.500000,1.062500,8.750000,3.500000,2024.123000;");
    s.NextRA = 11; s.NextDec = 45.5;
    EXPECT_EQ(TCPTargetBlock(s), "#11.000000,45.500000,10.250000,-20.125000,-1.500000;");
    s.StatusFlags1 = 9; s.StatusFlags2 = 0; s.StatusFlags3 = 66;
    EXPECT_EQ(*channel.ExecuteTCPPacket("#26;").reply, "#9,0,66;");

    s.ZenithDistance = 30.25; s.DomeAzimuthRad = 3.14159; s.ReportedFocus = 1031.4;
    s.NextHA = 0.5; s.NextEpoch = 2000;
    sys.params.SinLatitude = 0.6427876096865393;   // 40 degrees north
    sys.params.CosLatitude = 0.766044443118978;
    const std::string full = *channel.ExecuteTCPPacket("#29;").reply;
    EXPECT_EQ(full.rfind("#-1.500000,10.250000,-20.125000,2024.50,1.0625,30.2500,3.1,1031,"
                         "0.500000,11.000000,45.500000,2000.00,", 0), 0u) << full;
    // Every value with its own number of decimals, the last two computed for the target.
    std::vector<int> decimals;
    std::string field;
    for (char c : full.substr(1)) {
        if (c == ',' || c == ';') {
            const size_t dot = field.find('.');
            decimals.push_back(dot == std::string::npos ? 0 : int(field.size() - dot - 1));
            field.clear();
        } else {
            field += c;
        }
    }
    EXPECT_EQ(decimals, (std::vector<int>{6, 6, 6, 2, 4, 4, 1, 0, 6, 6, 6, 2, 4, 4})) << full;
    // Air mass and zenith distance of the next object (HA 0.5 h, Dec 45.5, latitude
    // 40): cos z = sin 45.5 sin 40 + cos 45.5 cos 40 cos 7.5 gives z = 7.7768 and
    // Hardie's air mass 1.0093.
    EXPECT_EQ(full.substr(full.size() - 15), ",1.0093,7.7768;") << full;
}

// Every code from -1 to 59 as a packet: which ones set the state (the original
// table and the shutter, 36), which stop, which answer, and which do nothing at
// all. The codes from 60 on are the added remote-client codes, tested with them.
TEST_F(TCPChannelTest, WhatEachCodeDoes) {
    auto& s = sys.state;
    const std::set<int> setsState = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 14, 15, 16, 17,
                                     18, 19, 20, 21, 22, 23, 24, 27, 30, 32, 33, 34, 36, 41, 42};
    const std::set<int> answers = {25, 26, 28, 29, 43, 54};
    for (int code = -1; code <= 59; ++code) {
        SCOPED_TRACE(code);
        sys.commander.take();   // the state machine takes the previous command and ends it
        s.StateCode = 0;
        s.StopRequest = 0;
        const auto reply = channel.ExecuteTCPPacket("#" + std::to_string(code) + ",7;").reply;
        EXPECT_EQ(reply.has_value(), answers.count(code) == 1);
        if (code == 13) {
            EXPECT_EQ(s.StateCode, 13);
            EXPECT_EQ(s.StopRequest, 1);
        } else if (setsState.count(code)) {
            EXPECT_EQ(s.StateCode, code);
            EXPECT_EQ(s.CommandParam[1], 7);
        } else {
            EXPECT_EQ(s.StateCode, 0);
        }
    }
}

TEST_F(TCPChannelTest, StateWritesOfCommands) {
    auto& s = sys.state;
    EXPECT_FALSE(channel.ExecuteTCPPacket("#41,2,3;").reply);
    EXPECT_EQ(s.StateCode, 41);
    EXPECT_EQ(s.CommandParam[0], 41);
    EXPECT_EQ(s.CommandParam[1], 2);
    EXPECT_EQ(s.CommandParam[2], 3);
    EXPECT_EQ(s.CommandParam[3], 0);

    // A query answers at once and leaves the arguments of the pending command alone.
    EXPECT_TRUE(channel.ExecuteTCPPacket("#25;").reply);
    EXPECT_EQ(s.CommandParam[1], 2);

    s.StateCode = 0;
    EXPECT_FALSE(channel.ExecuteTCPPacket("#-1;").reply);
    EXPECT_FALSE(channel.ExecuteTCPPacket("#31,5;").reply);
    EXPECT_EQ(s.StateCode, 0);
    EXPECT_EQ(channel.heldCount(), 0u);
}

TEST_F(TCPChannelTest, CommandsWaitForTheStateMachineButAStopDoesNot) {
    auto& s = sys.state;
    channel.ExecuteTCPPacket("#6,10.5,-20.25,2000;");
    channel.ExecuteTCPPacket("#12;");
    EXPECT_EQ(s.StateCode, 6);
    EXPECT_EQ(s.CommandParam[3], 2000);
    EXPECT_EQ(channel.heldCount(), 1u);
    EXPECT_EQ(channel.IssueHeldCommands(), 1u);   // the target is not taken yet

    s.StateCode = 0;   // the state machine took the target
    EXPECT_EQ(channel.IssueHeldCommands(), 0u);
    EXPECT_EQ(s.StateCode, 12);
    EXPECT_EQ(s.CommandParam[0], 12);
    EXPECT_EQ(s.CommandParam[1], 0);

    // While the slew runs, more commands wait; a stop goes through and discards them.
    channel.ExecuteTCPPacket("#6,1,2,2000;");
    channel.ExecuteTCPPacket("#12;");
    EXPECT_EQ(channel.heldCount(), 2u);
    channel.ExecuteTCPPacket("xyz#13;");
    EXPECT_EQ(s.StopRequest, 1);
    EXPECT_EQ(s.StateCode, 13);
    EXPECT_EQ(channel.heldCount(), 0u);

    for (size_t i = 0; i < TCPCommandChannel::MaxHeldCommands + 5; ++i) channel.ExecuteTCPPacket("#20,1;");
    EXPECT_EQ(channel.heldCount(), TCPCommandChannel::MaxHeldCommands);
}

TEST_F(TCPChannelTest, KavQueriesAnswerLaterThroughTheirHook) {
    // No link: the instrument's own "not known" at once.
    EXPECT_EQ(*channel.ExecuteTCPPacket("#43;").reply, "-9999\r");
    EXPECT_EQ(*channel.ExecuteTCPPacket("#54;", 0, [](std::string) {}).reply, "-9999\r");

    std::vector<std::string> started;
    channel.setKAVQueries({[&](TCPLateReply reply) { started.push_back("43"); reply("3\r1\r2\r5\r"); },
                           [&](TCPLateReply reply) { started.push_back("54"); reply("7\r"); }});
    std::vector<std::string> late;
    const TCPLateReply collect = [&](std::string text) { late.push_back(text); };
    const TCPAnswer all = channel.ExecuteTCPPacket("#43;", 0, collect);
    EXPECT_TRUE(all.later);
    EXPECT_FALSE(all.reply);
    EXPECT_TRUE(channel.ExecuteTCPPacket("#54;", 0, collect).later);
    EXPECT_EQ(started, (std::vector<std::string>{"43", "54"}));
    EXPECT_EQ(late, (std::vector<std::string>{"3\r1\r2\r5\r", "7\r"}));
}

TEST(TCPInputTest, HoldsThePacketsAfterOneThatAnswersLater) {
    TCPInput in;
    std::vector<std::string> seen;
    in.TCPReceive("#43;#25;#26", [&](const std::string& p) {
        seen.push_back(p);
        return p != "#43;";
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"#43;"}));
    EXPECT_EQ(in.pending(), "#25;#26");
    EXPECT_EQ(Receive(in, ";"), (std::vector<std::string>{"#25;", "#26;"}));
}

TEST(TCPInputTest, AStopOvertakesThePacketsWaitingBeforeIt) {
    TCPInput in;
    // Nothing to overtake: the text waits whole.
    EXPECT_FALSE(in.TakeStop("#6,1,2,2000;#25;", TCPIsStopPacket, TCPReadsOnly));
    EXPECT_EQ(in.pending(), "#6,1,2,2000;#25;");
    // The commands before the last stop go; the queries stay in order, then what followed the stop.
    const auto taken = in.TakeStop("#13;#41,0,5;#60;#13,1;#26;#12", TCPIsStopPacket, TCPReadsOnly);
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->stop, "#13,1;");
    EXPECT_EQ(taken->discarded, 3u);   // '#6', the first '#13' and '#41'
    EXPECT_EQ(in.pending(), "#25;#60;#26;#12");
}

TEST_F(TCPChannelTest, PacketsGoToTheCommunicationLog) {
    channel.ExecuteTCPPacket("#26;");
    EXPECT_TRUE(sys.log.FlushLog().empty());
    sys.log.setCommLogging(true);
    channel.ExecuteTCPPacket("#26;");
    EXPECT_EQ(sys.log.FlushLog(), (std::vector<std::string>{"TCP/IP Packet: #26;"}));
}

}  // namespace
}  // namespace orv
