#include "config/MarkTable.h"

#include <gtest/gtest.h>

#include <thread>

#include "config/ProfileFile.h"
#include "config/ScratchDir.h"

namespace orv {
namespace {

using testing::ReadWholeFile;
using testing::ScratchDir;
using testing::WriteWholeFile;

TMarkEntry Mark(const std::string& d, double ra, double dec, double epoch) { return {d, ra, dec, epoch}; }

void ExpectEntry(const TMarkEntry& e, const std::string& d, double ra, double dec, double epoch) {
    EXPECT_EQ(e.description, d);
    EXPECT_DOUBLE_EQ(e.RA, ra);
    EXPECT_DOUBLE_EQ(e.Dec, dec);
    EXPECT_DOUBLE_EQ(e.Epoch, epoch);
}

TEST(MarkFile, SavingWritesAllFiveHundredEntries) {
    ScratchDir dir;
    std::string path = dir.file("empty.mrk");
    MarkTable table;
    table.setMarksChanged(true);
    ASSERT_EQ(table.SaveMarkFile(path), std::nullopt);
    EXPECT_FALSE(table.MarksChanged());

    ProfileFile f;
    ASSERT_EQ(f.load(path), std::nullopt);
    std::vector<std::string> keys = f.keys("Points");
    ASSERT_EQ(keys.size(), 1u + 4u * 500u);
    EXPECT_EQ(f.readString("Points", "Count", ""), "500");
    EXPECT_EQ((std::vector<std::string>(keys.begin() + 1, keys.begin() + 5)),
              (std::vector<std::string>{"Name1", "RA1", "Dec1", "Epoch1"}));
    EXPECT_EQ(keys.back(), "Epoch500");
    EXPECT_EQ(f.readString("Points", "Name500", "x"), "");
    EXPECT_EQ(f.readString("Points", "Dec500", "x"), "0");
}

TEST(MarkFile, SaveAndLoadRoundTripKeepingOtherSections) {
    ScratchDir dir;
    std::string path = dir.file("night.mrk");
    WriteWholeFile(path, "[Observer]\r\nName=Ana\r\n[Points]\r\nCount=1\r\nName1=old\r\n");
    MarkTable table;
    table.setEntry(0, Mark("Ngc 1952", 5.575538, 22.0145, 2000));
    table.setEntry(499, Mark("last", 23.5, -0.0000001, 1950.5));
    ASSERT_EQ(table.SaveMarkFile(path), std::nullopt);
    EXPECT_NE(ReadWholeFile(path).find("[Observer]\r\nName=Ana\r\n"), std::string::npos);

    MarkTable back;
    back.setMarksChanged(true);
    ASSERT_EQ(back.LoadMarkFile(path), std::nullopt);
    EXPECT_FALSE(back.MarksChanged());
    EXPECT_EQ(back.fileName(), path);
    ExpectEntry(back.entry(0), "Ngc 1952", 5.575538, 22.0145, 2000);
    ExpectEntry(back.entry(499), "last", 23.5, -0.0000001, 1950.5);
}

TEST(MarkFile, LoadReplacesOnlyTheEntriesItCounts) {
    ScratchDir dir;
    MarkTable table;
    for (int i = 0; i < MarkTable::Capacity; ++i) table.setEntry(i, Mark("kept", i, 0, 0));

    std::string three = dir.file("three.mrk");
    WriteWholeFile(three,
                   "[points]\r\ncount=3\r\nName1=a\r\nRA1=1.5\r\nDec1=-2\r\nEpoch1=2000\r\n"
                   "name3=c\r\nRA3=3\r\n");  // entry 2 lacks Dec and Epoch, entry 1 everything
    ASSERT_EQ(table.LoadMarkFile(three), std::nullopt);
    ExpectEntry(table.entry(0), "a", 1.5, -2, 2000);
    ExpectEntry(table.entry(1), "", 0, 0, 0);
    ExpectEntry(table.entry(2), "c", 3, 0, 0);
    ExpectEntry(table.entry(3), "kept", 3, 0, 0);
    ExpectEntry(table.entry(499), "kept", 499, 0, 0);

    // A missing file or section loads nothing, but its name becomes current.
    std::string missing = dir.file("missing.mrk");
    ASSERT_EQ(table.LoadMarkFile(missing), std::nullopt);
    EXPECT_EQ(table.fileName(), missing);
    ExpectEntry(table.entry(0), "a", 1.5, -2, 2000);

    WriteWholeFile(three, "[Points]\r\nCount=-4\r\nName1=never\r\n");
    ASSERT_EQ(table.LoadMarkFile(three), std::nullopt);
    EXPECT_EQ(table.entry(0).description, "a");
    WriteWholeFile(three, "[Points]\r\nCount=9999\r\nName500=five hundred\r\n");
    ASSERT_EQ(table.LoadMarkFile(three), std::nullopt);
    EXPECT_EQ(table.entry(499).description, "five hundred");
}

TEST(MarkFile, ValueThatIsNoNumberLeavesTheTableAsItWas) {
    ScratchDir dir;
    std::string path = dir.file("bad.mrk");
    WriteWholeFile(path,
                   "[Points]\r\nCount=3\r\nName1=first\r\nRA1=1\r\n"
                   "Name2=second\r\nRA2=2\r\nDec2=12,5\r\nName3=third\r\n");
    MarkTable table;
    table.setFileName("old.mrk");
    table.setEntry(0, Mark("before", 6, 6, 6));
    table.setEntry(1, Mark("before", 7, 7, 7));
    table.setMarksChanged(true);
    auto err = table.LoadMarkFile(path);
    ASSERT_TRUE(err.has_value());
    EXPECT_EQ(*err, "'12,5' is not a valid floating point value");
    // Not a mixture of the two files: the entry read before the bad value is not taken either.
    ExpectEntry(table.entry(0), "before", 6, 6, 6);
    ExpectEntry(table.entry(1), "before", 7, 7, 7);
    EXPECT_EQ(table.fileName(), "old.mrk");
    EXPECT_TRUE(table.MarksChanged());
}

TEST(MarkFile, RefusedWriteKeepsTheOldFileAndTheChangedFlag) {
    ScratchDir dir;
    MarkTable table;
    table.setEntry(0, Mark("M 42", 5.59, -5.39, 2000));
    table.setMarksChanged(true);

    std::string noDir = dir.file("gone/marks.mrk");
    EXPECT_EQ(table.SaveMarkFile(noDir), "Unable to write to " + noDir);
    EXPECT_TRUE(table.MarksChanged());
    std::filesystem::create_directory(dir.file("adir.mrk"));
    EXPECT_EQ(table.SaveMarkFile(dir.file("adir.mrk")), "Unable to write to " + dir.file("adir.mrk"));
    EXPECT_TRUE(table.MarksChanged());

    // A write that fails half way (the file may not grow past 4 KiB, as on a full disk).
    std::string path = dir.file("old.mrk");
    const std::string old = "[Points]\r\nCount=1\r\nName1=precious\r\nRA1=1\r\nDec1=2\r\nEpoch1=2000\r\n";
    WriteWholeFile(path, old);
    int rc = testing::RunWithFileSizeLimit(4096, [&] {
        auto e = table.SaveMarkFile(path);
        return e == "Unable to write to " + path && table.MarksChanged() ? 0 : 1;
    });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(ReadWholeFile(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);  // old.mrk, adir.mrk
}

TEST(MarkTable, InsertDeleteSwapAndFind) {
    MarkTable table;
    for (int i = 0; i < MarkTable::Capacity; ++i) table.setEntry(i, Mark("m" + std::to_string(i), i, 0, 0));

    EXPECT_TRUE(table.InsertMark(Mark("new last", 1, 2, 3), 499));  // row 500: the old last is lost
    EXPECT_TRUE(table.MarksChanged());
    ExpectEntry(table.entry(499), "new last", 1, 2, 3);
    EXPECT_EQ(table.entry(498).description, "m498");

    EXPECT_TRUE(table.InsertMark(Mark("first", 0, 0, 0), 0));
    EXPECT_EQ(table.entry(0).description, "first");
    EXPECT_EQ(table.entry(1).description, "m0");
    EXPECT_EQ(table.entry(499).description, "m498");

    EXPECT_TRUE(table.DeleteMark(0));
    EXPECT_EQ(table.entry(0).description, "m0");
    ExpectEntry(table.entry(499), "", 0, 0, 0);
    EXPECT_EQ(table.entry(498).description, "m498");

    table.setMarksChanged(false);
    EXPECT_FALSE(table.InsertMark(Mark("x", 0, 0, 0), 500));
    EXPECT_FALSE(table.DeleteMark(-1));
    EXPECT_FALSE(table.SwapMarks(499, 500));
    EXPECT_FALSE(table.MarksChanged());

    table.setEntry(5, Mark("Ngc 1952", 5.5, 22, 2000));
    EXPECT_EQ(table.FindMark(0, "NGC 19"), 5);
    EXPECT_EQ(table.FindMark(0, ""), -1);
}

TEST(MarkTable, RemoteStoreAndSelect) {
    MarkTable table;
    table.setEntry(7, Mark("guide star", 1, 1, 1950));
    EXPECT_TRUE(table.SetMarkRemote(7, 10.5, -20.25, 2000));
    ExpectEntry(table.entry(7), "guide star", 10.5, -20.25, 2000);
    EXPECT_FALSE(table.MarksChanged());
    EXPECT_FALSE(table.SetMarkRemote(500, 1, 1, 1));
    EXPECT_FALSE(table.SetMarkRemote(-1, 1, 1, 1));

    auto target = table.SelectMarkTarget(7);
    ASSERT_TRUE(target.has_value());
    EXPECT_DOUBLE_EQ(target->RA, 10.5);
    EXPECT_FALSE(table.SelectMarkTarget(500).has_value());
    EXPECT_FALSE(table.SelectMarkTarget(-1).has_value());
}

TEST(MarkTable, RemoteStoresRaceTheOperatorSafely) {
    MarkTable table;
    std::thread remote([&] {
        for (int i = 0; i < 2000; ++i) table.SetMarkRemote(i % 500, 1, 2, 2000);
    });
    for (int i = 0; i < 200; ++i) {
        table.InsertMark(Mark("op", 3, 4, 2000), i % 500);
        table.DeleteMark((i * 7) % 500);
        (void)table.FindMark(0, "op");
    }
    remote.join();
    for (int i = 0; i < MarkTable::Capacity; ++i) {
        TMarkEntry e = table.entry(i);
        EXPECT_TRUE(e.description.empty() || e.description == "op");
    }
}


TEST(MarkDialogFlow, QuerySaveFollowsTheOperatorsAnswers) {
    ScratchDir dir;
    MarkTable table;
    int asked = 0, chosen = 0;
    std::string question;
    auto answer = [&](SaveAnswer a) {
        return [&, a](const std::string& q) {
            ++asked;
            question = q;
            return a;
        };
    };
    auto chooseName = [&](std::optional<std::string> name) {
        return [&, name](const std::string&) {
            ++chosen;
            return name;
        };
    };

    // Nothing changed: no question.
    EXPECT_TRUE(QuerySaveMarks(table, answer(SaveAnswer::Cancel), chooseName(std::nullopt)).proceed);
    EXPECT_EQ(asked, 0);

    table.setMarksChanged(true);
    EXPECT_FALSE(QuerySaveMarks(table, answer(SaveAnswer::Cancel), chooseName(std::nullopt)).proceed);
    EXPECT_EQ(question, "Save Changes?");
    EXPECT_TRUE(QuerySaveMarks(table, answer(SaveAnswer::No), chooseName(std::nullopt)).proceed);
    EXPECT_TRUE(table.MarksChanged());

    // Yes without a file: the save dialog; cancelling it stops the load.
    EXPECT_FALSE(QuerySaveMarks(table, answer(SaveAnswer::Yes), chooseName(std::nullopt)).proceed);
    EXPECT_EQ(chosen, 1);
    std::string path = dir.file("chosen.mrk");
    EXPECT_TRUE(QuerySaveMarks(table, answer(SaveAnswer::Yes), chooseName(path)).proceed);
    EXPECT_EQ(table.fileName(), path);
    EXPECT_FALSE(table.MarksChanged());
    EXPECT_TRUE(std::filesystem::exists(path));

    // Yes with an existing file: saved there without the dialog.
    table.setMarksChanged(true);
    int chosenBefore = chosen;
    EXPECT_TRUE(QuerySaveMarks(table, answer(SaveAnswer::Yes), chooseName(std::nullopt)).proceed);
    EXPECT_EQ(question, "Save Changes To File: chosen.mrk?");
    EXPECT_EQ(chosen, chosenBefore);

    // A failed save is reported and stops the load.
    table.setMarksChanged(true);
    table.setFileName("");
    std::string bad = dir.file("none/x.mrk");
    MarkSaveOutcome out = QuerySaveMarks(table, answer(SaveAnswer::Yes),
                                         [&](const std::string&) { return std::optional<std::string>(bad); });
    EXPECT_FALSE(out.proceed);
    EXPECT_EQ(out.error, "Unable to write to " + bad);
    EXPECT_TRUE(table.MarksChanged());
}

}  // namespace
}  // namespace orv
