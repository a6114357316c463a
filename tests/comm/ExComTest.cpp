// The ExCom channel: the number reader on byte strings, then the command table
// and the reply blocks over a pseudo-terminal, with the poll driven by the test
// on a system whose threads are not running (so StateCode stays as written).

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "PtyPair.h"
#include "comm/ExCom.h"
#include "core/Clock.h"
#include "core/PortBus.h"
#include "control/System.h"

namespace orv {
namespace {

using testing::PtyPair;

// The numbers of `text`, read one after another until the text is used up.
std::vector<double> ReadAll(const std::string& text, size_t* consumed = nullptr) {
    size_t pos = 0;
    ByteSource next = [&]() -> uint8_t {
        if (pos >= text.size()) throw std::out_of_range("end of text");
        return uint8_t(text[pos++]);
    };
    std::vector<double> numbers;
    try {
        for (;;) numbers.push_back(ExComReadNumber(next));
    } catch (const std::out_of_range&) {
    }
    if (consumed) *consumed = pos;
    return numbers;
}

TEST(ExComReader, NumbersAsHostsSendThem) {
    EXPECT_EQ(ReadAll("6 12.5 -30.25 2000\r"), (std::vector<double>{6, 12.5, -30.25, 2000}));
    // A sign directly before the digits counts, one separated from them does not.
    EXPECT_EQ(ReadAll("-12.5\r- 12.5\r1.5E3\r+7 .5\n"), (std::vector<double>{-12.5, 12.5, 1500, 7, 0.5}));
    // Letters, NUL bytes and line ends all separate numbers.
    EXPECT_EQ(ReadAll(std::string("x1\0002,3\n", 7)), (std::vector<double>{1, 2, 3}));
    // Two dots end a number and the second is consumed.
    EXPECT_EQ(ReadAll("1..5 "), (std::vector<double>{1, 5}));
    // The separator is always '.'.
    EXPECT_EQ(ReadAll("1,5 "), (std::vector<double>{1, 5}));
    // Longer than 128 characters: the rest of the digits are dropped.
    EXPECT_DOUBLE_EQ(ReadAll("1" + std::string(199, '0') + " ").at(0), 1e127);
}

TEST(ExComReader, CtrlZGivesZeroAtOnce) {
    size_t consumed = 0;
    // While looking for a number: 0 at once, the bytes after it not read.
    ByteSource one = [n = 0]() mutable -> uint8_t {
        if (n++ > 0) throw std::logic_error("read past Ctrl-Z");
        return ExComCtrlZ;
    };
    EXPECT_EQ(ExComReadNumber(one), 0.0);
    // Inside a number it ends the number.
    EXPECT_EQ(ReadAll("12\x1a" "3 ", &consumed), (std::vector<double>{12, 3}));
}

TEST(ExComReader, ATextThatIsNoNumberFails) {
    for (const std::string text : {"5-3 ", "1e ", "1e5e5 ", "1E999 ", "+-5 "}) {
        size_t pos = 0;
        ByteSource next = [&]() -> uint8_t { return uint8_t(pos < text.size() ? text[pos++] : ' '); };
        EXPECT_THROW(ExComReadNumber(next), ExComNumberError) << text;
    }
}

TEST(ExComReader, CommandNumbersRoundHalvesToEven) {
    EXPECT_EQ(ExComCommandNumber(6.4), 6);
    EXPECT_EQ(ExComCommandNumber(6.5), 6);
    EXPECT_EQ(ExComCommandNumber(7.5), 8);
    EXPECT_EQ(ExComCommandNumber(12.0), 12);
    EXPECT_EQ(ExComCommandNumber(-0.4), 0);
    EXPECT_EQ(ExComCommandNumber(1e300), -1);
    EXPECT_EQ(ExComCommandNumber(-5), -1);
}

class ExComChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        sys.log.setCommLogging(true);
        sys.params.SinLatitude = 0.6427876096865393;   // 40 degrees north
        sys.params.CosLatitude = 0.766044443118978;
        channel.ExComPort.DevicePath = pty.path();
        channel.SetExComMode(1);
        ASSERT_TRUE(channel.ExComPort.PortActive());
    }

    // Sends `bytes` and runs one poll pass.
    void pass(const std::string& bytes) {
        pty.write(bytes);
        channel.ExComPoll();
    }

    // Fills the values of the reply blocks.
    void place() {
        auto& s = sys.state;
        s.HA = -1.5; s.RA = 10.25; s.Dec = -20.125; s.Epoch = 2024.5; s.AirMass = 1.0625;
        s.LST = 8.75; s.UT = 3.5; s.Year = 2024.123;
        s.NextRA = 11; s.NextDec = 45.5;
    }

    PtyPair pty;
    RealClock clock{20.0};
    RecordingBus bus;
    System sys{clock, bus, SystemOptions{".", false}};
    ExComChannel channel{sys};
};

