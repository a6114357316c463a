// The KAV's calibration tables, tolerances and readbacks without a line.

#include <gtest/gtest.h>

#include "comm/KAVProtocol.h"

namespace orv {
namespace {

TEST(KAVProtocolTest, ReadbacksMatchWithinEachDevicesTolerance) {
    // Stage: stow at 2360, on axis at 20, closer than 50.
    EXPECT_EQ(KAVMatchPosition(KAVStage, 2360 + 49), 1);
    EXPECT_EQ(KAVMatchPosition(KAVStage, 2360 - 50), std::nullopt);
    EXPECT_EQ(KAVMatchPosition(KAVStage, 0), 2);   // 20 away from on axis; position 0 is not searched
    // South wheel: position 0 (0 ADU) is a motor target only.
    EXPECT_EQ(KAVMatchPosition(KAVSouthWheel, 30), std::nullopt);
    EXPECT_EQ(KAVMatchPosition(KAVSouthWheel, 3705 - 99), 8);
    // On-axis wheel: 468 is position 4, and 199 away still matches; 200 does not.
    EXPECT_EQ(KAVMatchPosition(KAVOnAxisWheel, 468 + 199), 4);
    EXPECT_EQ(KAVMatchPosition(KAVOnAxisWheel, 1812 + 200), std::nullopt);
    EXPECT_EQ(KAVMatchPosition(KAVMirror, 0), std::nullopt);

    EXPECT_EQ(KAVCalibrationADU(KAVOnAxisWheel, 6), 1812);
    EXPECT_EQ(KAVCalibrationADU(KAVSouthWheel, 0), 0);
    EXPECT_EQ(KAVCalibrationADU(KAVOnAxisWheel, 7), std::nullopt);
    EXPECT_EQ(KAVCalibrationADU(KAVPort, 1), std::nullopt);
}

TEST(KAVProtocolTest, OnlyUpperCaseHexDigitsMakeAReadback) {
    EXPECT_EQ(ParseKAVReadback("0FFF\r"), 4095);
    EXPECT_EQ(ParseKAVReadback("X0A9?"), 169);   // the first and fifth bytes are not looked at
    EXPECT_EQ(ParseKAVReadback("04a9\r"), std::nullopt);
    EXPECT_EQ(ParseKAVReadback("04 9\r"), std::nullopt);
    EXPECT_EQ(ParseKAVReadback("04A9"), std::nullopt);
    EXPECT_EQ(KAVCommandBytes(KAVOnAxisWheel, 4095), (std::array<uint8_t, 2>{0x3F, 0xFF}));
    EXPECT_EQ(KAVStatusLine(165), "165\r");
}

}  // namespace
}  // namespace orv
