// Pointing near the pole against ERFA: the whole system on the simulated mount is
// synchronised on Polaris, then slews to a star at Dec 86. The true turn of the
// simulated axes between the two must be the turn between the two stars' observed
// places as ERFA computes them (the same refraction law, 58.3" tan z - 0.067"
// tan^3 z times the refraction scale, applied by ERFA along the vertical), so
// the slew ends on the star.
//
// The mount is taken to point at Polaris's observed place at the moment after
// the sync; what both models share (the sidereal time's equinox, the frame of
// the catalogue) cancels in the difference of the two stars.

#include <gtest/gtest.h>

#include <erfa.h>

#include <cmath>
#include <cstdio>

#include "core/Ports.h"
#include "system/SimSystem.h"

namespace orv {
namespace {

constexpr double ArcsecPerRad = 206264.80624709636;
constexpr double Deg = 0.017453292519943295769;

struct Star {
    double ra, dec;   // hours, degrees, mean place of J2000
};
constexpr Star Polaris{2.530303, 89.264111};
constexpr Star Dec86{1.145800, 86.257083};

// Observed hour angle and declination (radians) of a star at UT `ut` hours of
// 2026 October 15, for the site of the system's parameters.
struct Observed {
    double ha, dec;
};
Observed ObservedByErfa(const Star& star, double ut, const Parameters& p) {
    const int hours = static_cast<int>(ut);
    const int minutes = static_cast<int>((ut - hours) * 60);
    const double seconds = (ut - hours) * 3600 - minutes * 60;
    double d1 = 0, d2 = 0;
    EXPECT_EQ(eraDtf2d("UTC", 2026, 10, 15, hours, minutes, seconds, &d1, &d2), 0);
    eraASTROM astrom;
    double eo = 0;
    // No air pressure: ERFA's own refraction is off and the system's law is put in.
    EXPECT_GE(eraApco13(d1, d2, 0.0, -p.Longitude * 15 * Deg, p.Latitude * Deg, 0.0, 0.0, 0.0, 0.0, 10.0,
                        0.5, 0.55, &astrom, &eo), 0);
    astrom.refa = 58.3 * p.RefractionScale / ArcsecPerRad;
    astrom.refb = -0.067 * p.RefractionScale / ArcsecPerRad;
    double ri = 0, di = 0;
    eraAtciq(star.ra * 15 * Deg, star.dec * Deg, 0, 0, 0, 0, &astrom, &ri, &di);
    double aob = 0, zob = 0, hob = 0, dob = 0, rob = 0;
    eraAtioq(ri, di, &astrom, &aob, &zob, &hob, &dob, &rob);
    return {hob, dob};
}

// The simulated axes and the UT of the same moment.
struct AxesAt {
    double ha, dec;   // arcseconds: hour-angle axis west, Dec axis as the Dec counter counts
    double ut;        // hours
};
AxesAt Sample(testing::SimSystem& w) {
    const int64_t now = w.clock.nowMs();
    const double ticks = static_cast<double>(w.system.UTClock.read());
    const auto t = w.sim.truth();
    const double ut = ticks / w.system.params.UTTicksPerHour + static_cast<double>(t.t_ms - now) / 3.6e6;
    return {t.axis_arcsec[0], t.axis_arcsec[1], ut};
}

TEST(PolarisSlew, SyncOnPolarisThenSlewToDec86EndsOnTheStar) {
    testing::SimSystem w(20.0);
    ASSERT_TRUE(w.started);
    auto& s = w.system.state;
    const Parameters& p = w.system.params;
    ASSERT_TRUE(w.command(1, {2026, 10, 15, 5.385784}));
    w.clock.sleepMs(300);
    ASSERT_TRUE(w.command(3, {Polaris.ra, Polaris.dec, 2000}));
    w.clock.sleepMs(300);
    const AxesAt start = Sample(w);

    ASSERT_TRUE(w.command(6, {Dec86.ra, Dec86.dec, 2000}));
    ASSERT_TRUE(testBits(s.StatusFlags1, status1::SlewEnabled));
    ASSERT_TRUE(w.command(12, {}, 300000));
    w.clock.sleepMs(1500);   // the axes come to rest on tracking
    const AxesAt end = Sample(w);

    // Where the mount points now: Polaris's observed place at the start, turned
    // by the true axis motion. On the east side of the pier the Dec counter,
    // and with it the Dec axis, counts against the declination.
    const Observed polaris = ObservedByErfa(Polaris, start.ut, p);
    const double ha = polaris.ha + (end.ha - start.ha) / ArcsecPerRad;
    const double sideSign = s.EastSideOperation ? -1.0 : 1.0;
    const double dec = polaris.dec + sideSign * (end.dec - start.dec) / ArcsecPerRad;

    const Observed star = ObservedByErfa(Dec86, end.ut, p);
    double pointed[3], wanted[3];
    eraS2c(ha, dec, pointed);
    eraS2c(star.ha, star.dec, wanted);
    const double miss = eraSepp(pointed, wanted) * ArcsecPerRad;
    std::printf("slew from Polaris to Dec 86: %.2f\" from the star (turned %.1f' in HA, %.1f' in Dec)\n", miss,
                (end.ha - start.ha) / 60, (end.dec - start.dec) / 60);
    EXPECT_LT(miss, 5.0);
}

}  // namespace
}  // namespace orv
