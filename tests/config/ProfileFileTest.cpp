#include "config/ProfileFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "config/AtomicFile.h"
#include "config/ScratchDir.h"

namespace orv {
namespace {

using testing::ReadWholeFile;
using testing::ScratchDir;
using testing::WriteWholeFile;

const char* const Sample =
    "; operator defaults\r\n"
    "[Telescope]\r\n"
    "Mode = 1 \r\n"
    "\r\n"
    "[Rates]\r\n"
    "GuideSpeed=2.5\r\n"
    "Name=\"  quoted  \"\r\n"
    "Empty=\r\n"
    "junk line\r\n"
    "[rates]\r\n"
    "GuideSpeed=99\r\n"
    "SetSpeed=30\r\n";

TEST(ProfileFile, LooksUpIgnoringCaseFirstMatchWins) {
    ProfileFile f = ProfileFile::fromText(Sample);
    EXPECT_EQ(f.readString("telescope", "MODE", "x"), "1");
    EXPECT_EQ(f.readString("RATES", "guidespeed", "x"), "2.5");
    EXPECT_EQ(f.readString("Rates", "Name", "x"), "  quoted  ");
    EXPECT_EQ(f.readString("Rates", "Empty", "x"), "");
    // The second [rates] is shadowed by the first, as are its keys.
    EXPECT_EQ(f.readString("Rates", "SetSpeed", "none"), "none");
    EXPECT_EQ(f.readString("Dome", "Mode", "none"), "none");
    EXPECT_EQ(f.readInteger("Telescope", "Mode", 7), 1);
    EXPECT_EQ(f.readInteger("Rates", "GuideSpeed", 7), 2);
    EXPECT_EQ(f.readInteger("Rates", "Missing", 7), 7);
    EXPECT_TRUE(f.readBool("Telescope", "Mode", false));
    EXPECT_EQ(f.sections(), (std::vector<std::string>{"Telescope", "Rates"}));
    EXPECT_EQ(f.keys("rates"), (std::vector<std::string>{"GuideSpeed", "Name", "Empty"}));
}

TEST(ProfileFile, WritesKeepOrderCommentsAndLineEnds) {
    ProfileFile f = ProfileFile::fromText(Sample);
    f.writeString("telescope", "mode", "0");      // replaces in place, keeps the key's spelling
    f.writeString("Telescope", "Side", "East");   // after the last key, before the blank line
    f.writeString("Form", "Top", "10");           // new section at the end
    f.writeString("Form", "Note", "two\r\nlines");  // cannot break the file apart
    EXPECT_EQ(f.text(),
              "; operator defaults\r\n"
              "[Telescope]\r\n"
              "Mode=0\r\n"
              "Side=East\r\n"
              "\r\n"
              "[Rates]\r\n"
              "GuideSpeed=2.5\r\n"
              "Name=\"  quoted  \"\r\n"
              "Empty=\r\n"
              "junk line\r\n"
              "[rates]\r\n"
              "GuideSpeed=99\r\n"
              "SetSpeed=30\r\n"
              "[Form]\r\n"
              "Top=10\r\n"
              "Note=two  lines\r\n");

    // A value that reading would trim or unquote reads back as written; so does
    // one with a carriage return inside, which ends no line (a device name read
    // from a hand-edited file once lost it on a save).
    for (const std::string value : {" lead", "'both'", "\"a\"", "trail\t", "tty\rS0", "cr at end\r"}) {
        f.writeString("Form", "Note", value);
        EXPECT_EQ(f.readString("Form", "Note", ""), value);
        EXPECT_EQ(ProfileFile::fromText(f.text()).readString("Form", "Note", ""), value);
    }

    ProfileFile unix = ProfileFile::fromText("[A]\nx=1\n");
    unix.writeString("A", "y", "2");
    EXPECT_EQ(unix.text(), "[A]\nx=1\ny=2\n");
}

// A file edited on several systems mixes its line ends; a save that changes
// nothing must give back every byte, however often it is repeated.
TEST(ProfileFile, LoadAndSaveGiveBackTheFileByteForByte) {
    ScratchDir dir;
    const std::string path = dir.file("marks.mrk");
    const std::string mixed = "[Points]\nCount=2\r\r\nName1=a\r\n\rName2=b\r\r\r\nRA1=1.5\n\r\n[Tail]\nx=1";
    WriteWholeFile(path, mixed);
    for (int save = 0; save < 3; ++save) {
        ProfileFile f;
        ASSERT_EQ(f.load(path), std::nullopt);
        ASSERT_EQ(f.save(), std::nullopt);
    }
    EXPECT_EQ(ReadWholeFile(path), mixed);

    ProfileFile f = ProfileFile::fromText(mixed);
    EXPECT_EQ(f.readInteger("Points", "Count", 0), 2);   // the stray CR is no part of the value
    EXPECT_EQ(IniReadReal(f, "Points", "RA1", 0), 1.5);
    f.writeString("Tail", "y", "2");   // the last line, which had no end, gets one
    EXPECT_EQ(f.text(), mixed + "\ny=2\n");
}

TEST(ProfileFile, EraseRemovesEverySectionOfTheName) {
    ProfileFile f = ProfileFile::fromText(Sample);
    f.eraseSection("RATES");
    EXPECT_FALSE(f.hasSection("Rates"));
    EXPECT_EQ(f.text(), "; operator defaults\r\n[Telescope]\r\nMode = 1 \r\n\r\n");
    f.eraseKey("Telescope", "mode");
    EXPECT_FALSE(f.hasKey("Telescope", "Mode"));
    EXPECT_TRUE(f.hasSection("Telescope"));

    // A key written twice by hand: erased, neither line comes back on the next read.
    ProfileFile twice = ProfileFile::fromText("[ExComRS232]\r\nDevice=\r\nPort=0\r\nDevice=/dev/ttyUSB0\r\n");
    twice.eraseKey("ExComRS232", "Device");
    EXPECT_EQ(twice.text(), "[ExComRS232]\r\nPort=0\r\n");
}

TEST(ProfileFile, LoadAndSaveReplaceTheWholeFile) {
    ScratchDir dir;
    ProfileFile f;
    ASSERT_EQ(f.load(dir.file("missing.ini")), std::nullopt);
    EXPECT_TRUE(f.sections().empty());
    EXPECT_EQ(f.path(), dir.file("missing.ini"));

    std::string path = dir.file("WinOrv.ini");
    WriteWholeFile(path, Sample);
    ::chmod(path.c_str(), 0640);
    ASSERT_EQ(f.load(path), std::nullopt);
    f.writeString("Rates", "SetSpeed", "45");
    ASSERT_EQ(f.save(), std::nullopt);

    ProfileFile back;
    ASSERT_EQ(back.load(path), std::nullopt);
    EXPECT_EQ(back.readString("Rates", "SetSpeed", ""), "45");
    EXPECT_EQ(back.text(), f.text());
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    // Nothing but the file itself is left in the directory.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    EXPECT_NE(f.load(dir.path().string()), std::nullopt);  // a directory is no profile
    ASSERT_EQ(::mkfifo(dir.file("fifo.ini").c_str(), 0600), 0);  // nor a FIFO, which would hang the read
    EXPECT_EQ(f.load(dir.file("fifo.ini")), "cannot read " + dir.file("fifo.ini") + ": not a regular file");
}

TEST(ProfileFile, FailedSaveLeavesTheOldFileAndSaysWhy) {
    ScratchDir dir;
    std::string path = dir.file("marks.ini");
    const std::string old = "[Points]\r\nCount=1\r\n";
    WriteWholeFile(path, old);

    ProfileFile big(path);
    for (int i = 0; i < 2000; ++i) big.writeString("Points", "Name" + std::to_string(i), "some description");
    // The write stops half way, as on a full disk.
    int rc = testing::RunWithFileSizeLimit(4096, [&] { return big.save() ? 1 : 0; });
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(ReadWholeFile(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    auto noDir = ProfileFile(dir.file("no/such/dir.ini")).save();
    ASSERT_TRUE(noDir.has_value());
    EXPECT_NE(noDir->find("no/such"), std::string::npos);
    std::filesystem::create_directory(dir.file("taken"));
    EXPECT_NE(WriteFileAtomically(dir.file("taken"), "x"), std::nullopt);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken")));
}

TEST(ProfileFile, RealsUseThePointWhateverTheLocale) {
    ProfileFile f = ProfileFile::fromText("[P]\r\nRA1=12.5\r\nBad=12,5\r\nBlank=\r\n");
    EXPECT_EQ(IniReadReal(f, "P", "RA1", 0), 12.5);
    EXPECT_EQ(IniReadReal(f, "P", "Dec1", -3.25), -3.25);
    EXPECT_THROW(IniReadReal(f, "P", "Bad", 0), ConversionError);
    EXPECT_THROW(IniReadReal(f, "P", "Blank", 0), ConversionError);
    try {
        IniReadReal(f, "P", "Bad", 0);
    } catch (const ConversionError& e) {
        EXPECT_STREQ(e.what(), "'12,5' is not a valid floating point value");
    }

    IniWriteReal(f, "P", "A", 2000);
    IniWriteReal(f, "P", "B", 0.1);
    IniWriteReal(f, "P", "C", -1.23456789012345678);
    EXPECT_EQ(f.readString("P", "A", ""), "2000");
    EXPECT_EQ(f.readString("P", "B", ""), "0.1");
    EXPECT_EQ(f.readString("P", "C", ""), "-1.23456789012346");
    EXPECT_DOUBLE_EQ(IniReadReal(f, "P", "C", 0), -1.23456789012346);
}

}  // namespace
}  // namespace orv
