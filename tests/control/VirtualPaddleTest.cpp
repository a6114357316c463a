#include "control/VirtualPaddle.h"

#include <gtest/gtest.h>

#include "control/System.h"
#include "core/Ports.h"

namespace orv {
namespace {

TEST(VirtualPaddle, OneDirectionCodeInButtonOrderPlusSpeed) {
    VirtualPaddle p;
    EXPECT_EQ(p.VirtualPaddleByte(), 0);

    p.press(PaddleButton::North);
    p.press(PaddleButton::West);
    EXPECT_EQ(p.VirtualPaddleByte(), 0x20) << "west wins over north, no combined code";
    p.release(PaddleButton::West);
    EXPECT_EQ(p.VirtualPaddleByte(), 0x04);
    p.release(PaddleButton::North);

    p.setSpeed(PaddleSpeed::Set);
    p.press(PaddleButton::NorthEast);
    EXPECT_EQ(p.VirtualPaddleByte(), 0x54);
    p.release(PaddleButton::NorthEast);
    EXPECT_EQ(p.VirtualPaddleByte(), 0x40) << "speed bits remain, no direction";

    p.setSpeed(PaddleSpeed::Slew);
    p.press(PaddleButton::SouthWest);
    EXPECT_EQ(p.VirtualPaddleByte(), 0xA8);
}

TEST(VirtualPaddle, SpeedChoiceTakesEffectAtNextPressOrRelease) {
    VirtualPaddle p;
    p.press(PaddleButton::South);
    EXPECT_EQ(p.VirtualPaddleByte(), 0x08);
    p.setSpeed(PaddleSpeed::Slew);
    EXPECT_EQ(p.VirtualPaddleByte(), 0x08);
    p.press(PaddleButton::SouthEast);
    EXPECT_EQ(p.VirtualPaddleByte(), 0x88) << "south comes before south-east";
}

TEST(VirtualPaddle, ButtonsByName) {
    EXPECT_EQ(PaddleButtonByName("NWBtn"), PaddleButton::NorthWest);
    EXPECT_EQ(PaddleButtonByName("SEBtn"), PaddleButton::SouthEast);
    EXPECT_EQ(PaddleButtonByName("WestBtn"), PaddleButton::West);
    EXPECT_FALSE(PaddleButtonByName("SpeedRadio").has_value());
}

TEST(ReadPaddleByte, InvertsThePortAndAddsTheWindowWhileShown) {
    ManualClock clock(0, true);
    RecordingBus bus;
    System sys(clock, bus, SystemOptions{".", false});
    bus.setInput(ports::PaddleInput, static_cast<uint8_t>(~0x14));   // hardware: east, guide speed
    EXPECT_EQ(ReadPaddleByte(sys), 0x14);

    sys.paddle->setSpeed(PaddleSpeed::Set);
    sys.paddle->press(PaddleButton::North);
    EXPECT_EQ(ReadPaddleByte(sys), 0x14) << "window hidden: no contribution";
    sys.paddle->PaddleWindowVisible = true;
    EXPECT_EQ(ReadPaddleByte(sys), 0x54);
    sys.paddle->PaddleWindowVisible = false;
    EXPECT_TRUE(sys.paddle->held(PaddleButton::North)) << "the flag stays until the release";
    EXPECT_EQ(ReadPaddleByte(sys), 0x14);
}

}  // namespace
}  // namespace orv
