#include "config/PointList.h"

#include <gtest/gtest.h>

#include "config/PatFile.h"
#include "config/ScratchDir.h"

namespace orv {
namespace {

using testing::ReadWholeFile;
using testing::ScratchDir;
using testing::WriteWholeFile;

PointRecord Numbered(int n) { return {double(n), 0, 0, 0, 0}; }

TEST(PointList, HoldsOneHundredAndDeletesInPlace) {
    PointList list;
    for (int i = 1; i <= 5; ++i) ASSERT_TRUE(list.add(Numbered(i)));
    EXPECT_TRUE(list.PointsChanged());
    ASSERT_TRUE(list.remove(2));   // point 3 of 5
    ASSERT_EQ(list.count(), 4);
    EXPECT_EQ(list.point(2), Numbered(4));
    EXPECT_EQ(list.point(3), Numbered(5));
    EXPECT_FALSE(list.remove(4));

    for (int i = 5; i <= 100; ++i) ASSERT_TRUE(list.add(Numbered(i)));
    EXPECT_FALSE(list.add(Numbered(101)));
    EXPECT_EQ(list.count(), 100);
    EXPECT_EQ(list.point(99), Numbered(100));

    // Emptying the list leaves nothing unsaved.
    while (list.count() > 0) list.remove(0);
    EXPECT_FALSE(list.PointsChanged());
}

TEST(PointList, AFailedSaveKeepsTheFileAndTheFlag) {
    ScratchDir dir;
    PointList list;
    list.add({1, 2, 3, 4, 5});
    const std::string path = dir.file("night.pat");
    WriteWholeFile(path, "old points\r\n");
    int rc = testing::RunWithFileSizeLimit(8, [&] { return list.save(path) && list.PointsChanged() ? 0 : 1; });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(ReadWholeFile(path), "old points\r\n");

    EXPECT_EQ(list.save(path), std::nullopt);
    EXPECT_FALSE(list.PointsChanged());
    EXPECT_EQ(ReadWholeFile(path), PatFileText(list.points()));
}

}  // namespace
}  // namespace orv
