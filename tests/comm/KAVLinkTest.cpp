// The KAV link byte for byte against a scripted instrument on a pseudo-terminal.
// The clock is a manual one: the 100 ms between command bytes pass at once, and
// the attention's 3-second periods pass when the test moves the clock.

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "comm/KAVLink.h"
#include "comm/PtyPair.h"
#include "control/KAVHandlers.h"
#include "control/System.h"
#include "core/Clock.h"
#include "core/PortBus.h"

namespace orv {
namespace {

using namespace std::chrono_literals;

std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
        out += ' ';
    }
    return out;
}

struct StatusResult {
    bool ok;
    std::string text;
};

class KAVLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        link.KAVComPort.DevicePath = pty.path();
        link.SetKAVMode(1);
        ASSERT_EQ(link.KAVMode(), 1);
        link.LogCommunicationDetails = true;
    }

    // The instrument reads exactly these bytes from Orv.
    void expect(const std::string& bytes) { EXPECT_EQ(Hex(pty.read(bytes.size(), 2000)), Hex(bytes)); }
    void expectQuiet(int ms = 100) { EXPECT_EQ(Hex(pty.readFor(ms)), ""); }
    void handshake() {
        expect("\xF5");
        pty.write("\xEA");
    }

    std::future<StatusResult> status(int device) {
        return std::async(std::launch::async, [this, device] {
            std::string text;
            const bool ok = link.GetKAVStatus(device, text);
            return StatusResult{ok, text};
        });
    }
    // Moves the clock a second at a time until the operation has ended.
    template <class T>
    T finish(std::future<T>& f) {
        for (int i = 0; i < 100 && f.wait_for(20ms) != std::future_status::ready; ++i) clock.advance(1000);
        return f.get();
    }

    testing::PtyPair pty;
    ManualClock clock{0, true};
    RecordingBus bus;
    System sys{clock, bus, SystemOptions{".", false}};
    KAVLink link{sys};
};

TEST_F(KAVLinkTest, SetMotorMovesThenReadsTheWheelBack) {
    auto moved = std::async(std::launch::async, [this] { return link.KAVSetMotor(KAVSouthWheel, 3); });
    handshake();
    expect("\x04\xA9");   // 1193 ADU, position 3
    pty.write("\x06");    // the result
    handshake();
    expect("\x0F\xFF");   // the status request
    pty.write("04D8\r");  // 1240 ADU: 47 from position 3
    EXPECT_TRUE(moved.get());
    EXPECT_EQ(link.Display().southPosition, 3);
    EXPECT_EQ(link.Display().southADU, 1240);
    EXPECT_EQ(link.Status().text, "Success");

    auto off = status(KAVSouthWheel);
    handshake();
    expect("\x0F\xFF");
    pty.write("0514\r");  // 1300 ADU: 107 from position 3, matches nothing
    const StatusResult r = off.get();
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.text, "-9999\r");
    EXPECT_EQ(link.Display().southADU, 1300);   // still shown

    auto onAxis = status(KAVOnAxisWheel);
    handshake();
    expect("\x3F\xFF");
    pty.write("0096\r");  // 150 ADU: the on-axis wheel's position 0
    EXPECT_EQ(onAxis.get().text, "0\r");
}

TEST_F(KAVLinkTest, SetPortAndTheMirrorThatKnowsOnlyItsLastCommand) {
    auto set = std::async(std::launch::async, [this] { return link.KAVSetPort(0x5A); });
    handshake();
    expect("\x40\x5A");
    pty.write("\x06");
    handshake();
    expect("\x4F\xFF");
    pty.write("\x5A\r");
    EXPECT_TRUE(set.get());
    EXPECT_EQ(link.Display().ioValue, 0x5A);

    EXPECT_EQ(link.MirrorPosition(), KAVLink::MirrorUnknown);
    auto before = status(KAVMirror);
    handshake();
    expect("\x2F\xFF");
    pty.write("0936\r");
    EXPECT_EQ(before.get().text, "-9999\r");

    auto turn = std::async(std::launch::async, [this] { return link.KAVSetMotor(KAVMirror, 1); });
    handshake();
    expect("\x20\x01");
    pty.write("\x06");
    handshake();
    expect("\x2F\xFF");
    pty.write("0532\r");
    EXPECT_TRUE(turn.get());
    auto after = status(KAVMirror);
    handshake();
    expect("\x2F\xFF");
    pty.write("0532\r");
    EXPECT_EQ(after.get().text, "1\r");
}

TEST_F(KAVLinkTest, NoHandshakeGivesUpAfterThreeAttentionBytesThreeSecondsApart) {
    auto f = status(KAVStage);
    expect("\xF5");
    expectQuiet();   // the clock stands: no retry yet
    clock.advance(2999);
    expectQuiet();
    clock.advance(1);
    expect("\xF5");
    EXPECT_EQ(link.Status().text, "Retrying 1");
    EXPECT_EQ(link.Status().colour, KAVColour::Yellow);
    clock.advance(3000);
    expect("\xF5");
    EXPECT_EQ(link.Status().text, "Retrying 2");
    clock.advance(3000);
    const StatusResult r = f.get();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.text, "-9999\r");
    expectQuiet();   // no fourth byte
    EXPECT_EQ(link.Status().text, "No Response");
    EXPECT_EQ(link.Status().colour, KAVColour::Red);
    EXPECT_EQ(sys.log.FlushLog(),
              (std::vector<std::string>{"", "KAV: Attention", "KAV: Retry: 1", "KAV: Retry: 2", "KAV: No Response.",
                                        "KAV: Check serial connection", "KAV: Check KAV power"}));
}

