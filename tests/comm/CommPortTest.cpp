// The serial layer on pseudo-terminals: which device a port is, exclusive
// opening, line settings Linux can and cannot give, blocking reads that
// closing and the program's stop end, and the number helpers.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "PtyPair.h"
#include "comm/serial/CommPort.h"
#include "comm/serial/PortHelpers.h"

namespace orv {
namespace {

using Steady = std::chrono::steady_clock;
using testing::PtyPair;

double MsSince(Steady::time_point t0) {
    return std::chrono::duration<double, std::milli>(Steady::now() - t0).count();
}

TEST(CommPortNames, OrdinalsNamesAndDevices) {
    EXPECT_EQ(PortOrdinalName(0), "Com1");
    EXPECT_EQ(PortOrdinalName(9), "Com10");
    EXPECT_EQ(PortOrdinalName(255), "Com256");
    EXPECT_EQ(PortOrdinalName(tptNone), "None");
    EXPECT_EQ(PortOrdinalOf("Com1"), 0);
    EXPECT_EQ(PortOrdinalOf("Com10"), 9);
    EXPECT_EQ(PortOrdinalOf("Com256"), 255);
    EXPECT_EQ(PortOrdinalOf("None"), tptNone);
    for (const char* bad : {"Com0", "Com257", "Com01", "com1", "COM1", "Com", "/dev/ttyS0"})
        EXPECT_EQ(PortOrdinalOf(bad), -1) << bad;
    EXPECT_EQ(PortOrdinalDevice(0), "/dev/ttyS0");
    EXPECT_EQ(PortOrdinalDevice(9), "/dev/ttyS9");
    EXPECT_EQ(PortOrdinalDevice(tptNone), "");

    TCommPort port;
    port.Port = 8;
    EXPECT_EQ(port.PortName(), "Com9");
    EXPECT_EQ(port.DeviceToOpen(), "/dev/ttyS8");
    port.DevicePath = "/dev/ttyUSB0";   // a path given for the channel wins
    EXPECT_EQ(port.PortName(), "/dev/ttyUSB0");
    EXPECT_EQ(port.DeviceToOpen(), "/dev/ttyUSB0");

    EXPECT_EQ(BaudRateValue(tbr9600), 9600u);
    EXPECT_EQ(BaudRateValue(tbr14400), 14400u);
    EXPECT_EQ(BaudRateValue(tbr115200), 115200u);
    EXPECT_EQ(BaudRateValue(13), 9600u);
    EXPECT_EQ(BaudRateValue(-1), 9600u);
}

TEST(CommPort, NoneOpensNothingAndAClosedPortNeitherReadsNorWrites) {
    TCommPort port;
    port.OpenPort();
    EXPECT_FALSE(port.PortActive());
    EXPECT_FALSE(port.CanOpen());
    EXPECT_EQ(port.WriteText("25\r"), 0u);
    EXPECT_EQ(port.InputCount(), 0u);
    EXPECT_THROW(port.ReadByte(), ESilentAbort);
}

TEST(CommPort, BytesBothWaysAndAZeroByteReadsAsZero) {
    PtyPair pty;
    TCommPort port;
    port.DevicePath = pty.path();
    port.SetPortActive(true);
    ASSERT_TRUE(port.PortActive());

    pty.write(std::string("A\0\x1a", 3));
    EXPECT_EQ(port.ReadByte(), 'A');
    EXPECT_EQ(port.ReadByte(), 0);
    EXPECT_EQ(port.ReadByte(), 0x1a);
    pty.write("xyz");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(port.InputCount(), 3u);
    EXPECT_TRUE(PortHasInput(port));
    EXPECT_EQ(port.ReadText(3), "xyz");

    // Raw line: CR and LF pass unchanged, nothing is echoed.
    PortWriteInteger(port, -42);
    PortWriteChar(port, '\r');
    PortWriteReal(port, 12.5, 4, 6);
    PortWriteChar(port, '\n');
    PortWriteReal(port, -1.5, 4, 6);
    PortWriteReal(port, 1031, 4, 0);
    PortWriteReal(port, 12345.5, 4, 1);
    EXPECT_EQ(pty.readFor(100), "-42\r  12.500000\n  -1.500000103112345.5");
    EXPECT_EQ(port.bytesWritten(), 38u);
}

TEST(CommPort, HexDigits) {
    const std::string digits = "0123456789ABCDEF";
    for (size_t i = 0; i < digits.size(); ++i) EXPECT_EQ(HexDigitValue(uint8_t(digits[i])), int(i));
    for (uint8_t other : {uint8_t('a'), uint8_t('f'), uint8_t('G'), uint8_t(' '), uint8_t(0), uint8_t(0xFF)})
        EXPECT_EQ(HexDigitValue(other), 0) << int(other);
}

TEST(CommPort, ExclusiveOpen) {
    PtyPair pty;
    TCommPort first, second;
    first.DevicePath = second.DevicePath = pty.path();
    EXPECT_TRUE(first.CanOpen());
    first.OpenPort();
    EXPECT_FALSE(first.CanOpen());
    EXPECT_FALSE(second.CanOpen());
    try {
        second.OpenPort();
        FAIL() << "a held port opened twice";
    } catch (const EOpenComError& e) {
        EXPECT_EQ(std::string(e.what()), "Could not open " + pty.path());
    }
    EXPECT_FALSE(second.PortActive());
    first.ClosePort();
    EXPECT_TRUE(second.CanOpen());
    second.OpenPort();
    EXPECT_TRUE(second.PortActive());
}

TEST(CommPort, OpenFailuresNameThePortAndTheSetting) {
    TCommPort absent;
    absent.DevicePath = "/dev/orv-no-such-line";
    EXPECT_FALSE(absent.CanOpen());
    try {
        absent.OpenPort();
        FAIL();
    } catch (const EOpenComError& e) {
        EXPECT_EQ(std::string(e.what()), "Could not open /dev/orv-no-such-line");
    }
    // An error handler may turn the error into the silent abort.
    absent.OnError = [](TCommPort&, const std::string&, bool& raise) { raise = false; };
    EXPECT_THROW(absent.OpenPort(), ESilentAbort);

    PtyPair pty;
    TCommPort port;
    port.DevicePath = pty.path();
    port.DataBits = tdbFour;
    try {
        port.OpenPort();
        FAIL() << "opened with 4 data bits";
    } catch (const EOpenComError& e) {
        EXPECT_EQ(std::string(e.what()), "Could not open " + pty.path() + ": 4 data bits are not available on Linux");
    }
    port.DataBits = tdbEight;
    port.StopBits = tsbOnePointFive;
    EXPECT_THROW(port.OpenPort(), EOpenComError);
    EXPECT_FALSE(port.PortActive());
    // The refused open left the line free.
    EXPECT_TRUE(port.CanOpen());

    // Every setting Linux has opens.
    port.StopBits = tsbTwo;
    for (int parity : {tpNone, tpOdd, tpEven, tpMark, tpSpace}) {
        port.Parity = parity;
        port.DataBits = parity == tpNone ? tdbEight : tdbSeven;
        EXPECT_NO_THROW(port.OpenPort()) << parity;
        port.ClosePort();
    }
}

TEST(CommPort, RatesWithoutAConstantAreSetOrRefusedClearly) {
    PtyPair pty;
    TCommPort port;
    port.DevicePath = pty.path();
    for (int ordinal : {tbr14400, tbr56000}) {
        port.BaudRate = ordinal;
        try {
            port.OpenPort();
            EXPECT_EQ(port.LineBaudRate(), BaudRateValue(ordinal));
        } catch (const EOpenComError& e) {
            EXPECT_EQ(std::string(e.what()), "Could not open " + pty.path() + ": " +
                                                 std::to_string(BaudRateValue(ordinal)) +
                                                 " baud is not available on this line");
        }
        port.ClosePort();
    }
    port.BaudRate = tbr115200;
    port.OpenPort();
    EXPECT_EQ(port.LineBaudRate(), 115200u);
}

// Starts a read of one byte on another thread; the line stays idle.
std::future<std::string> BlockedRead(TCommPort& port, std::atomic<bool>& started) {
    return std::async(std::launch::async, [&port, &started] {
        started = true;
        try {
            port.ReadByte();
            return std::string("byte");
        } catch (const ESilentAbort&) {
            return std::string("abort");
        } catch (const EComError& e) {
            return std::string(e.what());
        }
    });
}

TEST(CommPort, ClosingEndsABlockedReadAtOnce) {
    PtyPair pty;
    TCommPort port;
    port.DevicePath = pty.path();
    port.OpenPort();
    std::atomic<bool> started{false};
    auto read = BlockedRead(port, started);
    while (!started) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));   // well inside poll by now
    ASSERT_EQ(read.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);

