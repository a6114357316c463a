#include "controllers/OrvPaddle.h"

#include <gtest/gtest.h>

#include "control/System.h"
#include "core/Clock.h"
#include "core/PortBus.h"
#include "core/Ports.h"

namespace orv {
namespace {

// Paddle byte bits: 0x04 north, 0x08 south, 0x10 east, 0x20 west, 0x40 set
// speed, 0x80 slew speed.
class PaddleTest : public ::testing::Test {
protected:
    PaddleTest() { bus.setInput(ports::PaddleInput, 0xFF); }   // hardware paddle idle (active low)
    uint8_t Byte() { return ReadPaddleByte(sys); }

    ManualClock clock{0, true};
    RecordingBus bus;
    System sys{clock, bus, SystemOptions{".", false}};
    OrvPaddle paddle{*sys.paddle};
};

TEST_F(PaddleTest, ArrowKeysHoldTheButtonTheyPointAtShiftForSetSpeed) {
    paddle.Shown();
    paddle.KeyDown(ArrowKey::Up, false);
    EXPECT_EQ(Byte(), 0x04);
    paddle.KeyDown(ArrowKey::Left, false);     // up and left: the north-east corner
    EXPECT_EQ(paddle.keyButton(), PaddleButton::NorthEast);
    EXPECT_EQ(Byte(), 0x14);
    paddle.ShiftChanged(true);
    EXPECT_EQ(Byte(), 0x54);
    paddle.KeyUp(ArrowKey::Up, true);
    EXPECT_EQ(Byte(), 0x50);                   // east at set speed
    paddle.KeyDown(ArrowKey::Right, true);     // left and right cancel
    EXPECT_EQ(paddle.keyButton(), std::nullopt);
    EXPECT_EQ(Byte() & 0x3C, 0);
    paddle.KeyUp(ArrowKey::Left, false);
    EXPECT_EQ(Byte(), 0x20);                   // west at the radio's guide speed

    paddle.SpeedRadioClick(PaddleSpeed::Slew);
    paddle.KeyDown(ArrowKey::Down, false);
    EXPECT_EQ(Byte(), 0xA8) << "down and right: south-west at slew speed";
    paddle.ReleaseKeys();                      // focus lost: no release will come
    EXPECT_EQ(Byte() & 0x3C, 0);
}

TEST_F(PaddleTest, MouseAndKeysHoldTogetherAndHidingStopsTheContribution) {
    paddle.Shown();
    paddle.SpeedRadioClick(PaddleSpeed::Set);
    paddle.ButtonDown(PaddleButton::North);
    paddle.KeyDown(ArrowKey::Up, false);
    paddle.KeyUp(ArrowKey::Up, false);
    EXPECT_EQ(Byte(), 0x44) << "the mouse still holds north";
    paddle.ButtonDown(PaddleButton::West);
    EXPECT_EQ(Byte(), 0x60) << "west wins over north";

    paddle.Hidden();
    EXPECT_EQ(Byte(), 0);
    EXPECT_TRUE(sys.paddle->held(PaddleButton::West)) << "held until the mouse lets go";
    paddle.ButtonUp(PaddleButton::West);
    paddle.ButtonUp(PaddleButton::North);
    paddle.Shown();
    EXPECT_EQ(Byte() & 0x3C, 0);
}

TEST(PaddleLayout, EastOnTheLeftAndEveryButtonOnce) {
    std::array<int, 8> seen{};
    for (const PaddleCell& c : PaddleLayout()) {
        ++seen[static_cast<size_t>(c.button)];
        EXPECT_EQ(PaddleButtonByName(c.name), c.button) << c.name;
        if (c.button == PaddleButton::East) {
            EXPECT_EQ(c.column, 0);
        }
        if (c.button == PaddleButton::North) {
            EXPECT_EQ(c.row, 0);
        }
    }
    EXPECT_EQ(seen, (std::array<int, 8>{1, 1, 1, 1, 1, 1, 1, 1}));
}

}  // namespace
}  // namespace orv