TEST_F(KAVLinkTest, CloseAndTheProgramsStopEndTheWaitAtOnce) {
    auto f = status(KAVSouthWheel);
    expect("\xF5");
    auto t0 = std::chrono::steady_clock::now();
    link.Cancel();   // the window's Close
    EXPECT_FALSE(f.get().ok);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 1000ms);
    EXPECT_EQ(link.Status().text, "Attention");   // cancelled, not "No Response"

    // Close counts for the exchange it ended, not for the next one.
    auto next = status(KAVSouthWheel);
    handshake();
    expect("\x0F\xFF");
    pty.write("00B5\r");
    EXPECT_EQ(next.get().text, "1\r");

    // The program's stop reaches the link through the system.
    auto waiting = std::async(std::launch::async, [this] { return link.KAVSetMotor(KAVStage, 2); });
    expect("\xF5");
    t0 = std::chrono::steady_clock::now();
    sys.kav.interrupt();
    EXPECT_FALSE(waiting.get());
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 1000ms);
    std::string text;
    EXPECT_FALSE(link.GetKAVStatus(KAVStage, text));   // and everything after it
    expectQuiet();
}

TEST_F(KAVLinkTest, OneExchangeAtATimeOnTheLine) {
    auto first = status(KAVSouthWheel);
    expect("\xF5");
    auto second = status(KAVStage);   // another thread asks meanwhile
    expectQuiet();                    // its attention waits until the first exchange has ended
    pty.write("\xEA");
    expect("\x0F\xFF");
    expectQuiet();
    pty.write("00B5\r");
    EXPECT_EQ(first.get().text, "1\r");
    handshake();
    expect("\x1F\xFF");
    pty.write("0014\r");
    EXPECT_EQ(second.get().text, "2\r");
}

TEST_F(KAVLinkTest, AnyStopEndsTheStateMachinesKAVCommandAtOnce) {
    sys.state.CommandParam[1] = KAVSouthWheel;
    sys.state.CommandParam[2] = 5;
    auto running = std::async(std::launch::async, [this] { SetKAVMotor(sys); });   // code 41
    expect("\xF5");   // the instrument is silent; the clock stands, so only the stop can end the wait
    const auto t0 = std::chrono::steady_clock::now();
    sys.commander.stop();
    if (running.wait_for(1s) != std::future_status::ready) {
        link.Cancel();
        FAIL() << "the stop did not end the KAV command";
    }
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 1000ms);
    expectQuiet();
}

TEST_F(KAVLinkTest, AHostsQueryWaitsForTheKAVCommandsBeforeIt) {
    clock.setAutoAdvance(false);
    Commander::Channel host(sys.commander, "TCP/IP");
    sys.state.StateCode = 12;   // a slew runs: the host's '#42,7;' is held
    ASSERT_EQ(host.issue(42, {7}), Commander::Outcome::Held);
    auto answer = std::async(std::launch::async, [this] { return link.HostPortStatus(); });   // its '#54;'
    clock.advance(100);
    expectQuiet();
    sys.state.StateCode = 0;
    ASSERT_EQ(sys.commander.take(), 42);   // the state machine takes it and runs it
    clock.advance(100);
    expectQuiet();
    sys.state.StateCode = 0;   // done
    clock.setAutoAdvance(true);
    clock.advance(10);
    handshake();
    expect("\x4F\xFF");
    pty.write("\x07\r");
    EXPECT_EQ(answer.get(), "7\r");
}

TEST_F(KAVLinkTest, SilenceOrGarbageAfterTheHandshakeFailsTheExchange) {
    auto silent = status(KAVStage);
    handshake();
    expect("\x1F\xFF");
    const StatusResult r = finish(silent);   // no readback: it does not wait for ever
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.text, "-9999\r");
    EXPECT_EQ(link.Status().text, "No Response");

    auto garbled = status(KAVOnAxisWheel);
    handshake();
    expect("\x3F\xFF");
    pty.write("0?z!\r");   // read as digits 0, 0, 0 it would be position 0
    EXPECT_FALSE(garbled.get().ok);
    EXPECT_EQ(link.Status().text, "Bad Response");
    EXPECT_EQ(link.Display().onAxisPosition, KAVUnknown);

    // A move the instrument reports done whose readback then fails: done, but the panel keeps the failure.
    auto moved = std::async(std::launch::async, [this] { return link.KAVSetPort(3); });
    handshake();
    expect("\x40\x03");
    pty.write("\x06");
    handshake();
    expect("\x4F\xFF");
    EXPECT_TRUE(finish(moved));
    EXPECT_EQ(link.Status().text, "No Response");

    // A late answer of the failed exchange is no handshake of the next one.
    pty.write("\xEA\x06");
    for (int i = 0; i < 100 && link.KAVComPort.InputCount() < 2; ++i) std::this_thread::sleep_for(5ms);
    auto next = status(KAVStage);
    expect("\xF5");
    expectQuiet();
    pty.write("\xEA");
    expect("\x1F\xFF");
    pty.write("0014\r");
    EXPECT_EQ(next.get().text, "2\r");
}

TEST_F(KAVLinkTest, PositionsADeviceDoesNotHaveSendNothing) {
    EXPECT_FALSE(link.KAVSetMotor(KAVSouthWheel, 9));
    EXPECT_FALSE(link.KAVSetMotor(KAVStage, -1));
    EXPECT_FALSE(link.KAVSetMotor(KAVMirror, 4));
    EXPECT_FALSE(link.KAVSetMotor(KAVPort, 1));
    EXPECT_FALSE(link.KAVSetPort(256));
    EXPECT_EQ(link.MirrorPosition(), KAVLink::MirrorUnknown);
    EXPECT_EQ(link.Status().colour, KAVColour::Red);
    expectQuiet();
}

}  // namespace
}  // namespace orv
