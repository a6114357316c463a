// The MNCP channel on byte strings: frames, check bytes and stuffing, the
// command table, repetitions and resets, and bad frames of every kind. The
// expected packets were computed apart from this code, byte by byte from the
// protocol's rules; the wire example is the protocol's own.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "comm/MNCP.h"
#include "core/Clock.h"
#include "core/PortBus.h"
#include "control/System.h"

namespace orv {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Hex(const std::string& text) {
    Bytes out;
    for (size_t i = 0; i + 1 < text.size(); i += 3) out.push_back(uint8_t(std::stoi(text.substr(i, 2), nullptr, 16)));
    return out;
}

// The packet a host sends: address 1, type 1.
Bytes Command(int sequence, const std::string& text) { return *BuildPacket(1, MNCPCommand, sequence, text); }

TEST(MNCPLink, TheWireExample) {
    EXPECT_EQ(Command(1, "goto\r"), Hex("10 02 01 11 67 6F 74 6F 0D AC 79 10 03"));
    EXPECT_EQ(*BuildPacket(1, MNCPReplyText, 1, "ok \r\n"), Hex("10 02 01 13 6F 6B 20 0D 0A 01 D8 10 03"));
    EXPECT_EQ(*BuildPacket(1, MNCPReplyEmpty, 0, ""), Hex("10 02 01 02 F8 04 10 03"));
    // A DLE in the payload goes twice.
    EXPECT_EQ(Command(4, "x\x10y"), Hex("10 02 01 41 78 10 10 79 AE 0D 10 03"));

    const Bytes body = Hex("01 11 67 6F 74 6F 0D AC 79");
    EXPECT_TRUE(MNCPFrameSumOK(body.data(), body.size()));
    Bytes bad = body;
    bad[3] ^= 1;
    EXPECT_FALSE(MNCPFrameSumOK(bad.data(), bad.size()));
}

TEST(MNCPLink, PacketsThatDoNotFit) {
    EXPECT_TRUE(BuildPacket(1, MNCPReplyText, 1, std::string(254, 'a')));
    EXPECT_FALSE(BuildPacket(1, MNCPReplyText, 1, std::string(255, 'a')));
    // 254 DLEs stuff to 508 payload bytes: with framing more than the 512 a packet may have.
    EXPECT_FALSE(BuildPacket(1, MNCPReplyText, 1, std::string(254, '\x10')));
    const auto most = BuildPacket(1, MNCPReplyText, 1, std::string(250, '\x10'));
    ASSERT_TRUE(most);
    EXPECT_LE(most->size(), MNCPPacketCapacity);
}

// Feeds bytes; the frames they complete, unstuffed.
std::vector<Bytes> Receive(MNCPReceiver& rx, const Bytes& bytes) {
    std::vector<Bytes> frames;
    for (uint8_t b : bytes)
        if (const auto n = rx.ReceiveByte(b)) frames.emplace_back(rx.RxBuffer.begin(), rx.RxBuffer.begin() + *n);
    return frames;
}

TEST(MNCPLink, ReceivingUnstuffsAndDropsWhatIsNoFrame) {
    MNCPReceiver rx;
    EXPECT_EQ(Receive(rx, Hex("10 02 01 41 78 10 10 79 AE 0D 10 03")),
              (std::vector<Bytes>{Hex("01 41 78 10 79 AE 0D")}));
    // A lone DLE before another byte drops both.
    EXPECT_EQ(Receive(rx, Hex("10 02 01 41 78 10 55 79 10 03")), (std::vector<Bytes>{Hex("01 41 78 79")}));
    // DLE ETX outside a frame ends nothing; bytes before DLE STX do not count.
    EXPECT_TRUE(Receive(rx, Hex("41 42 10 03")).empty());
    EXPECT_EQ(Receive(rx, Hex("41 10 02 01 10 03")), (std::vector<Bytes>{Hex("01")}));
    // 300 bytes without DLE ETX: the frame is lost at 258 and no frame ends it.
    Bytes longFrame = Hex("10 02");
    longFrame.insert(longFrame.end(), 300, 0x41);
    longFrame.insert(longFrame.end(), {0x10, 0x03});
    EXPECT_TRUE(Receive(rx, longFrame).empty());
    EXPECT_EQ(Receive(rx, Command(1, "goto\r")).size(), 1u);
}

TEST(MNCPFormats, HoursAndDegrees) {
    EXPECT_EQ(MNCPHourText(12.5), "12h30m00.0s");
    EXPECT_EQ(MNCPHourText(5.25), "05h15m00.0s");
    EXPECT_EQ(MNCPHourText(0.0), "00h00m00.0s");
    EXPECT_EQ(MNCPHourText(1.0 + 2.0 / 60 + 3.45 / 3600), "01h02m03.5s");
    EXPECT_EQ(MNCPHourText(-1.5), "-01h30m00.0s");
    EXPECT_EQ(MNCPHourText(-0.000001), "00h00m00.0s");   // rounds to zero: no sign
    EXPECT_EQ(MNCPHourText(23.99999999, MNCPMaxRATenths), "23h59m59.9s");
    EXPECT_EQ(MNCPHourText(24.0, MNCPMaxRATenths), "23h59m59.9s");
    EXPECT_EQ(MNCPHourText(150.0), "99h59m59.9s");
    EXPECT_EQ(MNCPDegreeText(-30.5), "-30d30m00s");
    EXPECT_EQ(MNCPDegreeText(45.0), "+45d00m00s");
    EXPECT_EQ(MNCPDegreeText(10.0 + 20.0 / 60 + 30.94 / 3600), "+10d20m30s");   // tenths dropped
    EXPECT_EQ(MNCPDegreeText(0.0), "+00d00m00s");
}

class MNCPChannelTest : public ::testing::Test {
protected:
    // Feeds `bytes`; what the channel wrote back.
    Bytes feed(const Bytes& bytes) {
        Bytes out;
        for (uint8_t b : bytes)
            channel.MNCPHandleByte(b, [&](const uint8_t* p, size_t n) { out.insert(out.end(), p, p + n); });
        return out;
    }
    Bytes send(int sequence, const std::string& text) { return feed(Command(sequence, text)); }
    // The text of a reply packet with `sequence`, after checking its frame.
    std::string replyText(const Bytes& reply, int sequence) {
        MNCPReceiver rx;
        const auto frames = Receive(rx, reply);
        EXPECT_EQ(frames.size(), 1u);
        if (frames.size() != 1) return "<no frame>";
        EXPECT_TRUE(MNCPFrameSumOK(frames[0].data(), frames[0].size()));
        const auto f = SplitFrame(frames[0].data(), frames[0].size());
        EXPECT_EQ(f->address, 1);
        EXPECT_EQ(f->sequence, sequence);
        EXPECT_EQ(f->type, f->payload.empty() ? MNCPReplyEmpty : MNCPReplyText);
        return std::string(f->payload);
    }

