#include "control/RemotePaddle.h"

#include <gtest/gtest.h>

#include "control/System.h"
#include "core/PortBus.h"
#include "core/Ports.h"

namespace orv {
namespace {

constexpr uint8_t N = ports::PaddleNorth, S = ports::PaddleSouth, E = ports::PaddleEast, W = ports::PaddleWest;
constexpr uint8_t SetSpeed = ports::PaddleSetSpeed;
constexpr RemotePaddle::Safety Calm{7, false};

TEST(RemotePaddle, APressLivesOneSecondPastItsLastRenewal) {
    RemotePaddle paddle;
    EXPECT_EQ(paddle.press(1, N, PaddleSpeed::Set, 0, Calm), N | SetSpeed);
    EXPECT_EQ(paddle.RemotePaddleByte(999, Calm), N | SetSpeed);
    EXPECT_EQ(paddle.renew(1, 999, Calm), N | SetSpeed);
    EXPECT_EQ(paddle.RemotePaddleByte(1998, Calm), N | SetSpeed);
    EXPECT_EQ(paddle.RemotePaddleByte(1999, Calm), 0) << "the dead man let go";
    EXPECT_EQ(paddle.renew(1, 2000, Calm), 0) << "a late renewal does not press again";
    EXPECT_EQ(paddle.RemotePaddleByte(2000, Calm), 0);
}

TEST(RemotePaddle, AStopOrAnOpenInterlockReleasesEverythingPressedBefore) {
    RemotePaddle paddle;
    paddle.press(1, W, PaddleSpeed::Slew, 0, Calm);
    paddle.pulse(2, S, 5000, 0, Calm);
    const RemotePaddle::Safety stopped{Calm.stopGeneration + 1, false};
    EXPECT_EQ(paddle.RemotePaddleByte(10, stopped), 0);
    EXPECT_EQ(paddle.renew(1, 20, stopped), 0) << "renewing after the stop brings nothing back";
    EXPECT_EQ(paddle.press(1, W, PaddleSpeed::Guide, 30, stopped), W) << "a new press after the stop counts";

    const RemotePaddle::Safety interlock{stopped.stopGeneration, true};
    EXPECT_EQ(paddle.RemotePaddleByte(40, interlock), 0);
    EXPECT_EQ(paddle.press(1, N, PaddleSpeed::Guide, 50, interlock), 0) << "nothing is pressed while it is open";
    EXPECT_EQ(paddle.pulse(1, N, 500, 50, interlock), 0);
}

TEST(RemotePaddle, PulsesRunAtGuideSpeedOnePerAxisAndEndByThemselves) {
    RemotePaddle paddle;
    EXPECT_EQ(paddle.pulse(1, N, 500, 0, Calm), N);
    EXPECT_EQ(paddle.pulse(1, E, 200, 100, Calm), N | E) << "the two axes pulse together";
    EXPECT_EQ(paddle.RemotePaddleByte(299, Calm), N | E);
    EXPECT_EQ(paddle.RemotePaddleByte(300, Calm), N);
    EXPECT_EQ(paddle.pulse(1, S, 100, 400, Calm), S) << "a new pulse on an axis replaces the old";
    EXPECT_EQ(paddle.RemotePaddleByte(500, Calm), 0);

    EXPECT_EQ(paddle.pulse(1, N | E, 500, 600, Calm), 0) << "one direction per pulse";
    EXPECT_EQ(paddle.pulse(1, W, 60000, 600, Calm), W);
    EXPECT_EQ(paddle.RemotePaddleByte(600 + RemotePaddle::MaxPulseMs, Calm), 0) << "cut to the longest pulse";
}

TEST(RemotePaddle, HoldersAddUpAndAHolderThatGoesIsReleasedAtOnce) {
    RemotePaddle paddle;
    paddle.press(1, N, PaddleSpeed::Guide, 0, Calm);
    paddle.press(2, E, PaddleSpeed::Guide, 0, Calm);
    EXPECT_EQ(paddle.RemotePaddleByte(10, Calm), N | E);
    paddle.release(1);
    EXPECT_EQ(paddle.RemotePaddleByte(20, Calm), E);
    EXPECT_EQ(paddle.press(2, 0, PaddleSpeed::Set, 30, Calm), 0) << "no direction releases the press";
}

TEST(RemotePaddle, TheInputMonitorReadsItWithTheHandPaddle) {
    ManualClock clock;
    RecordingBus bus;
    System sys(clock, bus, SystemOptions{".", false});
    bus.setInput(ports::PaddleInput, static_cast<uint8_t>(~E));   // east held on the hand paddle
    sys.remotePaddle->press(1, N, PaddleSpeed::Set, clock.nowMs(), RemotePaddleSafety(sys));
    EXPECT_EQ(ReadPaddleByte(sys), N | E | SetSpeed);
    sys.state.StopGeneration.fetch_add(1);   // a stop from anywhere
    EXPECT_EQ(ReadPaddleByte(sys), E) << "the hand paddle is the operator's own";
}

}  // namespace
}  // namespace orv
