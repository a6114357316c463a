#include "astro/TextFormats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

namespace orv {
namespace {

TEST(TextFormats, SexagesimalShowsAnglesAndTimes) {
    EXPECT_EQ(FormatSexagesimal(true, 2.86081), "02 51 38.9");
    EXPECT_EQ(FormatSexagesimal(false, -0.5), "-00 30 00");
    EXPECT_EQ(FormatSexagesimal(false, 123.5), "123 30 00");
    EXPECT_EQ(FormatSexagesimal(false, 5.999999), "06 00 00");
    EXPECT_EQ(FormatSexagesimal(false, 23.99999), "24 00 00");
    EXPECT_EQ(FormatSexagesimal(false, -0.0001), "-00 00 00");
    EXPECT_EQ(FormatSexagesimal(false, 0), "00 00 00");
    EXPECT_EQ(FormatSexagesimal(true, 0), "00 00 00.0");
    EXPECT_EQ(FormatSexagesimal(true, 1.5), "01 30 00.0");
    EXPECT_EQ(FormatSexagesimal(false, -89.99999), "-90 00 00");
}

TEST(TextFormats, SexagesimalSurvivesValuesNoDisplayShouldGet) {
    EXPECT_EQ(FormatSexagesimal(false, std::nan("")), "NAN");
    EXPECT_EQ(FormatSexagesimal(true, -std::numeric_limits<double>::infinity()), "-INF");
    SexagesimalParts huge = SplitSexagesimal(1e300);
    EXPECT_GT(huge.units, 0);
    EXPECT_LE(huge.minutes, 59);
    EXPECT_LE(huge.seconds, 59);
}

TEST(TextFormats, SplitKeepsSignOnUnitsOnly) {
    SexagesimalParts p = SplitSexagesimal(-12.5125);
    EXPECT_EQ(p.units, -12);
    EXPECT_EQ(p.minutes, 30);
    EXPECT_EQ(p.seconds, 45);
    EXPECT_EQ(TwoDigit(7), "07");
    EXPECT_EQ(TwoDigit(42), "42");
}

TEST(TextFormats, ExtractNumberWalksThroughText) {
    std::string s = "RA=12 30";
    int pos = 1;
    double v = -1;
    ASSERT_TRUE(ExtractNumber(s, pos, v));
    EXPECT_EQ(v, 12);
    EXPECT_EQ(pos, 6);  // the blank
    ASSERT_TRUE(ExtractNumber(s, pos, v));
    EXPECT_EQ(v, 30);
    EXPECT_EQ(pos, 9);  // past the end
    EXPECT_FALSE(ExtractNumber(s, pos, v));
    EXPECT_EQ(v, 0);

    // Positions outside the text are never read.
    pos = 100;
    EXPECT_FALSE(ExtractNumber(s, pos, v));
    pos = -3;
    EXPECT_TRUE(ExtractNumber(s, pos, v));
    EXPECT_EQ(v, 12);
}

TEST(TextFormats, ScanNumberTakesTheFirstNumber) {
    EXPECT_DOUBLE_EQ(ScanNumber("abc-12.5xyz"), -12.5);
    EXPECT_DOUBLE_EQ(ScanNumber("5-3"), 5);
    EXPECT_DOUBLE_EQ(ScanNumber("1.2.3"), 1.2);
    EXPECT_DOUBLE_EQ(ScanNumber(".5"), 0.5);
    EXPECT_DOUBLE_EQ(ScanNumber("-.5"), -0.5);
    EXPECT_DOUBLE_EQ(ScanNumber("-x5"), 5);
    EXPECT_DOUBLE_EQ(ScanNumber("--7"), -7);
    EXPECT_DOUBLE_EQ(ScanNumber("+8"), 8);
    EXPECT_DOUBLE_EQ(ScanNumber("2.5e-3"), 0.0025);
    EXPECT_DOUBLE_EQ(ScanNumber("2.5e--3"), 0.0025);
    EXPECT_DOUBLE_EQ(ScanNumber("4E2 x"), 400);
    EXPECT_DOUBLE_EQ(ScanNumber("12,5", ','), 12.5);
    EXPECT_DOUBLE_EQ(ScanNumber("12.5", ','), 12);  // "." is no separator here
    EXPECT_EQ(ScanNumber("no number"), 0);
    EXPECT_EQ(ScanNumber(""), 0);

    EXPECT_FALSE(ContainsNumber("1e+5"));
    EXPECT_FALSE(ContainsNumber("7e"));
    EXPECT_FALSE(ContainsNumber("1e999"));
    EXPECT_FALSE(ContainsNumber("- . -"));
    EXPECT_TRUE(ContainsNumber("x0"));
}

TEST(TextFormats, FloatFieldAlignsTheSeparator) {
    EXPECT_EQ(FormatFloatField(3.14159), std::string(17, ' ') + "3.14");
    EXPECT_EQ(FormatFloatField(-123.456, 6, 1), "  -123.5");
    EXPECT_EQ(FormatFloatField(123456789.0, 4, 1), "123456789.0");  // too wide: no blanks
    EXPECT_EQ(FormatFloatField(12.0, 4, 0), "  12");  // no separator: the number still ends in column 4
    EXPECT_EQ(FormatFloatField(2.5, 3, 2, ','), "  2,50");
    EXPECT_EQ(FormatFloatField(123456.0, 0, 2), "1.23E+005");
    EXPECT_EQ(FormatFloatField(-0.00012, 0, 1), "-1.2E-004");

    FloatFieldFormat fmt = SetFloatFormat(10, 4);
    EXPECT_EQ(fmt(1.0), "         1.0000");

    std::ostringstream out;
    WriteFloatField(out, 1.5, 3, 1);
    WriteLineEnd(out);
    EXPECT_EQ(out.str(), "  1.5\r\n");
}

TEST(TextFormats, FixedMatchesPrintfButNotNegativeZero) {
    EXPECT_EQ(FormatFixed(2451545.0, 6), "2451545.000000");
    EXPECT_EQ(FormatFixed(-2.345, 2), "-2.35");  // binary value is just above -2.345
    EXPECT_EQ(FormatFixed(0.125, 2), "0.12");    // exact tie rounds to even, as printf
    EXPECT_EQ(FormatFixed(-0.0001, 3), "0.000");
    EXPECT_EQ(FormatFixed(-0.0, 1), "0.0");
    EXPECT_EQ(FormatFixed(7.0, 0), "7");
    EXPECT_EQ(FormatFixed(1.5, 1, ','), "1,5");
    EXPECT_EQ(FormatFixed(std::nan(""), 2), "NAN");
    EXPECT_EQ(FormatFixed(std::numeric_limits<double>::infinity(), 2), "INF");
    EXPECT_EQ(FormatFloatField(-std::numeric_limits<double>::infinity(), 6, 1), "  -INF");
    EXPECT_NE(FormatFixed(1e300, 2).find("E+300"), std::string::npos);
}

TEST(TextFormats, GeneralAndParsedRealsRoundTrip) {
    EXPECT_EQ(FormatGeneral(2000), "2000");
    EXPECT_EQ(FormatGeneral(12.5), "12.5");
    EXPECT_EQ(FormatGeneral(0.1), "0.1");
    EXPECT_EQ(FormatGeneral(-0.0), "0");
    for (double x : {0.1, -12.5, 1e20, 1.5e-7, 51.4769, 123456789012345.0}) {
        double back = 0;
        ASSERT_TRUE(ParseReal(FormatGeneral(x), back)) << x;
        EXPECT_DOUBLE_EQ(back, x);
    }
    double v = 0;
    EXPECT_TRUE(ParseReal("  +2.5 ", v));
    EXPECT_EQ(v, 2.5);
    EXPECT_TRUE(ParseReal("2,5", v, ','));
    EXPECT_EQ(v, 2.5);
    v = 9;
    for (const char* bad : {"", " ", "2.5x", "1e", "inf", "nan", "+-1", "2.5", "0x10"}) {
        char sep = std::string(bad) == "2.5" ? ',' : '.';
        EXPECT_FALSE(ParseReal(bad, v, sep)) << bad;
    }
    EXPECT_EQ(v, 9);
}

TEST(TextFormats, StringHelpers) {
    EXPECT_EQ(PosIgnoreCase("ngc", "Ngc 1952"), 1);
    EXPECT_EQ(PosIgnoreCase("1952", "Ngc 1952"), 5);
    EXPECT_EQ(PosIgnoreCase("m31", "Ngc 1952"), 0);
    EXPECT_EQ(PosIgnoreCase("", "abc"), 0);

    EXPECT_EQ(PosWildcard("M 1?", "M 13 x", '?'), 1);
    EXPECT_EQ(PosWildcard("1?", "M 13 x", '?'), 3);
    EXPECT_EQ(PosWildcard("m 1?", "M 13 x", '?'), 0);  // case-sensitive
    EXPECT_EQ(PosWildcard("x?", "M 13 x", '?'), 0);    // would run past the end
    EXPECT_EQ(PosWildcard("?", "", '?'), 0);

    EXPECT_EQ(PadLeft("ab", 4, '*'), "**ab");
    EXPECT_EQ(PadRight("ab", 4, '*'), "ab**");
    EXPECT_EQ(PadLeft("abcde", 4, '*'), "abcde");
    EXPECT_EQ(IntToStrZeroPad(7, 3), "007");
    EXPECT_EQ(IntToStrZeroPad(1234, 3), "1234");
    EXPECT_EQ(IntToStrZeroPad(-7, 3), "-07");

    EXPECT_DOUBLE_EQ(SignedPower(2, -3), -9);
    EXPECT_DOUBLE_EQ(SignedPower(0.5, 16), 4);
    EXPECT_EQ(SignedPower(-1, 0), 0);

    DecimalSeparators plain = UseLocaleSeparators(false);
    EXPECT_EQ(plain.decimal, '.');
    EXPECT_EQ(plain.thousands, ',');
}

}  // namespace
}  // namespace orv
