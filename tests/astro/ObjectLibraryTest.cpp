#include "astro/ObjectLibrary.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace orv {
namespace {

const TStarLib& Record(int number) {
    const TStarLib* r = LibraryRecordByNumber(number);
    EXPECT_NE(r, nullptr) << number;
    static const TStarLib none{0, 0, 0, "", ""};
    return r ? *r : none;
}

int RowOf(const LibraryList& list, int number) {
    for (int i = 0; i < list.size(); ++i)
        if (list.at(i).Number == number) return i + 1;
    return 0;
}

TEST(ObjectLibraryTable, HoldsSixContiguousGroupsInArrayOrder) {
    const auto& table = StarLibrary();
    std::vector<int> expected;
    for (auto [first, last] : {std::pair{1, 109}, {201, 305}, {401, 424}, {501, 528}, {600, 645}, {700, 823}})
        for (int n = first; n <= last; ++n) expected.push_back(n);
    ASSERT_EQ(expected.size(), table.size());
    std::set<int> withoutCatalog;
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].Number, expected[i]) << "array position " << i;
        EXPECT_GE(table[i].RA, 0.0) << table[i].Number;
        EXPECT_LT(table[i].RA, 24.0) << table[i].Number;
        EXPECT_GE(table[i].Dec, -90.0) << table[i].Number;
        EXPECT_LE(table[i].Dec, 90.0) << table[i].Number;
        ASSERT_NE(table[i].Name, nullptr);
        ASSERT_NE(table[i].Catalog, nullptr);
        if (std::string(table[i].Catalog).empty()) withoutCatalog.insert(table[i].Number);
    }
    EXPECT_EQ(withoutCatalog, (std::set<int>{627, 745}));
    EXPECT_STREQ(Record(207).Name, "NGC 869 \"h\"");
    EXPECT_STREQ(Record(208).Name, "NGC 884 \"chi\"");
    EXPECT_STREQ(Record(208).Catalog, "NGC 884");
    EXPECT_STREQ(Record(102).Name, "M102 = M101");
}

TEST(ObjectLibraryTable, ReferenceRowsCarryTheirPlacesExactly) {
    struct Row { int number; const char* name; const char* catalog; double ra, dec; };
    const Row rows[] = {
        {1, "Crab Nebula", "NGC 1952", 5.575, 22.0167},
        {2, "M 2", "NGC 7089", 21.5581, -0.8217},  // M 2 lies south of the equator
        {201, "M31 Andromeda", "NGC 224", 0.7128, 41.27},
        {401, "delta And", "BS 165", 0.6556, 30.8617},
        {501, "Sirius", "BS 2491", 6.7525, -16.7161},
        {600, "alpha phoenix", "BS 099", 0.4381, -42.305},
        {627, "86 Proxima Cen", "", 14.495, -62.6833},
        {700, "H 3", "NGC 055", 0.25, -39.2233},
        {823, "H 1015", "NGC 7793", 23.9644, -32.5717},
    };
    for (const Row& row : rows) {
        const TStarLib& r = Record(row.number);
        EXPECT_EQ(r.Number, row.number);
        EXPECT_STREQ(r.Name, row.name);
        EXPECT_STREQ(r.Catalog, row.catalog);
        EXPECT_EQ(r.RA, row.ra) << row.number;
        EXPECT_EQ(r.Dec, row.dec) << row.number;
    }
}

TEST(ObjectLibraryTable, OneObjectHasOnePlaceWhereverItStands) {
    for (auto [a, b] : {std::pair{31, 201}, {2, 300}, {228, 501}, {101, 102}, {214, 505}, {284, 503}, {22, 283}}) {
        EXPECT_EQ(Record(a).RA, Record(b).RA) << a << " " << b;
        EXPECT_EQ(Record(a).Dec, Record(b).Dec) << a << " " << b;
    }
}