TEST_F(ExComChannelTest, ACommandWithItsArguments) {
    auto& s = sys.state;
    pass("6 12.5 -30.25 2000\r");
    EXPECT_EQ(s.StateCode, 6);
    EXPECT_EQ(s.CommandParam[1], 12.5);
    EXPECT_EQ(s.CommandParam[2], -30.25);
    EXPECT_EQ(s.CommandParam[3], 2000);
    EXPECT_EQ(sys.log.FlushLog(), (std::vector<std::string>{"ExCom Command: 6.00"}));

    // Command numbers are rounded, halves to even: 6.5 loads a target, 7.5 is code 8.
    s.StateCode = 0;
    pass("6.5 1 2 3\r");
    EXPECT_EQ(s.StateCode, 6);
    s.StateCode = 0;
    pass("7.5 9\r");
    EXPECT_EQ(s.StateCode, 8);
    EXPECT_EQ(s.CommandParam[1], 9);

    // Ctrl-Z while an argument is awaited makes it 0 and the command goes.
    s.StateCode = 0;
    pass("2 \x1a");
    EXPECT_EQ(s.StateCode, 2);
    EXPECT_EQ(s.CommandParam[1], 0);
}

TEST_F(ExComChannelTest, AFailedCommandLeavesEverythingAsItWas) {
    auto& s = sys.state;
    s.CommandParam[1] = 77;
    pass("6 5-3\r");
    EXPECT_EQ(s.StateCode, 0);
    EXPECT_EQ(s.CommandParam[1], 77);
    // The next pass starts with a new command number.
    pass("10\r");
    EXPECT_EQ(s.StateCode, 10);

    // Unknown numbers are logged and do nothing.
    s.StateCode = 0;
    sys.log.FlushLog();
    pass("31\r");
    pass("99\r");
    EXPECT_EQ(s.StateCode, 0);
    EXPECT_EQ(sys.log.FlushLog(), (std::vector<std::string>{"ExCom Command: 31.00", "ExCom Command: 99.00"}));
    EXPECT_EQ(pty.readFor(30), "");
}

TEST_F(ExComChannelTest, ReplyBlocksByteForByteAndQueriesLeaveStateCodeAlone) {
    auto& s = sys.state;
    place();
    // A slew the state machine has not taken yet.
    s.StateCode = 12;
    pass("25\r");
    EXPECT_EQ(pty.read(96), "  -1.500000\r  10.250000\r -20.125000\r2024.500000\r"
                            "   1.062500\r   8.750000\r   3.500000\r2024.123000\r");
    pass("28\r");
    EXPECT_EQ(pty.read(60), "  11.000000\r  45.500000\r  10.250000\r -20.125000\r  -1.500000\r");

    s.ZenithDistance = 30.25; s.DomeAzimuthRad = 3.14159; s.ReportedFocus = 1031.4;
    s.NextHA = 0; s.NextDec = 40; s.NextEpoch = 2000;   // the target in the zenith
    pass("29\r");
    EXPECT_EQ(pty.read(200, 500), "  -1.500000\r  10.250000\r -20.125000\r2024.50\r   1.0625\r  30.2500\r"
                                  "   3.1\r1031\r   0.000000\r  11.000000\r  40.000000\r2000.00\r"
                                  "   1.0000\r   0.0000\r");

    s.StatusFlags1 = 9; s.StatusFlags2 = 0; s.StatusFlags3 = 66;
    pass("26\r");
    EXPECT_EQ(pty.read(7), "9\r0\r66\r");
    // The KAV texts until the KAV link answers them.
    pass("43\r");
    pass("44\r");
    EXPECT_EQ(pty.read(12), "-9999\r-9999\r");
    EXPECT_EQ(s.StateCode, 12);
}

TEST_F(ExComChannelTest, CommandsWaitForTheStateMachineAndAStopDropsThem) {
    auto& s = sys.state;
    pass("6 1 2 2000\r12\r");
    EXPECT_EQ(s.StateCode, 6);
    // The slew waits behind the target; the channel reads on meanwhile.
    pass("");
    EXPECT_EQ(s.StateCode, 6);
    s.StateCode = 0;   // the state machine took the target
    pass("25\r");      // the next pass offers the slew before it reads
    EXPECT_EQ(s.StateCode, 12);
    pty.read(96);

    // A stop goes at once and drops what waits.
    pass("10\r");
    pass("13\r");
    EXPECT_EQ(s.StopRequest, 1);
    EXPECT_EQ(s.StateCode, 13);
    s.StateCode = 0;
    s.StopRequest = 0;
    pass("25\r");
    EXPECT_EQ(s.StateCode, 0) << "code 10 ran after the stop";
}

TEST_F(ExComChannelTest, SwitchingOffEndsTheChannel) {
    channel.SetExComMode(0);
    EXPECT_EQ(channel.ExComMode(), 0);
    EXPECT_FALSE(channel.ExComPort.PortActive());
    // Off: a pass waits and beats without reading.
    pty.write("12\r");
    channel.ExComPoll();
    EXPECT_EQ(channel.ExComAlive(), 1);
    EXPECT_EQ(sys.state.StateCode, 0);

    // A port that cannot be opened: the error reaches the caller, the mode is set.
    channel.ExComPort.DevicePath = "/dev/orv-no-such-line";
    EXPECT_THROW(channel.SetExComMode(1), EOpenComError);
    EXPECT_EQ(channel.ExComMode(), 1);
    channel.ExComPoll();   // fails at once, quietly
    EXPECT_EQ(channel.ExComAlive(), 1);
}

}  // namespace
}  // namespace orv
