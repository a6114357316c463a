#include "controllers/OrvPointFit.h"

#include <gtest/gtest.h>

#include <cmath>

#include "config/PointList.h"
#include "config/ScratchDir.h"
#include "config/StateDataFile.h"
#include "control/System.h"
#include "core/Clock.h"
#include "core/PortBus.h"

namespace orv {
namespace {

using testing::ReadWholeFile;
using testing::ScratchDir;
using testing::WriteWholeFile;

constexpr double D2R = 3.14159265358979323846 / 180.0;
constexpr double Lat = 40.0;
constexpr double Lst = 6.0;   // hours

// WinOrv.DAT of the built-in defaults at latitude 40, all pointing terms 0.
std::string DefaultDat() {
    std::string dat = "40.0\r\n105.0\r\n0.9\r\n";
    for (int line = 4; line <= 12; ++line) dat += "0\r\n";
    return dat + "270.0\r\n74.9\r\n0.10756564\r\n0.10756564\r\n0.00000342\r\n1.062566\r\n1.0125\r\n360000\r\n"
                 "12.0\r\n96.0\r\n2.5\r\n1.0\r\n1.0\r\n0\r\n0\r\n2129.0\r\n2350.0\r\n";
}

class PointFitTest : public ::testing::Test {
protected:
    PointFitTest() { sys.params.Latitude = Lat; }

    // A point on the star at (ha, dec) of a mount with polar-axis elevation error
    // `p1` arcsec and collimation `p3` s of time, the model terms `taken` in force:
    // the telescope believes it is off by the term table's corrections.
    static PointRecord Point(double ha, double dec, double p1, double p3) {
        const double H = ha * 15 * D2R, d = dec * D2R;
        const double haSec = p3 / std::cos(d) + p1 / 15 * std::sin(H) * std::tan(d);
        const double decArcsec = p1 * std::cos(H);
        const double teleHA = ha + haSec / 3600;
        return {std::fmod(Lst - ha + 24, 24), dec, std::fmod(Lst - teleHA + 24, 24), dec + decArcsec / 3600, teleHA};
    }
    void FillSky(double p1, double p3, const astro::PointingTerms& taken = {}) {
        PointConditions k;
        k.frame = {2024.2, 2024.2, astro::CalendarDate{2024, 3, 20}};
        k.terms = taken;
        for (double dec = -20; dec <= 80; dec += 20)
            for (double ha = -4; ha <= 4; ha += 2) list.add(Point(ha + dec / 100, dec, p1, p3), k);
    }

    ScratchDir dir;
    ManualClock clock{0, true};
    RecordingBus bus;
    System sys{clock, bus, SystemOptions{dir.path().string(), false}};
    PointList list;
    OrvPointFit fit{sys};
};

TEST_F(PointFitTest, RecoversTheTermsAndApplyWritesTheFileThenSendsCode24) {
    FillSky(120, 30);
    const astro::FitResult& r = fit.Fit(list, false);
    ASSERT_TRUE(r.ok) << fit.ReportText();
    EXPECT_NEAR(r.terms[1], 120, 1.2);
    EXPECT_NEAR(r.terms[3], 30, 0.3);
    EXPECT_NEAR(r.terms[2], 0, 0.5);
    EXPECT_FALSE(r.fitted[5]);
    EXPECT_GT(r.rmsBefore, 100);
    EXPECT_LT(r.rmsAfter, 0.5);
    EXPECT_NE(fit.ReportText().find("RMS on the sky: before"), std::string::npos);

    // No WinOrv.DAT: nothing is sent.
    EXPECT_NE(fit.Apply(), std::nullopt);
    EXPECT_EQ(sys.state.StateCode, 0);

    WriteWholeFile(dir.file("WinOrv.DAT"), DefaultDat());
    ASSERT_EQ(fit.Apply(), std::nullopt);
    EXPECT_EQ(ReadWholeFile(dir.file("WinOrv.DAT.bak")), DefaultDat());
    Parameters written;
    SetStateDefaults(written);
    std::string failed;
    ASSERT_EQ(LoadStateData(dir.file("WinOrv.DAT"), "WinOrv.DAT", written, failed), std::nullopt);
    EXPECT_NEAR(written.PointingTerm1, r.terms[1], 1e-4);
    EXPECT_NEAR(written.PointingTerm3, r.terms[3], 1e-4);
    EXPECT_EQ(sys.state.StateCode, 24);
    const double sent[8] = {r.terms[1], r.terms[2], r.terms[3], r.terms[4],
                            0.9,        r.terms[9], 1.062566,   1.0125};   // refraction, arcsec per count
    for (size_t i = 0; i < 8; ++i) EXPECT_NEAR(sys.state.CommandParam[i + 1], sent[i], 1e-9) << i + 1;
}

TEST_F(PointFitTest, RefusesWhatThePointsCannotTell) {
    EXPECT_FALSE(fit.Fit(list, false).ok);
    EXPECT_EQ(fit.Apply(), std::string("There is no fit to apply."));

    // Two points: fewer than the unknowns.
    PointConditions k;
    list.add(Point(1, 20, 0, 0), k);
    list.add(Point(-1, 40, 0, 0), k);
    fit.Fit(list, false);
    EXPECT_NE(fit.ReportText().find("Not fitted: too few points"), std::string::npos) << fit.ReportText();

    // Points taken before and after new terms were applied.
    list.remove(1);
    list.remove(0);
    FillSky(120, 30);
    astro::PointingTerms applied{};
    applied[1] = 118;
    FillSky(2, 0, applied);
    EXPECT_FALSE(fit.Fit(list, false).ok);
    EXPECT_NE(fit.ReportText().find("point 31 was taken under other pointing terms than point 1"),
              std::string::npos)
        << fit.ReportText();
    EXPECT_FALSE(fit.canApply());
}

TEST_F(PointFitTest, PointsTakenUnderTermsAreFittedFromThoseTerms) {
    // The model already held P1 = 100 when the points were taken; the mount has
    // 120: the points show the remaining 20, the fit gives 120.
    astro::PointingTerms taken{};
    taken[1] = 100;
    FillSky(20, 0, taken);
    sys.params.PointingTerm1 = 0;   // another model in force now does not matter
    const astro::FitResult& r = fit.Fit(list, false);
    ASSERT_TRUE(r.ok) << fit.ReportText();
    EXPECT_NEAR(r.terms[1], 120, 1.2);
    EXPECT_EQ(fit.termsBefore()[1], 100);
}

}  // namespace
}  // namespace orv
