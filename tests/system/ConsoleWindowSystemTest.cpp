// The operator's Misc and Point Data windows through their models on the
// simulated telescope: the four switches run in order through the real state
// machine, then three stars loaded and slewed to in the Movement model, a point
// taken on each, and the .pat file saved and read back byte for byte.

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <sstream>

#include "../config/ScratchDir.h"
#include "SimSystem.h"
#include "config/PatFile.h"
#include "config/PointList.h"
#include "control/SlewHelpers.h"
#include "controllers/OrvMiscDlg.h"
#include "controllers/OrvMoveDlg.h"
#include "controllers/OrvPointsDlg.h"

namespace orv {
namespace {

using testing::SimSystem;

TEST(ConsoleWindowSystem, SwitchesInOrderThenThreePointsSavedAndReadBack) {
    SimSystem w(20.0);
    ASSERT_TRUE(w.started);
    auto& s = w.system.state;
    auto idle = [&](int64_t ms = 10000) { return w.waitFor([&] { return s.StateCode == 0; }, ms); };
    ASSERT_TRUE(w.setDate(2024, 3, 20, 3.0));

    // Misc: cosine of declination off, rate correction on, dome on and tracking,
    // all four from one Apply, run by the state machine one after another.
    OrvMiscDlg misc(w.system);
    SwitchFields switches = misc.MiscMnuClick().switches;
    ASSERT_TRUE(switches.DomeTrack);
    switches = {false, true, true, true};
    misc.ApplySwitchBtnClick(switches);
    ASSERT_TRUE(w.waitFor([&] { return s.StateCode == 0 && w.commander.heldCount() == 0; }, 5000));
    EXPECT_FALSE(testBits(s.StatusFlags2, status2::CosineDeclination));
    EXPECT_TRUE(testBits(s.StatusFlags2, status2::RateCorrection));
    EXPECT_EQ(s.DomeOn, 1);
    EXPECT_EQ(s.DomeTrack, 1);

    // Three stars near the meridian, in the display equinox, each slewed to and taken.
    OrvMoveDlg move(w.system);
    OrvPointsDlg points(w.system);
    const std::pair<double, double> places[] = {{-0.5, 20}, {0.4, 45}, {1.0, 10}};   // HA hours, Dec degrees
    for (const auto& [ha, dec] : places) {
        const double ra = WrapHours24(s.LST - ha);
        move.ApplySlewSpinClick({ra, dec, 0});
        ASSERT_TRUE(idle());
        ASSERT_TRUE(testBits(s.StatusFlags1, status1::SlewEnabled));
        move.StartSlewBtnClick();
        ASSERT_TRUE(w.waitFor([&] { return s.StateCode == 12 || s.SlewInProgress; }, 1000, 1));
        ASSERT_TRUE(idle(200000));
        w.clock.sleepMs(300);   // the axes settle, a coordinate pass runs
        EXPECT_NEAR(WrapHours12(s.RA - ra) * 54000 * std::cos(dec * 0.017453292519943295), 0, 10.0);
        EXPECT_NEAR((s.Dec - dec) * 3600, 0, 10.0);
        points.TakePoint();
    }
    ASSERT_EQ(w.system.points->count(), 3);
    EXPECT_TRUE(w.system.points->PointsChanged());

    testing::ScratchDir dir;
    const std::string path = dir.file("three.pat");
    ASSERT_EQ(points.SavePointsAs([&] { return std::optional<std::string>(path); }), std::nullopt);
    EXPECT_FALSE(w.system.points->PointsChanged());

    // Five numbers and an empty line per point, CR LF, 6 decimals, at least
    // four places before the point.
    const std::string bytes = testing::ReadWholeFile(path);
    std::istringstream lines(bytes);
    const std::regex number(R"( *-?\d+\.\d{6}\r)");
    std::string line;
    int n = 0;
    while (std::getline(lines, line)) {
        if (n % 6 == 5) EXPECT_EQ(line, "\r") << n;
        else {
            EXPECT_TRUE(std::regex_match(line, number)) << n << ": '" << line << "'";
            // Blanks only to fill the four places before the point.
            const size_t point = line.find('.');
            EXPECT_TRUE(line[0] == ' ' ? point == 4 : point >= 4) << n << ": '" << line << "'";
        }
        ++n;
    }
    EXPECT_EQ(n, 18);

    // Read back: the same points to the file's 6 decimals, and the same bytes again.
    const PatFileContents read = ReadPatFile(path);
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.points.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const PointRecord& p = w.system.points->point(i);
        const PointRecord& r = read.points[static_cast<size_t>(i)];
        for (auto [a, b] : {std::pair{p.nextRA, r.nextRA}, {p.nextDec, r.nextDec}, {p.teleRA, r.teleRA},
                            {p.teleDec, r.teleDec}, {p.teleHA, r.teleHA}})
            EXPECT_NEAR(a, b, 5.000001e-7) << "point " << i + 1;
    }
    const std::string again = dir.file("again.pat");
    ASSERT_EQ(WritePatFile(again, read.points), std::nullopt);
    EXPECT_EQ(testing::ReadWholeFile(again), bytes);
}

}  // namespace
}  // namespace orv
