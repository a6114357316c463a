// The KAV window's output byte in its three views and its label editors.

#include <gtest/gtest.h>

#include "controllers/KAVLabelEditor.h"
#include "controllers/KAVPortBits.h"

namespace orv {
namespace {

std::string CheckedBits(const KAVPortBits& b) {
    std::string s;
    for (int i = 0; i < KAVPortBits::Bits; ++i) s += b.checked(i) ? '1' : '0';
    return s;   // bit 0 first
}

TEST(KAVPortBitsTest, BitListValueAndHexStayInStep) {
    KAVPortBits bits;
    EXPECT_EQ(bits.hex(), "00");
    for (int bit : {1, 3, 4, 6}) bits.KAVBitListClickCheck(bit, true);
    EXPECT_EQ(bits.value(), 90);   // 2 + 8 + 16 + 64
    EXPECT_EQ(bits.hex(), "5A");
    bits.KAVIOValueSpinChange(165);   // 1010 0101
    EXPECT_EQ(CheckedBits(bits), "10100101");
    EXPECT_EQ(bits.hex(), "A5");
    bits.KAVBitListClickCheck(7, false);
    EXPECT_EQ(bits.value(), 37);
    EXPECT_EQ(bits.hex(), "25");
    bits.KAVBitListClickCheck(8, true);   // no such bit
    EXPECT_EQ(bits.value(), 37);
    bits.KAVIOValueSpinChange(300);
    EXPECT_EQ(bits.hex(), "FF");
    EXPECT_EQ(CheckedBits(bits), "11111111");
}

TEST(KAVLabelEditorTest, EachListHasItsEditorAndItsNumbering) {
    KAVLabels labels = KAVLabels::Defaults();
    labels.SouthFilters[2] = "V";
    const auto south = KAVLabelEditQuestion(labels, KAVLabelList::SouthFilters, 3);
    ASSERT_TRUE(south);
    EXPECT_EQ(south->title, "South Wheel Editor");
    EXPECT_EQ(south->prompt, "Enter Name For Filter-3");
    EXPECT_EQ(south->text, "V");
    const auto bit = KAVLabelEditQuestion(labels, KAVLabelList::Bits, 0);
    ASSERT_TRUE(bit);
    EXPECT_EQ(bit->title, "Bit Name Editor");
    EXPECT_EQ(bit->prompt, "Enter Name For Bit-0");
    EXPECT_EQ(KAVLabelEditQuestion(labels, KAVLabelList::OnAxisFilters, 6)->title, "On Axis Editor");

    EXPECT_TRUE(SetKAVLabel(labels, KAVLabelList::OnAxisFilters, 6, "H-alpha"));
    EXPECT_EQ(labels.OnAxisFilters[5], "H-alpha");
    EXPECT_TRUE(SetKAVLabel(labels, KAVLabelList::Bits, 7, "Lamp"));
    EXPECT_EQ(labels.Bits[7], "Lamp");
    // Rows count from 1: row 0 and row 7 of the on-axis wheel are no filters.
    const KAVLabels before = labels;
    EXPECT_FALSE(SetKAVLabel(labels, KAVLabelList::OnAxisFilters, 0, "x"));
    EXPECT_FALSE(SetKAVLabel(labels, KAVLabelList::OnAxisFilters, 7, "x"));
    EXPECT_FALSE(SetKAVLabel(labels, KAVLabelList::Bits, 8, "x"));
    EXPECT_EQ(labels, before);
    EXPECT_FALSE(KAVLabelEditQuestion(labels, KAVLabelList::SouthFilters, 9));
}

}  // namespace
}  // namespace orv
