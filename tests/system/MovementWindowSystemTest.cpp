// The operator's way to a library object, through the window models only, on
// the simulated telescope: set the date and the position on one star
// (Initialization), then choose another star in the library, "Apply Selected"
// and "Start Slew" (Movement). The simulator's truth says where the optical
// axis really points when the slew has ended.

#include <gtest/gtest.h>

#include <cmath>

#include "SimSystem.h"
#include "astro/AstroConstants.h"
#include "astro/AstroLib.h"
#include "control/SlewHelpers.h"
#include "control/SystemAstro.h"
#include "controllers/OrvInitDlg.h"
#include "controllers/OrvMoveDlg.h"

namespace orv {
namespace {

using testing::SimSystem;

constexpr double CatalogueEquinox = 2000.0;

double LstNow(const System& system) {
    return system.LSTClock.read() / system.params.SidTicksPerHour.load();
}

// Where a star of the library really appears now: its apparent place lifted
// by refraction, as hour angle (hours) and declination (degrees).
std::pair<double, double> SeenPlace(const System& system, double ra, double dec) {
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
double PointingError(SimSystem& w, const TStarLib& star) {
    const auto t = w.sim.truth();
    const auto [ha, dec] = SeenPlace(w.system, star.RA, star.Dec);
    const double x = WrapHours12(t.optical.ha - ha) * 54000 * std::cos(dec * astro::DegToRad);
    return std::hypot(x, (t.optical.dec - dec) * 3600);
}

// The row of the first library entry named `name`, found as the find dialog finds it.
int FindRow(const OrvMoveDlg& move, const std::string& name) {
    const auto hit = move.FindDialog1Find(name, 0, true);
    return hit.found ? hit.gridRow : 0;
}

TEST(MovementWindowSystem, LibraryObjectAppliedAndSlewedToThroughTheWindow) {
    SimSystem w(20.0);
    ASSERT_TRUE(w.started);
    auto& s = w.system.state;
    OrvInitDlg init(w.system);
    OrvMoveDlg move(w.system);
    auto idle = [&](int64_t ms = 10000) { return w.waitFor([&] { return s.StateCode == 0; }, ms); };

    // A night in March with the sidereal time near 18.9 h: Vega and Albireo high in the south.
    init.ApplyDateTimeBtnClick({2024, 3, 20, 12.0});
    ASSERT_TRUE(idle());
    w.clock.sleepMs(300);
    const double ut = 12.0 + WrapHours24(18.9 - s.LST) / 1.0027379;
    init.ApplyDateTimeBtnClick({2024, 3, ut >= 24 ? 21 : 20, ut >= 24 ? ut - 24 : ut});
    ASSERT_TRUE(idle());
    w.clock.sleepMs(300);

    // The telescope is set on Vega: the library entry as the next object, the
    // optical axis turned onto the star, then the position taken from the next object.
    const int vegaRow = FindRow(move, "Vega");
    ASSERT_GT(vegaRow, 0);
    ASSERT_TRUE(move.ApplyLibBtnClick(vegaRow));
    ASSERT_TRUE(idle());
    const TStarLib& vega = *LibraryRecordByNumber(move.library().SelectedLibraryNumber(vegaRow));
    for (int pass = 0; pass < 6 && PointingError(w, vega) > 0.02; ++pass) {
        const auto t = w.sim.truth();
        const auto [ha, dec] = SeenPlace(w.system, vega.RA, vega.Dec);
        w.sim.nudge(WrapHours12(ha - t.optical.ha) * 54000, (dec - t.optical.dec) * 3600);
    }
    init.ApplyTelePosBtnClick({0, 0, 0});
    ASSERT_TRUE(idle());
    w.clock.sleepMs(300);

    // Albireo, 13 degrees away: chosen in the grid, applied, slewed to.
    move.SortByRadioClick(1);
    const int albireoRow = FindRow(move, "Albireo");
    ASSERT_GT(albireoRow, 0);
    const TStarLib& albireo = *LibraryRecordByNumber(move.library().SelectedLibraryNumber(albireoRow));
    ASSERT_EQ(albireo.Number, 289);
    const double before = PointingError(w, albireo);
    ASSERT_TRUE(move.ApplyLibBtnClick(albireoRow));
    ASSERT_TRUE(idle());
    ASSERT_TRUE(testBits(s.StatusFlags1, status1::SlewEnabled));
    move.StartSlewBtnClick();
    ASSERT_TRUE(w.waitFor([&] { return s.StateCode == 12 || s.SlewInProgress; }, 1000, 1));
    ASSERT_TRUE(idle(200000));
    w.clock.sleepMs(300);   // the axes settle, a coordinate pass runs

    EXPECT_GT(before, 10 * 3600);
    // Arrival tolerance and scaled jitter, a few arcseconds.
    EXPECT_LT(PointingError(w, albireo), 5.0);
    EXPECT_FALSE(testBits(s.StatusFlags1, status1::Slewing));
}

}  // namespace
}  // namespace orv
