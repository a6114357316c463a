// The astronomy routines against ERFA, an independent implementation of the IAU
// models, over the dates 1950 to 2050 and the whole sky.
//
// Our routines are the classical low-precision reductions, so each comparison is
// made with the ERFA model of the same kind (equinox-based, IAU 1976/1980) and its
// tolerance is set from the known difference between the two models: a few tenths
// of an arcsecond where the series are truncated, far below the arcminutes that a
// sign or unit slip would give. UT is taken as UT1, TT and TDB alike: the tens of
// seconds between them move nutation, aberration and precession by under 0.001".

#include <gtest/gtest.h>

#include <erfa.h>
#include <erfam.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "astro/AstroConstants.h"
#include "astro/AstroLib.h"

namespace orv::astro {
namespace {

constexpr double JD1900 = 2415020.0;        // 1900 January 0.5
constexpr double JD1950 = 2433282.5;        // 1950 January 1.0
constexpr double RadToArcsec = 206264.80624709636;

// The date and UT of a Julian Date, as the time task would hold them.
AstroContext ContextAt(double jd) {
    int y = 0, m = 0, d = 0;
    double fd = 0;
    eraJd2cal(jd, 0.0, &y, &m, &d, &fd);
    AstroContext c;
    c.Day = d;
    c.Month = m;
    c.Year = FractionalYear(y, m, d);
    c.UT = fd * 24.0;
    return c;
}

// Dates from 1950 to 2050, about every 17 days, at varied times of day.
std::vector<double> Dates() {
    std::vector<double> jds;
    for (int i = 0; i * 17.13 < 36525.0; ++i) jds.push_back(JD1950 + i * 17.13 + std::fmod(i * 0.618, 1.0));
    return jds;
}

// A place grid over the sky, RA hours and Dec degrees, up to 89.5 from the equator.
struct Place {
    double ra, dec;
};
std::vector<Place> Sky() {
    std::vector<Place> sky;
    for (double dec = -89.5; dec <= 89.5; dec += 9.95)
        for (double ra = 0.1; ra < 24; ra += 1.7) sky.push_back({ra, dec});
    for (double ra = 0.3; ra < 24; ra += 2.9) {
        sky.push_back({ra, 89.26});   // Polaris
        sky.push_back({ra, -88.9});   // sigma Octantis
    }
    return sky;
}

void ToVector(double raHours, double decDeg, double p[3]) {
    eraS2c(raHours * 15.0 * DegToRad, decDeg * DegToRad, p);
}

// Angle between our corrected place and ERFA's, arcseconds.
double Separation(double raHours, double decDeg, const double erfa[3]) {
    double p[3];
    ToVector(raHours, decDeg, p);
    double e[3] = {erfa[0], erfa[1], erfa[2]};
    return eraSepp(p, e) * RadToArcsec;
}

TEST(ErfaCrossCheck, DayNumberIsJulianDate) {
    // Exact for 1901..2099: every day of every year in steps, and the time of day.
    for (int y = 1901; y <= 2099; y += 7) {
        for (int m = 1; m <= 12; ++m) {
            for (int d : {1, 13, 28}) {
                double djm0 = 0, djm = 0;
                ASSERT_EQ(eraCal2jd(y, m, d, &djm0, &djm), 0);
                AstroContext c;
                c.Day = d;
                c.Month = m;
                c.Year = FractionalYear(y, m, d);
                c.UT = 7.5;
                EXPECT_NEAR(DaysSince1900(c), djm0 + djm - JD1900 + 7.5 / 24.0, 1e-9) << y << "-" << m << "-" << d;
            }
        }
    }
}

// Apparent sidereal time against GMST (IAU 1982) plus the equation of the
// equinoxes (IAU 1994), at longitude 0. Newcomb's expression counts from the FK4
// equinox, the 1982 one from the FK5 equinox; they differ by the equinox correction
// E = 0.035 s + 0.085 s per century from 1950 (up to 0.12 s over 1950..2050), which
// is removed. What is left is the equation of the equinoxes from the shortened
// nutation series, good to 0.3" * cos(eps) / 15 = 0.02 s. Tolerance 0.03 s; a slip
// of the longitude sign or of the 1.0027379 factor gives minutes or hours.
TEST(ErfaCrossCheck, SiderealTime) {
    double worst = 0, worstRaw = 0;
    for (double jd : Dates()) {
        AstroContext c = ContextAt(jd);
        c.Longitude = 0;
        const double ours = LocalSiderealTime(c);
        const double gast = eraAnp(eraGmst82(jd, 0.0) + eraEqeq94(jd, 0.0)) * 12.0 / ERFA_DPI;
        const double raw = std::remainder(ours - gast, 24.0) * 3600.0;   // seconds of time
        const double equinox = 0.035 + 0.085 * (jd - JD1950) / 36525.0;
        const double diff = raw + equinox;
        worst = std::max(worst, std::fabs(diff));
        worstRaw = std::max(worstRaw, std::fabs(raw));
        EXPECT_NEAR(diff, 0.0, 0.03) << "JD " << jd;
    }
    std::printf("sidereal time: largest difference %.4f s, %.4f s before the equinox correction\n",
                worst, worstRaw);
}

// Precession matrix from Newcomb's angles, built with ERFA's rotations: checks the
// closed formulae (signs, quadrants, units) to rounding, with the same angles.
TEST(ErfaCrossCheck, PrecessionRotationSameAngles) {
    double worst = 0;
    const double epochs[][2] = {{1950, 2000}, {2000, 1950}, {1950, 2050}, {2050, 1950},
                                {2024.37, 2000}, {2000, 2024.37}, {1875, 2100}};
    for (const auto& e : epochs) {
        const double from = e[0], to = e[1];
        const double base = std::min(from, to);
        const double T0 = (base - 1900.0) / 100.0, t = std::fabs(to - from) / 100.0;
        double zeta = ((2304.25 + 1.395 * T0) * t + 0.302 * t * t + 0.018 * t * t * t) * ERFA_DAS2R;
        double z = zeta + 0.791 * t * t * ERFA_DAS2R;
        double theta = ((2004.682 - 0.853 * T0) * t - 0.426 * t * t - 0.042 * t * t * t) * ERFA_DAS2R;
        double r[3][3];
        eraIr(r);
        eraRz(-zeta, r);
        eraRy(theta, r);
        eraRz(-z, r);
        if (to < from) {   // the inverse rotation
            double rt[3][3];
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j) rt[i][j] = r[j][i];
            std::copy(&rt[0][0], &rt[0][0] + 9, &r[0][0]);
        }
        std::vector<Place> sky = Sky();
        for (double ra = 0.2; ra < 24; ra += 0.8) {
            sky.push_back({ra, 89.9});     // within theta of the pole: the RA change
            sky.push_back({ra, 89.99});    // passes 90 degrees
            sky.push_back({ra, -89.95});
        }
        for (const Place& s : sky) {
            const Pair d = Precession(s.ra, s.dec, from, to);
            double p[3], q[3];
            ToVector(s.ra, s.dec, p);
            eraRxp(r, p, q);
            const double sep = Separation(s.ra + d.ra, s.dec + d.dec, q);
            worst = std::max(worst, sep);
            // 1 mas: the truncated 12/pi and arcsecond factors alone give 0.2 mas.
            EXPECT_LT(sep, 0.001) << from << "->" << to << " at " << s.ra << " " << s.dec;
        }
    }
    std::printf("precession, same angles: largest difference %.6f\"\n", worst);
}

// Precession against IAU 1976 (Lieske) between the same Julian epochs. Newcomb's
// constant of precession is smaller than the IAU 1976 one: zeta and z differ by
// 0.57" and theta by 0.48" per century of interval, so the places part by up to
// about 1.7" per century on the sky. Tolerance 2" per century plus 0.01".
TEST(ErfaCrossCheck, PrecessionIau1976) {
    double worst = 0;
    const double epochs[][2] = {{1950, 2000}, {2000, 1950}, {2000, 2050}, {1950, 2050},
                                {2050, 1950}, {2000, 2024.5}, {1987.3, 2013.8}};
    for (const auto& e : epochs) {
        double a0, a1, b0, b1, zeta, z, theta;
        eraEpj2jd(e[0], &a0, &a1);
        eraEpj2jd(e[1], &b0, &b1);
        eraPrec76(a0, a1, b0, b1, &zeta, &z, &theta);
        double r[3][3];
        eraIr(r);
        eraRz(-zeta, r);
        eraRy(theta, r);
        eraRz(-z, r);
        const double tol = 2.0 * std::fabs(e[1] - e[0]) / 100.0 + 0.01;
        for (const Place& s : Sky()) {
            const Pair d = Precession(s.ra, s.dec, e[0], e[1]);
            double p[3], q[3];
            ToVector(s.ra, s.dec, p);
            eraRxp(r, p, q);
            const double sep = Separation(s.ra + d.ra, s.dec + d.dec, q);
            worst = std::max(worst, sep / (std::fabs(e[1] - e[0]) / 100.0));
            EXPECT_LT(sep, tol) << e[0] << "->" << e[1] << " at " << s.ra << " " << s.dec;
        }
    }
    std::printf("precession vs IAU 1976: largest difference %.3f\" per century\n", worst);
}

// Nutation against the IAU 1980 theory (106 terms) applied as a rotation from the
// mean to the true equator and equinox of date. Our seven- and four-term series in
// longitude and obliquity omit terms of up to 0.04" and carry the older amplitudes
// (17.2327" against 17.1996" ...); together they leave up to 0.29" in longitude and
// 0.09" in obliquity (0.30" on the sky), and the first-order tangent formulae add
// under 0.05" at Dec 89.5. Tolerance 0.4" on the sky; a slip of sign or unit in a
// main term gives 1" to 40". Slips in the 0.1" terms hide inside the series' own error.
TEST(ErfaCrossCheck, NutationIau1980) {
    double worst = 0, worstObliquity = 0;
    for (double jd : Dates()) {
        const AstroContext c = ContextAt(jd);
        double rn[3][3], dpsi = 0, deps = 0;
        eraNutm80(jd, 0.0, rn);
        eraNut80(jd, 0.0, &dpsi, &deps);
        for (const Place& s : Sky()) {
            const Pair d = Nutation(s.ra, s.dec, c);
            double p[3], q[3];
            ToVector(s.ra, s.dec, p);
            eraRxp(rn, p, q);
            const double sep = Separation(s.ra + d.ra, s.dec + d.dec, q);
            worst = std::max(worst, sep);
            EXPECT_LT(sep, 0.4) << "JD " << jd << " at " << s.ra << " " << s.dec;
        }
        // The equator place at RA 6 h gives deps directly in Dec.
        const Pair e = Nutation(6.0, 0.0, c);
        worstObliquity = std::max(worstObliquity, std::fabs(e.dec * 3600 - deps * RadToArcsec));
    }
    std::printf("nutation: largest difference %.3f\" on the sky, %.3f\" in obliquity\n", worst,
                worstObliquity);
}

// Annual aberration against ERFA's relativistic aberration with the Earth's
// barycentric velocity (VSOP87-based eraEpv00), rotated into the mean equator of
// date (IAU 1976 precession). Our formula assumes a circular orbit: the E-terms
// (0.34") and the 0.03" between 20.47" and the modern constant are left out, and
// the Sun's motion about the barycentre adds 0.01", together up to 0.39"; close to
// the pole the first-order secant formula adds up to 0.12" (Dec 89.5). Tolerance
// 0.75" on the sky, against the 20" or 40" that a sign slip would give.
TEST(ErfaCrossCheck, AnnualAberration) {
    double worst = 0, worstLow = 0;
    for (double jd : Dates()) {
        const AstroContext c = ContextAt(jd);
        double pvh[2][3], pvb[2][3], rp[3][3];
        eraEpv00(jd, 0.0, pvh, pvb);
        eraPmat76(jd, 0.0, rp);
        double v[3], vDate[3];
        for (int i = 0; i < 3; ++i) v[i] = pvb[1][i] / ERFA_DC;   // units of c
        eraRxp(rp, v, vDate);
        const double s = std::sqrt(eraPdp(pvh[0], pvh[0]));
        const double bm1 = std::sqrt(1.0 - eraPdp(vDate, vDate));
        for (const Place& pl : Sky()) {
            const Pair d = Aberration(pl.ra, pl.dec, c);
            double p[3], q[3];
            ToVector(pl.ra, pl.dec, p);
            eraAb(p, vDate, s, bm1, q);
            const double sep = Separation(pl.ra + d.ra, pl.dec + d.dec, q);
            worst = std::max(worst, sep);
            EXPECT_LT(sep, 0.75) << "JD " << jd << " at " << pl.ra << " " << pl.dec;
            if (std::fabs(pl.dec) < 80) worstLow = std::max(worstLow, sep);
        }
    }
    std::printf("aberration: largest difference %.3f\" on the sky, %.3f\" below Dec 80\n", worst,
                worstLow);
}

}  // namespace
}  // namespace orv::astro
