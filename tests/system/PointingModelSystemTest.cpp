// The whole pointing-model workflow on a simulated mount with mechanical errors:
// set the position on one star, slew to twenty stars and centre each (by the
// simulator's truth, as an operator centres by eye), save the points, fit them
// with orvfit, apply the terms through code 24, set the position on a star again,
// and slew to ten other stars: the pointing error drops from minutes of arc to
// arcseconds. The point file and the plot of the run stay in the build tree.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../config/ScratchDir.h"
#include "SimSystem.h"
#include "astro/AstroLib.h"
#include "control/SystemAstro.h"
#include "config/PatFile.h"
#include "config/StateDataFile.h"
#include "control/SlewHelpers.h"
#include "controllers/OrvPointsDlg.h"

namespace orv {
namespace {

using testing::SimSystem;

constexpr double TimeScale = 50.0;
constexpr double CatalogueEquinox = 2000.0;

// The mount of the run: polar axis 120 arcsec high and 90 arcsec west of the
// pole, collimation 30 s of time, tube flexure 20 arcsec.
SimMountErrors RunMount() {
    SimMountErrors e;
    e.terms[1] = 120;
    e.terms[2] = -90;
    e.terms[3] = 30;
    e.terms[9] = 20;
    return e;
}

struct Place {
    double ha, dec;   // hours, degrees
};

// The twenty stars of the model, row by row so that the slews stay short, and
// ten others to check it, all within 66 degrees of the zenith at latitude 40.
const std::vector<Place> ModelStars = {
    {-5.0, 80}, {-1.5, 80}, {2.0, 80}, {5.5, 80},   {4.5, 60},  {1.5, 60},  {-1.5, 60},
    {-4.5, 60}, {-4.0, 35}, {-1.3, 35}, {1.3, 35},  {4.0, 35},  {3.0, 10},  {1.0, 10},
    {-1.0, 10}, {-3.0, 10}, {-1.8, -15}, {0.0, -15}, {1.8, -15}, {0.5, -25}};
const std::vector<Place> CheckStars = {{1.2, 0},    {-0.8, 0},  {-2.0, 20}, {2.0, 20}, {2.7, 45},
                                        {0.3, 45},   {-2.5, 45}, {-3.0, 70}, {3.0, 70}, {0.5, 88}};
const Place SyncStar{0.2, 20}, ResyncStar{-0.5, 30};

double LstNow(const System& system) {
    return system.LSTClock.read() / system.params.SidTicksPerHour.load();
}

// Where a star of the catalogue equinox really appears now: its apparent place,
// lifted by the refraction of the sky (the refraction formula of the model).
Place SeenPlace(const System& system, double ra, double dec) {
    astro::AstroContext c = AstroContextOf(system);
    const astro::Pair pr = astro::Precession(ra, dec, CatalogueEquinox, c.Year);
    ra += pr.ra;
    dec += pr.dec;
    const astro::Pair nu = astro::Nutation(ra, dec, c);
    ra += nu.ra;
    dec += nu.dec;
    const astro::Pair ab = astro::Aberration(ra, dec, c);
    ra += ab.ra;
    dec += ab.dec;
    const double ha = WrapHours12(LstNow(system) - ra);
    c.PointingTerm.fill(0);
    const astro::Corrections refraction = astro::PointingCorrections(ha, dec, c);
    return {ha + refraction.HACorrection, dec + refraction.DecCorrection};
}

// Arcseconds on the sky from the optical axis to the star.
double PointingError(SimSystem& w, double ra, double dec) {
    const auto t = w.sim.truth();
    const Place star = SeenPlace(w.system, ra, dec);
    const double x = WrapHours12(t.optical.ha - star.ha) * 54000 * std::cos(star.dec * 3.14159265358979 / 180);
    const double y = (t.optical.dec - star.dec) * 3600;
    return std::hypot(x, y);
}

// Turns the axes until the optical axis is on the star, as the operator does
// with the paddle, watching the star in the eyepiece.
void Centre(SimSystem& w, double ra, double dec) {
    for (int pass = 0; pass < 6 && PointingError(w, ra, dec) > 0.02; ++pass) {
        const auto t = w.sim.truth();
        const Place star = SeenPlace(w.system, ra, dec);
        w.sim.nudge(WrapHours12(star.ha - t.optical.ha) * 54000, (star.dec - t.optical.dec) * 3600);
    }
}

struct Star {
    double ra, dec;   // catalogue equinox
};

// A star at hour angle `p.ha` now, loaded in the catalogue equinox and slewed to.
bool SlewToStar(SimSystem& w, Place p, Star& star) {
    const double raOfDate = WrapHours24(LstNow(w.system) - p.ha);
    const astro::Pair back = astro::Precession(raOfDate, p.dec, w.system.state.Year, CatalogueEquinox);
    star = {WrapHours24(raOfDate + back.ra), p.dec + back.dec};
    if (!w.command(6, {star.ra, star.dec, CatalogueEquinox})) return false;
    if (!testBits(w.system.state.StatusFlags1, status1::SlewEnabled)) return false;
    if (!w.command(12, {}, 400000)) return false;
    w.clock.sleepMs(300);   // let the axes settle and a coordinate pass run
    return true;
}

// The telescope's position set on a star the operator has centred (code 3 on
// the loaded next object).
bool SetPositionOn(SimSystem& w, Place p) {
    Star s{};
    if (!SlewToStar(w, p, s)) return false;
    Centre(w, s.ra, s.dec);
    return w.command(3, {0, 0, 0});
}

double Rms(const std::vector<double>& v) {
    double s = 0;
    for (double x : v) s += x * x;
    return v.empty() ? 0 : std::sqrt(s / static_cast<double>(v.size()));
}

// Runs orvfit with `args`; returns its exit code and fills `output`.
int RunOrvfit(const std::string& args, std::string& output) {
    FILE* p = ::popen((std::string(ORVFIT_BINARY) + " " + args + " 2>&1").c_str(), "r");
    if (!p) return -1;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) output.append(buf, n);
    const int status = ::pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(PointingModelSystem, CollectFitApplyAndPointWithinArcseconds) {
    SimSystem w(TimeScale);
    ASSERT_TRUE(w.started);
    w.sim.setMountErrors(RunMount());
    ASSERT_TRUE(w.setDate(2024, 3, 20, 3.0));

    // Set the position on one star, then take a point on each of twenty.
    ASSERT_TRUE(SetPositionOn(w, SyncStar));
    OrvPointsDlg points(w.system);
    std::vector<double> before;
    for (const Place& p : ModelStars) {
        Star star{};
        ASSERT_TRUE(SlewToStar(w, p, star)) << p.ha << " " << p.dec;
        before.push_back(PointingError(w, star.ra, star.dec));
        Centre(w, star.ra, star.dec);
        w.clock.sleepMs(250);   // a coordinate pass sees the centred telescope
        Centre(w, star.ra, star.dec);
        points.TakePoint();
    }
    const std::string patPath = (std::filesystem::current_path() / "pointing-run.pat").string();
    ASSERT_EQ(points.SavePointsAs([&] { return std::optional<std::string>(patPath); }), std::nullopt);

    // Fit the terms the mount may have and a running Orv can take (code 24 carries
    // 1 to 4 and 9), against a WinOrv.DAT of the built-in defaults.
    testing::ScratchDir dir;
    std::string dat = "40.0\r\n105.0\r\n0.9\r\n";
    for (int line = 4; line <= 12; ++line) dat += "0\r\n";
    dat += "270.0\r\n74.9\r\n0.10756564\r\n0.10756564\r\n0.00000342\r\n1.062566\r\n1.0125\r\n360000\r\n"
           "12.0\r\n96.0\r\n2.5\r\n1.0\r\n1.0\r\n0\r\n0\r\n2129.0\r\n2350.0\r\n";
    testing::WriteWholeFile(dir.file("WinOrv.DAT"), dat);
    const std::string plotPath = (std::filesystem::current_path() / "pointing-residuals.png").string();
    std::string report;
    ASSERT_EQ(RunOrvfit("--data-dir=" + dir.path().string() +
                            " --terms=1,2,3,4,9 --date=2024-03-20 --catalogue-equinox=2000 --plot=" + plotPath +
                            " " + patPath,
                        report),
              0)
        << report;
    std::printf("%s\n", report.c_str());
    EXPECT_EQ(testing::ReadWholeFile(dir.file("WinOrv.DAT.bak")), dat);
    EXPECT_GT(std::filesystem::file_size(plotPath), 10000u);

    // The terms of the mount come back.
    Parameters fitted;
    SetStateDefaults(fitted);
    std::string failed;
    ASSERT_EQ(LoadStateData(dir.file("WinOrv.DAT"), "WinOrv.DAT", fitted, failed), std::nullopt);
    EXPECT_NEAR(fitted.PointingTerm1, 120, 2.0);
    EXPECT_NEAR(fitted.PointingTerm2, -90, 2.0);
    EXPECT_NEAR(fitted.PointingTerm3, 30, 2.0 / 15);
    EXPECT_NEAR(fitted.PointingTerm4, 0, 2.0 / 15);
    EXPECT_NEAR(fitted.PointingTerm9, 20, 2.0);

    // Apply them, set the position on a star again, and point at ten others.
    ASSERT_TRUE(w.command(24, {fitted.PointingTerm1, fitted.PointingTerm2, fitted.PointingTerm3,
                               fitted.PointingTerm4, w.system.params.RefractionScale, fitted.PointingTerm9,
                               w.system.params.HAScale * 54000, w.system.params.DecScale * 3600}));
    ASSERT_TRUE(SetPositionOn(w, ResyncStar));
    std::vector<double> after;
    for (const Place& p : CheckStars) {
        Star star{};
        ASSERT_TRUE(SlewToStar(w, p, star)) << p.ha << " " << p.dec;
        after.push_back(PointingError(w, star.ra, star.dec));
        std::printf("check star HA %5.1f h, Dec %5.1f: %5.2f arcsec\n", p.ha, p.dec, after.back());
    }
    std::printf("Pointing error RMS on the sky: %.1f arcsec before the fit (20 stars, largest %.1f), "
                "%.2f arcsec after (10 other stars, largest %.2f)\n",
                Rms(before), *std::max_element(before.begin(), before.end()), Rms(after),
                *std::max_element(after.begin(), after.end()));
    EXPECT_GT(Rms(before), 120.0);
    EXPECT_LT(Rms(after), 5.0);
}

TEST(PointingModelSystem, OrvfitRefusesTooFewPointsAndLeavesWinOrvDatAlone) {
    testing::ScratchDir dir;
    const std::string dat = "40\n105\n0.9\n1\n2\n3\n4\n5\n6\n9\n7\n8\n";
    testing::WriteWholeFile(dir.file("WinOrv.DAT"), dat);
    ASSERT_EQ(WritePatFile(dir.file("three.pat"), {{10.0, 30.0, 10.001, 30.01, -2.0},
                                                   {10.0, 30.0, 10.001, 30.01, 0.0},
                                                   {10.0, 30.0, 10.001, 30.01, 2.0}}),
              std::nullopt);
    std::string out;
    EXPECT_EQ(RunOrvfit("--data-dir=" + dir.path().string() + " " + dir.file("three.pat"), out), 3) << out;
    EXPECT_NE(out.find("not fitted: too few points: 3 points for 11 unknowns"), std::string::npos) << out;
    EXPECT_EQ(testing::ReadWholeFile(dir.file("WinOrv.DAT")), dat);
    EXPECT_FALSE(std::filesystem::exists(dir.file("WinOrv.DAT.bak")));
}

}  // namespace
}  // namespace orv
