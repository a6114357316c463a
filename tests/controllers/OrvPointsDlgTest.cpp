#include "controllers/OrvPointsDlg.h"

#include <gtest/gtest.h>

#include "config/PatFile.h"
#include "config/PointList.h"
#include "config/ScratchDir.h"
#include "control/System.h"
#include "core/Clock.h"
#include "core/PortBus.h"

namespace orv {
namespace {

using testing::ReadWholeFile;
using testing::ScratchDir;

class PointsDlgTest : public ::testing::Test {
protected:
    PointsDlgTest() : sys(clock, bus, SystemOptions{".", false}), dlg(sys) {}

    // Takes a point with the telescope at RA = n hours.
    void Take(int n) {
        sys.state.RA = n;
        dlg.TakePoint();
    }
    // Answers the question boxes with `answer` and records what they asked.
    OrvPointsDlg::AskYesNo Answer(bool answer) {
        return [this, answer](const std::string& q) {
            asked.push_back(q);
            return answer;
        };
    }

    ManualClock clock{0, true};
    RecordingBus bus;
    System sys;
    OrvPointsDlg dlg;
    std::vector<std::string> asked;
    ScratchDir dir;
};

TEST_F(PointsDlgTest, TakeFollowsTheNewRowAndDeleteAsksFirst) {
    sys.state.NextRA = 5.5;
    sys.state.NextDec = -12.5;
    sys.state.Dec = 30;
    sys.state.HA = -1.25;
    Take(1);
    EXPECT_EQ(sys.points->point(0), (PointRecord{5.5, -12.5, 1, 30, -1.25}));
    EXPECT_EQ(dlg.SelectedRow(), 1);
    for (int n = 2; n <= 5; ++n) Take(n);
    EXPECT_EQ(dlg.SelectedRow(), 5);
    EXPECT_EQ(dlg.TopRow(), 4);
    EXPECT_EQ(dlg.CellText(0, 5), "Next Dec");
    EXPECT_EQ(dlg.CellText(3, 1), "03 00 00.0");
    EXPECT_EQ(dlg.CellText(3, 5), "-12 30 00");

    ASSERT_TRUE(dlg.SelectRow(3));
    EXPECT_FALSE(dlg.DeletePoint(Answer(false)));
    EXPECT_TRUE(dlg.DeletePoint(Answer(true)));
    EXPECT_EQ(asked, std::vector<std::string>(2, "About To Delete Point #: 3\r\nPlease Confirm?"));
    EXPECT_EQ(sys.points->count(), 4);
    EXPECT_EQ(sys.points->point(2).teleRA, 4);
    EXPECT_FALSE(dlg.SelectRow(5));
}

TEST_F(PointsDlgTest, TheHundredthPointFillsTheLastRowAndCarriesItsConditions) {
    sys.state.Year = 2024.25;
    sys.state.Month = 4;
    sys.state.Day = 2;
    sys.state.Epoch = 2024.5;
    sys.state.NextEpoch = 2000;
    sys.params.PointingTerm3 = 12.5;
    sys.params.PointingTerm9 = -4;
    for (int n = 1; n <= 101; ++n) Take(n % 24);
    EXPECT_EQ(sys.points->count(), 100);
    EXPECT_EQ(dlg.SelectedRow(), 100);
    EXPECT_EQ(dlg.TopRow(), 99);
    EXPECT_EQ(dlg.CellText(100, 0), "100");
    EXPECT_EQ(dlg.CellText(100, 1), "04 00 00.0");   // the 100th, not the ignored 101st

    const auto& k = sys.points->conditions(99);
    ASSERT_TRUE(k.has_value());
    EXPECT_EQ(k->frame.date->year, 2024);
    EXPECT_EQ(k->frame.date->month, 4);
    EXPECT_EQ(k->frame.date->day, 2);
    EXPECT_EQ(k->frame.displayEquinox, 2024.5);
    EXPECT_EQ(k->frame.catalogueEquinox, 2000);
    EXPECT_EQ(k->terms[3], 12.5);
    EXPECT_EQ(k->terms[9], -4);

    // Deleting keeps each point with its own conditions.
    sys.state.Epoch = 2000;
    sys.points->remove(99);
    Take(5);
    ASSERT_TRUE(dlg.SelectRow(1));
    dlg.DeletePoint(Answer(true));
    EXPECT_EQ(sys.points->conditions(98)->frame.displayEquinox, 2000);
    EXPECT_EQ(sys.points->conditions(0)->frame.displayEquinox, 2024.5);
}

TEST_F(PointsDlgTest, CloseAsksOnlyAboutUnsavedPoints) {
    auto never = []() -> std::optional<std::string> { ADD_FAILURE() << "no save dialog expected"; return {}; };
    EXPECT_EQ(dlg.QuerySavePoints(Answer(true), never), std::nullopt);
    EXPECT_TRUE(asked.empty());

    // One point taken and deleted again: nothing to ask.
    Take(1);
    dlg.DeletePoint(Answer(true));
    asked.clear();
    EXPECT_EQ(dlg.QuerySavePoints(Answer(true), never), std::nullopt);
    EXPECT_TRUE(asked.empty());

    Take(1);
    Take(2);
    EXPECT_EQ(dlg.QuerySavePoints(Answer(false), never), std::nullopt);
    EXPECT_EQ(asked, std::vector<std::string>{"There is unsaved Point Data.\r\nDo you wish to save it?"});
    EXPECT_TRUE(sys.points->PointsChanged());

    const std::string path = dir.file("night.pat");
    EXPECT_EQ(dlg.QuerySavePoints(Answer(true), [&] { return std::optional<std::string>(path); }), std::nullopt);
    EXPECT_FALSE(sys.points->PointsChanged());
    EXPECT_EQ(ReadWholeFile(path), PatFileText(sys.points->points()));

    Take(3);
    auto failure = dlg.QuerySavePoints(Answer(true), [&] { return std::optional<std::string>(dir.file("no/such/dir.pat")); });
    EXPECT_NE(failure, std::nullopt);
    EXPECT_TRUE(sys.points->PointsChanged());
}

}  // namespace
}  // namespace orv