    ManualClock clock{0, true};
    RecordingBus bus;
    System sys{clock, bus, SystemOptions{".", false}};
    MNCPChannel channel{sys};
};

TEST_F(MNCPChannelTest, TheWireExampleSlews) {
    EXPECT_EQ(feed(Hex("10 02 01 11 67 6F 74 6F 0D AC 79 10 03")), Hex("10 02 01 13 6F 6B 20 0D 0A 01 D8 10 03"));
    EXPECT_EQ(sys.state.StateCode, 12);
}

TEST_F(MNCPChannelTest, RepetitionsAndResets) {
    auto& s = sys.state;
    s.RA = 5.25;
    EXPECT_EQ(send(2, "get ra"), Hex("10 02 01 23 6F 6B 20 30 35 68 31 35 6D 30 30 2E 30 73 0D 0A 4E A7 10 03"));

    // The same goto twice: one slew, two identical answers.
    const Bytes first = send(3, "goto");
    EXPECT_EQ(s.StateCode, 12);
    s.StateCode = 0;
    EXPECT_EQ(send(3, "goto"), first);
    EXPECT_EQ(s.StateCode, 0);

    // Reset: an empty reply with sequence 0, and sequence 0 is then a repetition.
    EXPECT_EQ(feed(*BuildPacket(1, MNCPReset, 5, "")), Hex("10 02 01 02 F8 04 10 03"));
    EXPECT_EQ(channel.MNCPSequence(), 0);
    EXPECT_EQ(send(0, "goto"), Hex("10 02 01 02 F8 04 10 03"));
    EXPECT_EQ(s.StateCode, 0);
    // Right after start the stored packet is the same empty reply.
    MNCPChannel fresh(sys);
    Bytes out;
    for (uint8_t b : Command(0, "goto"))
        fresh.MNCPHandleByte(b, [&](const uint8_t* p, size_t n) { out.insert(out.end(), p, p + n); });
    EXPECT_EQ(out, Hex("10 02 01 02 F8 04 10 03"));
}

TEST_F(MNCPChannelTest, Queries) {
    auto& s = sys.state;
    s.Dec = -30.5;
    s.HA = -1.5;
    s.ReportedFocus = 1200.25;
    s.TrackRateRA = 15.041;
    s.TrackRateDec = -0.5;
    // An empty reply without text: type 2 with the host's sequence number.
    EXPECT_EQ(send(3, "get sidereal"), Hex("10 02 01 32 98 34 10 03"));
    EXPECT_EQ(replyText(send(1, "get dec"), 1), "ok -30d30m00s\r\n");
    EXPECT_EQ(replyText(send(2, "get ha"), 2), "ok -01h30m00.0s\r\n");
    EXPECT_EQ(replyText(send(3, "get x_zevfocus"), 3), "ok 1200.250\r\n");
    EXPECT_EQ(replyText(send(4, "get x_zevtrackrates"), 4), "ok 15.041 -0.500\r\n");
    EXPECT_EQ(replyText(send(5, "device"), 5), "ok Zev Engineering\tOrv\t18\r\n");

    const std::pair<uint32_t, const char*> states[] = {
        {0, "ok pqpp\r\n"}, {status1::TrackingSwitch, "ok pqpq\r\n"},
        {status1::Slewing, "ok pqpr\r\n"}, {status1::TrackingSwitch | status1::Slewing, "ok pqps\r\n"}};
    int seq = 6;
    for (const auto& [flags, text] : states) {
        s.StatusFlags1 = flags | status1::Initialized;
        EXPECT_EQ(replyText(send(seq, "status"), seq), text);
        ++seq;
    }
    s.StatusFlags1 = status1::Slewing;
    EXPECT_EQ(replyText(send(10, "get flag 1"), 10), "ok 1\r\n");
    EXPECT_EQ(replyText(send(11, "get flag"), 11), "ok \r\n");
}

TEST_F(MNCPChannelTest, UnsupportedCommandsAndNames) {
    sys.log.setCommLogging(true);
    EXPECT_EQ(replyText(send(1, "get objectra"), 1), "error 14\r\n");
    EXPECT_EQ(replyText(send(2, "fly"), 2), "error 13\r\n");
    EXPECT_EQ(sys.log.FlushLog(), (std::vector<std::string>{
                                      "MNCP Packet: get objectra",
                                      "MNCP Error: Unsupported identifier for ''get'' command",
                                      "MNCP Packet: fly", "MNCP Error: Unsupported command"}));
    // Errors are logged whether or not communication logging is on.
    sys.log.setCommLogging(false);
    send(3, "get objectdec");
    EXPECT_EQ(sys.log.FlushLog(),
              (std::vector<std::string>{"MNCP Error: Unsupported identifier for ''get'' command"}));
    EXPECT_EQ(sys.state.StateCode, 0);
}

TEST_F(MNCPChannelTest, CommandsWithNumbers) {
    auto& s = sys.state;
    auto taken = [&](int code) {
        EXPECT_EQ(s.StateCode, code);
        s.StateCode = 0;
    };
    EXPECT_EQ(replyText(send(1, "set objectra=10.5 objectdec=-20.25\r"), 1), "ok \r\n");
    taken(6);
    EXPECT_EQ(s.CommandParam[1], 10.5);
    EXPECT_EQ(s.CommandParam[2], -20.25);
    EXPECT_EQ(s.CommandParam[3], 0);

    // No "dec=": the declination of the last sync or set stays.
    send(2, "sync ra=1.0\r");
    taken(3);
    EXPECT_EQ(s.CommandParam[1], 1.0);
    EXPECT_EQ(s.CommandParam[2], -20.25);

    send(3, "set x_zevdatetime = 2024 3 15 4.5");
    taken(1);
    EXPECT_EQ(s.CommandParam[1], 2024);
    EXPECT_EQ(s.CommandParam[2], 3);
    EXPECT_EQ(s.CommandParam[3], 15);
    EXPECT_EQ(s.CommandParam[4], 4.5);

    s.AuxTrackRateRA = 0.25;
    s.AuxTrackRateDec = -0.125;
    send(4, "set x_zevtrackrates = 15.1 0.5");
    taken(14);
    EXPECT_EQ(s.CommandParam[1], 15.1);
    EXPECT_EQ(s.CommandParam[2], 0.5);
    EXPECT_EQ(s.CommandParam[3], 0.25);
    EXPECT_EQ(s.CommandParam[4], -0.125);

    send(5, "set x_zevfocus 1200");
    taken(27);
    EXPECT_EQ(s.CommandParam[1], 1200);

    send(6, "move east");
    EXPECT_EQ(s.StateCode, 0);
    send(7, "stop");
    EXPECT_EQ(s.StopRequest, 1);
    taken(13);
}

TEST_F(MNCPChannelTest, BadFramesGetNoReplyAndTheNextGoodOneIsAnswered) {
    Bytes wrongSum = Command(1, "goto");
    wrongSum[5] ^= 0x01;
    Bytes wrongAddress = *BuildPacket(2, MNCPCommand, 1, "goto");
    Bytes unknownType = *BuildPacket(1, 7, 1, "goto");
    Bytes tooShort = Hex("10 02 10 03");
    Bytes unended = Hex("10 02");
    unended.insert(unended.end(), 300, 'a');
    for (const Bytes& bad : {wrongSum, wrongAddress, unknownType, tooShort, unended}) {
        EXPECT_TRUE(feed(bad).empty());
        EXPECT_EQ(sys.state.StateCode, 0);
        EXPECT_FALSE(feed(Command(2, "status")).empty());
        channel.MNCPInit();
    }

    // Random bytes: nothing breaks, and a good frame is answered at the latest when
    // the host repeats it (a DLE left pending may eat the first one's start).
    std::mt19937 random(17);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 20; ++round) {
        Bytes noise(50000);
        for (auto& b : noise) b = uint8_t(byte(random));
        feed(noise);
        sys.state.StateCode = 0;
        sys.state.StopRequest = 0;
        const int seq = round % 15 + 1 == channel.MNCPSequence() ? (round + 1) % 15 + 1 : round % 15 + 1;
        Bytes reply = send(seq, "device");
        if (reply.empty()) reply = send(seq, "device");
        EXPECT_EQ(replyText(reply, seq), "ok Zev Engineering\tOrv\t18\r\n") << round;
    }
}

}  // namespace
}  // namespace orv