TEST(ObjectLibraryTable, PlacesFitTheirGroups) {
    // Group 2 and group 6 run in right ascension; a place far out of step is
    // the wrong object. Records 795 and 803 carry designations of northern
    // galaxies at 12.7 h and keep their places.
    const std::set<int> outOfStep{795, 803};
    for (auto [first, last] : {std::pair{201, 305}, {700, 823}}) {
        int previous = first;
        for (int n = first + 1; n <= last; ++n) {
            if (outOfStep.count(n)) continue;
            EXPECT_GT(Record(n).RA, Record(previous).RA - 0.05) << n;
            previous = n;
        }
    }
    for (int n = 401; n <= 424; ++n) {
        EXPECT_GE(Record(n).Dec, 30.0) << n;
        EXPECT_LE(Record(n).Dec, 50.0) << n;
    }
    for (int n = 600; n <= 645; ++n) EXPECT_LT(Record(n).Dec, 0.0) << n;
    // Messier 22 is at 18.6 h, whatever its designation column says.
    EXPECT_NEAR(Record(22).RA, 18.607, 0.01);
    EXPECT_NEAR(Record(22).Dec, -23.905, 0.01);
}

TEST(ObjectLibraryLookup, FindsEveryNumberOfEveryGroupAndNothingElse) {
    for (const TStarLib& r : StarLibrary()) EXPECT_EQ(LibraryRecordByNumber(r.Number), &r);
    EXPECT_STREQ(Record(305).Name, "19 (TX) Psc");
    EXPECT_STREQ(Record(401).Name, "delta And");
    EXPECT_STREQ(Record(501).Name, "Sirius");
    EXPECT_STREQ(Record(600).Name, "alpha phoenix");
    EXPECT_STREQ(Record(627).Name, "86 Proxima Cen");
    EXPECT_STREQ(Record(700).Name, "H 3");
    EXPECT_STREQ(Record(823).Name, "H 1015");
    for (int n : {0, -1, 110, 150, 200, 306, 400, 425, 500, 529, 599, 646, 699, 824, 900, 100000})
        EXPECT_EQ(LibraryRecordByNumber(n), nullptr) << n;
}

TEST(ObjectLibraryList, SortsByEachColumnAndRestoresNumberOrder) {
    LibraryList list;
    ASSERT_EQ(list.size(), LibrarySize);
    EXPECT_EQ(list.at(0).Number, 1);
    EXPECT_EQ(list.at(435).Number, 823);

    list.SortLibrary(3);
    EXPECT_LT(RowOf(list, 700), RowOf(list, 201));  // H 3 at 0.25 h before M31 at 0.7128 h
    for (int i = 1; i < list.size(); ++i) EXPECT_LE(list.at(i - 1).RA, list.at(i).RA);
    // Equal places keep their previous (number) order.
    EXPECT_LT(RowOf(list, 31), RowOf(list, 201));
    EXPECT_LT(RowOf(list, 101), RowOf(list, 102));

    list.SortLibrary(4);
    for (int i = 1; i < list.size(); ++i) EXPECT_LE(list.at(i - 1).Dec, list.at(i).Dec);

    list.SortLibrary(1);  // case-insensitive: "alpha phoenix" between "Alpha Centauri" and "Altair"
    EXPECT_LT(RowOf(list, 628), RowOf(list, 600));
    EXPECT_LT(RowOf(list, 600), RowOf(list, 508));
    EXPECT_LT(RowOf(list, 289), RowOf(list, 269));  // Albireo, alpha Her

    list.SortLibrary(2);
    // The two empty designations first, in their previous (name) order.
    EXPECT_EQ(list.at(0).Number, 745);
    EXPECT_EQ(list.at(1).Number, 627);
    EXPECT_LT(RowOf(list, 514), RowOf(list, 401));  // "3C 273" before "BS 165"

    std::vector<int> before;
    for (int i = 0; i < list.size(); ++i) before.push_back(list.at(i).Number);
    for (int index : {-1, 5, 99}) {
        list.SortLibrary(index);
        for (int i = 0; i < list.size(); ++i) ASSERT_EQ(list.at(i).Number, before[static_cast<size_t>(i)]);
    }

    list.SortLibrary(0);
    for (int i = 0; i < list.size(); ++i) EXPECT_EQ(&list.at(i), &StarLibrary()[static_cast<size_t>(i)]);
}