    const auto t0 = Steady::now();
    port.ClosePort();
    ASSERT_EQ(read.wait_for(std::chrono::milliseconds(100)), std::future_status::ready);
    EXPECT_LT(MsSince(t0), 100.0);
    EXPECT_EQ(read.get(), "abort");
    EXPECT_THROW(port.ReadByte(), ESilentAbort);

    // The port opens again and reads as before.
    port.OpenPort();
    pty.write("7");
    EXPECT_EQ(port.ReadByte(), '7');
}

TEST(CommPort, TheProgramsStopEndsABlockedRead) {
    PtyPair pty;
    TCommPort port;
    std::atomic<bool> terminating{false};
    port.setAbortFlag(&terminating);
    port.DevicePath = pty.path();
    port.OpenPort();

    std::atomic<bool> started{false};
    auto read = BlockedRead(port, started);
    while (!started) std::this_thread::yield();
    // A wake-up without a reason is no stop: the read goes on and gets its byte.
    port.Wake();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    pty.write("x");
    ASSERT_EQ(read.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_EQ(read.get(), "byte");

    started = false;
    read = BlockedRead(port, started);
    while (!started) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    terminating = true;
    port.Wake();
    ASSERT_EQ(read.wait_for(std::chrono::milliseconds(100)), std::future_status::ready);
    EXPECT_EQ(read.get(), "abort");
}

TEST(CommPort, AHungUpLineIsAReadErrorNotAWaitForever) {
    PtyPair pty;
    TCommPort port;
    port.DevicePath = pty.path();
    port.OpenPort();
    std::atomic<bool> started{false};
    auto read = BlockedRead(port, started);
    while (!started) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    pty.closeMaster();
    ASSERT_EQ(read.wait_for(std::chrono::seconds(1)), std::future_status::ready);
    EXPECT_EQ(read.get(), "Read Error.");
}

TEST(CommPort, WaitForInput) {
    PtyPair pty;
    TCommPort port;
    port.DevicePath = pty.path();
    EXPECT_TRUE(port.WaitForInput(1000)) << "a closed port: the read ends at once";
    port.OpenPort();
    const auto t0 = Steady::now();
    EXPECT_FALSE(port.WaitForInput(30));
    EXPECT_GE(MsSince(t0), 25.0);
    pty.write("1");
    EXPECT_TRUE(port.WaitForInput(1000));
    EXPECT_EQ(port.ReadByte(), '1');
}

}  // namespace
}  // namespace orv
