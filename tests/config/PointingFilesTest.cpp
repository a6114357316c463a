// The files of the pointing model: point files read back, and new terms written
// into WinOrv.DAT.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>

#include "ScratchDir.h"
#include "config/PatFile.h"
#include "config/StateDataFile.h"
#include "config/StateDataWriter.h"

namespace orv {
namespace {

using testing::ReadWholeFile;
using testing::ScratchDir;
using testing::WriteWholeFile;

TEST(PatFile, ReadsTheWrittenFormatAndItsLooserForms) {
    // Two points as Orv writes them: fixed width, 6 decimals, CR LF, an empty line after each.
    const std::string written =
        "  12.500000\r\n  -4.830000\r\n  12.510000\r\n  -4.820000\r\n   1.250000\r\n\r\n"
        "   0.000000\r\n  89.000000\r\n  23.999000\r\n 123.250000\r\n -11.000000\r\n\r\n";
    PatFileContents f = ParsePatFile(written);
    ASSERT_EQ(f.error, "");
    ASSERT_EQ(f.points.size(), 2u);
    EXPECT_EQ(f.points[0].nextRA, 12.5);
    EXPECT_EQ(f.points[0].nextDec, -4.83);
    EXPECT_EQ(f.points[0].teleRA, 12.51);
    EXPECT_EQ(f.points[0].teleDec, -4.82);
    EXPECT_EQ(f.points[0].teleHA, 1.25);
    EXPECT_EQ(f.points[1].teleDec, 123.25);   // a mount pointed through the pole
    EXPECT_EQ(f.points[1].teleHA, -11.0);

    // A "," locale, LF line ends, no empty line at the end; an empty file.
    f = ParsePatFile("12,5\n-4,83\n12,51\n-4,82\n1,25");
    ASSERT_EQ(f.error, "");
    ASSERT_EQ(f.points.size(), 1u);
    EXPECT_EQ(f.points[0].nextDec, -4.83);
    EXPECT_TRUE(ParsePatFile("").points.empty());
}

TEST(PatFile, TwoPointsAreWrittenAsTwelveLinesAndReadBack) {
    const std::vector<astro::PointPlaces> points{{12.5, -4.83, 12.51, 123.25, -0.5},
                                                 {1.0 / 3.0, 89.9999996, 23.9999999, -90, 1e-7}};
    const std::string text = PatFileText(points);
    EXPECT_EQ(text,
              "  12.500000\r\n"
              "  -4.830000\r\n"
              "  12.510000\r\n"
              " 123.250000\r\n"
              "  -0.500000\r\n"
              "\r\n"
              "   0.333333\r\n"
              "  90.000000\r\n"
              "  24.000000\r\n"
              " -90.000000\r\n"
              "   0.000000\r\n"
              "\r\n");
    EXPECT_EQ(PatFileText({}), "");

    PatFileContents back = ParsePatFile(text);
    ASSERT_EQ(back.error, "");
    ASSERT_EQ(back.points.size(), 2u);
    EXPECT_EQ(back.points[0], points[0]);
    EXPECT_EQ(back.points[1].nextRA, 0.333333);
}

TEST(PatFile, NamesTheLineOfWhatIsNotAPoint) {
    const std::string one = "1.0\r\n2.0\r\n1.0\r\n2.0\r\n0.5\r\n\r\n";
    EXPECT_EQ(ParsePatFile(one + "1.0\r\n2.0\r\n\r\n").error,
              "line 9: point 2 (from line 7) has 2 numbers, not five");
    EXPECT_EQ(ParsePatFile("1.0\n2.0\n1.0\n2.0\n0.5\n7.0\n").error,
              "line 6: a sixth line where the empty line after a point belongs");
    EXPECT_EQ(ParsePatFile(one + "1.0\r\n2.0x\r\n").error, "line 8: not a number");
    EXPECT_EQ(ParsePatFile("25.0\n0\n0\n0\n0\n").error, "line 1: a right ascension outside 0..24 hours");
    const PatFileContents cut = ParsePatFile(one + "1.0\r\n2.0\r\n3.0");
    EXPECT_EQ(cut.points.size(), 1u);   // the complete points before the error stay
    EXPECT_EQ(cut.error, "line 9: the file ends inside point 2 (3 of five numbers)");
}

// orvfit reads the files it is given: a FIFO would hang it, a device never end.
TEST(PatFile, OnlyARegularFileIsRead) {
    ScratchDir dir;
    const std::string fifo = dir.file("points.pat"), device = dir.file("zero.pat");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", device);
    for (const std::string& path : {fifo, device}) {
        const auto start = std::chrono::steady_clock::now();
        const PatFileContents f = ReadPatFile(path);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << path;
        EXPECT_EQ(f.error, "cannot read " + path + ": not a regular file");
        EXPECT_TRUE(f.points.empty());
    }
}

TEST(StateDataWriter, ReplacesOnlyThePointingNumbersAndKeepsTheOldFile) {
    ScratchDir dir;
    const std::string path = dir.file("WinOrv.DAT");
    // Comments after the numbers, a blank line, a number not at the line start.
    std::string old = "40.0 latitude\r\n105.0 longitude\r\n\r\n0.9 refraction\r\n";
    for (int line = 4; line <= 12; ++line) old += "  0.0 term line " + std::to_string(line) + "\r\n";
    // The other lines: plausible values (the loader checks each against its range).
    for (int line = 13; line <= 29; ++line)
        old += (line == 17 ? std::string("0.00000342") : line == 20 ? std::string("360000") : std::to_string(line)) + "\r\n";
    WriteWholeFile(path, old);

    astro::PointingTerms terms{0, 120.25, -90.5, 30.125, 1, 2, 45, 7, 8, 20};
    ASSERT_EQ(WritePointingTerms(path, terms), std::nullopt);
    EXPECT_EQ(ReadWholeFile(path + ".bak"), old);
    const std::string now = ReadWholeFile(path);
    EXPECT_NE(now.find("  120.2500 term line 4\r\n  -90.5000 term line 5\r\n"), std::string::npos) << now;
    EXPECT_NE(now.find("  20.0000 term line 10\r\n  7.0000 term line 11\r\n  8.0000 term line 12\r\n13\r\n"),
              std::string::npos) << now;
    EXPECT_EQ(now.substr(0, 35), old.substr(0, 35));

    // The loader reads every term back in its place.
    Parameters p;
    std::string failed;
    ASSERT_EQ(LoadStateData(path, "WinOrv.DAT", p, failed), std::nullopt);
    EXPECT_EQ(p.PointingTerm1, 120.25);
    EXPECT_EQ(p.PointingTerm3, 30.125);
    EXPECT_EQ(p.PointingTerm6, 45.0);
    EXPECT_EQ(p.PointingTerm7, 7.0);
    EXPECT_EQ(p.PointingTerm9, 20.0);
    EXPECT_EQ(p.Latitude, 40.0);

    // A file too short to hold the terms is left alone.
    WriteWholeFile(path, "40\n105\n0.9\n1\n");
    EXPECT_NE(WritePointingTerms(path, terms), std::nullopt);
    EXPECT_EQ(ReadWholeFile(path), "40\n105\n0.9\n1\n");
}

}  // namespace
}  // namespace orv
