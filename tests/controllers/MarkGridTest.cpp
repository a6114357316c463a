// The mark page's grid: cell texts, parsing of edited cells, row commands.
#include "controllers/MarkGrid.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TMarkEntry Mark(const std::string& d, double ra, double dec, double epoch) { return {d, ra, dec, epoch}; }

void ExpectEntry(const TMarkEntry& e, const std::string& d, double ra, double dec, double epoch) {
    EXPECT_EQ(e.description, d);
    EXPECT_DOUBLE_EQ(e.RA, ra);
    EXPECT_DOUBLE_EQ(e.Dec, dec);
    EXPECT_DOUBLE_EQ(e.Epoch, epoch);
}

TEST(MarkGrid, CellTexts) {
    MarkTable table;
    table.setEntry(0, Mark("Ngc 1952", 2.86081, -12.5, 950));
    table.setEntry(1, Mark("", 0, 0, 2000));
    std::vector<std::string> titles;
    for (int c = 0; c < MarkGridColumns; ++c) titles.push_back(MarkCellText(table, 0, c));
    EXPECT_EQ(titles, (std::vector<std::string>{"#", "Description", "RA", "Dec", "Epoch"}));
    EXPECT_EQ(MarkCellText(table, 1, MarkNumberColumn), "1");
    EXPECT_EQ(MarkCellText(table, 1, MarkDescriptionColumn), "Ngc 1952");
    EXPECT_EQ(MarkCellText(table, 1, MarkRAColumn), "02 51 38.9");
    EXPECT_EQ(MarkCellText(table, 1, MarkDecColumn), "-12 30 00");
    EXPECT_EQ(MarkCellText(table, 1, MarkEpochColumn), "0950.0");
    EXPECT_EQ(MarkCellText(table, 2, MarkEpochColumn), "2000.0");
    EXPECT_EQ(MarkCellText(table, 501, MarkRAColumn), "");
    EXPECT_EQ(FormatEpochCell(0), "0000.0");
    EXPECT_EQ(FormatEpochCell(-5), "-0005.0");
    EXPECT_EQ(FormatEpochCell(12345.67), "12345.7");
    EXPECT_EQ(MarkColumnEditMask(MarkDecColumn), "!##0\\ 00\\ 00;1");
}

TEST(MarkGrid, EditedCellsParse) {
    EXPECT_DOUBLE_EQ(ParseSexagesimalCell("-12 30 00"), -12.5);
    EXPECT_DOUBLE_EQ(ParseSexagesimalCell("1-2 30"), -12.5);
    EXPECT_DOUBLE_EQ(ParseSexagesimalCell("02 51 38.9"), 2 + 51 / 60.0 + 38.9 / 3600);
    EXPECT_DOUBLE_EQ(ParseSexagesimalCell("5"), 5);
    EXPECT_DOUBLE_EQ(ParseSexagesimalCell("--1 30"), -1.5);
    EXPECT_EQ(ParseSexagesimalCell(""), 0);

    MarkTable table;
    table.setEntry(0, Mark("x", 1, 1, 1950));
    EXPECT_TRUE(StoreMarkCell(table, 1, MarkDecColumn, "-12 30 00"));
    EXPECT_TRUE(table.MarksChanged());
    EXPECT_TRUE(StoreMarkCell(table, 1, MarkEpochColumn, "    .  "));  // no number: unchanged
    EXPECT_TRUE(StoreMarkCell(table, 1, MarkDescriptionColumn, "  M 31 "));
    ExpectEntry(table.entry(0), "  M 31 ", 1, -12.5, 1950);
    EXPECT_TRUE(StoreMarkCell(table, 1, MarkEpochColumn, "2000.0"));
    EXPECT_DOUBLE_EQ(table.entry(0).Epoch, 2000);
    EXPECT_FALSE(StoreMarkCell(table, 0, MarkRAColumn, "1"));
    EXPECT_FALSE(StoreMarkCell(table, 1, MarkNumberColumn, "1"));
    EXPECT_FALSE(StoreMarkCell(table, 501, MarkRAColumn, "1"));
}

TEST(MarkGrid, RowCommands) {
    MarkTable table;
    table.setEntry(0, Mark("a", 1, 0, 0));
    table.setEntry(1, Mark("b", 2, 0, 0));
    table.setEntry(499, Mark("z", 3, 0, 0));

    EXPECT_EQ(MoveMarkUp(table, 1), 1);
    EXPECT_TRUE(table.MarksChanged());
    EXPECT_EQ(table.entry(0).description, "a");
    table.setMarksChanged(false);
    EXPECT_EQ(MoveMarkDown(table, 500), 500);
    EXPECT_TRUE(table.MarksChanged());
    EXPECT_EQ(table.entry(499).description, "z");

    EXPECT_EQ(MoveMarkDown(table, 1), 2);
    EXPECT_EQ(table.entry(0).description, "b");
    EXPECT_EQ(table.entry(1).description, "a");
    EXPECT_EQ(MoveMarkUp(table, 2), 1);
    EXPECT_EQ(table.entry(0).description, "a");

    EXPECT_TRUE(InsertCurrentLocation(table, 2, 6.5, 45, 2024.5));
    ExpectEntry(table.entry(1), "", 6.5, 45, 2024.5);
    EXPECT_EQ(table.entry(2).description, "b");
    EXPECT_TRUE(DeleteMarkRow(table, 2));
    EXPECT_EQ(table.entry(1).description, "b");
}

TEST(MarkGrid, FindFromTheSelectedRow) {
    MarkTable table;
    table.setEntry(5, Mark("Ngc 1952", 5.5, 22, 2000));
    EXPECT_EQ(FindMarkRow(table, 3, "ngc"), 6);
    EXPECT_EQ(FindMarkRow(table, 6, "ngc"), 0);  // the selected row itself is never a hit
    EXPECT_EQ(NotFoundMessage("ngc"), "Not Found: \"ngc\"");
}

}  // namespace
}  // namespace orv