TEST(ObjectLibraryList, GridShowsEveryEntryAndTheSelectionLoadsIt) {
    LibraryList list;
    auto grid = list.FillLibraryGrid();
    ASSERT_EQ(grid.size(), 437u);
    EXPECT_EQ(grid[0], (std::vector<std::string>{"#", "Zev #", "Name", "Catalog", "RA", "Dec"}));
    EXPECT_EQ(grid[1], (std::vector<std::string>{"1", "1", "Crab Nebula", "NGC 1952", "05 34 30", "22 01 00"}));
    EXPECT_EQ(grid[436], (std::vector<std::string>{"436", "823", "H 1015", "NGC 7793", "23 57 51", "-32 34 18"}));
    for (const auto& row : grid) EXPECT_EQ(row.size(), 6u);

    EXPECT_EQ(list.SelectedLibraryNumber(436), 823);
    EXPECT_EQ(LibraryRecordByNumber(list.SelectedLibraryNumber(436)), &Record(823));
    for (int row : {0, -3, 437, 1000}) {
        EXPECT_EQ(list.SelectedLibraryNumber(row), 0) << row;
        EXPECT_EQ(LibraryRecordByNumber(list.SelectedLibraryNumber(row)), nullptr);
    }

    list.SortLibrary(3);
    grid = list.FillLibraryGrid();
    const int row = RowOf(list, 700);
    EXPECT_EQ(grid[static_cast<size_t>(row)][0], std::to_string(row));
    EXPECT_EQ(grid[static_cast<size_t>(row)][1], "700");
    EXPECT_EQ(grid[static_cast<size_t>(row)][4], "00 15 00");
    EXPECT_EQ(list.SelectedLibraryNumber(row), 700);
}

TEST(ObjectLibraryList, SearchFindsNamesThenDesignationsWithWildcards) {
    LibraryList list;
    auto hit = list.SearchLibrary("M 1?", 0, true);
    EXPECT_TRUE(hit.found);
    EXPECT_EQ(hit.gridRow, 10);
    EXPECT_STREQ(list.at(hit.gridRow - 1).Name, "M 10");
    EXPECT_EQ(list.SearchLibrary("M 1?", hit.gridRow, true).gridRow, 11);  // the next one, not the current

    auto none = list.SearchLibrary("m 10", 0, true);  // case matters
    EXPECT_FALSE(none.found);
    EXPECT_EQ(none.message, "Not Found: m 10");
    EXPECT_EQ(none.gridRow, 0);

    hit = list.SearchLibrary("NGC 7793", 0, true);
    EXPECT_TRUE(hit.found);
    EXPECT_EQ(list.SelectedLibraryNumber(hit.gridRow), 823);
    EXPECT_EQ(list.SelectedLibraryNumber(list.SearchLibrary("NGC 7?93", 0, true).gridRow), 820);  // NGC 7293
    EXPECT_EQ(list.SelectedLibraryNumber(list.SearchLibrary("NGC 7?93", 436 - 3, true).gridRow), 823);

    none = list.SearchLibrary("M 1", 436, true);
    EXPECT_FALSE(none.found);
    EXPECT_EQ(none.message, "Not Found: M 1");
    EXPECT_EQ(none.gridRow, 436);

    // Upwards: from the row before the current one, or from the last without one.
    hit = list.SearchLibrary("M 2", 10, false);
    EXPECT_EQ(list.SelectedLibraryNumber(hit.gridRow), 2);
    EXPECT_EQ(list.SelectedLibraryNumber(list.SearchLibrary("H 1015", 0, false).gridRow), 823);
    EXPECT_FALSE(list.SearchLibrary("Crab", 1, false).found);

    EXPECT_FALSE(list.SearchLibrary("", 0, true).found);

    // The search runs over the displayed order.
    list.SortLibrary(3);
    hit = list.SearchLibrary("NGC 055", 0, true);
    EXPECT_EQ(hit.gridRow, RowOf(list, 700));
}

}  // namespace
}  // namespace orv
