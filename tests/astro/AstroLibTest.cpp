// The astronomy routines against the values this telescope's reductions are known
// to give, and against properties (inverses, derivatives, symmetries) that catch
// sign and unit slips.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "astro/AstroConstants.h"
#include "astro/AstroLib.h"

namespace orv::astro {
namespace {

AstroContext Site(double latitude) {
    AstroContext c;
    c.Latitude = latitude;
    c.SinLatitude = std::sin(latitude * DegToRad);
    c.CosLatitude = std::cos(latitude * DegToRad);
    return c;
}

AstroContext Date(int year, int month, int day, double ut) {
    AstroContext c = Site(40.0);
    c.Day = day;
    c.Month = month;
    c.Year = FractionalYear(year, month, day);
    c.UT = ut;
    return c;
}

// A context with no pointing model and no refraction.
AstroContext Bare(double latitude) {
    AstroContext c = Site(latitude);
    c.RefractionScale = 0;
    c.PointingTerm.fill(0);
    return c;
}

TEST(DateArithmetic, DaysSince1900) {
    AstroContext c = Date(2000, 1, 1, 12.0);
    EXPECT_EQ(DaysSince1900(c), 36525.0);
    c = Date(2001, 1, 1, 0.0);
    EXPECT_EQ(DaysSince1900(c), 36890.5);
    // 1 March follows 28 February in a common year and 29 February in a leap year.
    EXPECT_EQ(DaysSince1900(Date(2001, 3, 1, 0)) - DaysSince1900(Date(2001, 2, 28, 0)), 1.0);
    EXPECT_EQ(DaysSince1900(Date(2000, 3, 1, 0)) - DaysSince1900(Date(2000, 2, 28, 0)), 2.0);
    // Only the integral part of Year enters.
    c = Date(2000, 1, 1, 12.0);
    c.Year = 2000.999;
    EXPECT_EQ(DaysSince1900(c), 36525.0);
}

TEST(DateArithmetic, FractionalYear) {
    EXPECT_EQ(FractionalYear(2001, 1, 1), 2001.0);
    EXPECT_NEAR(FractionalYear(2001, 6, 15), 2001 + 165 / 365.25, 1e-12);
    EXPECT_NEAR(FractionalYear(2001, 6, 15), 2001.45175, 5e-6);
    EXPECT_NEAR(FractionalYear(2000, 3, 1), 2000 + 61 / 366.25, 1e-12);
    EXPECT_NEAR(FractionalYear(2000, 3, 1), 2000.16655, 5e-6);
    EXPECT_NEAR(FractionalYear(2000, 12, 31), 2000 + 364 / 366.25, 1e-12);
    EXPECT_NEAR(FractionalYear(2000, 12, 31), 2000.99386, 5e-6);
    // The year's fraction is discarded.
    EXPECT_EQ(FractionalYear(2001.99, 1, 1), 2001.0);
    EXPECT_NEAR(FractionalYear(2001, 12, 31), 2001 + 364 / 365.25, 1e-12);
    // 1900 and 2100 divide by 365.25, though their day numbers count a 29 February.
    EXPECT_NEAR(FractionalYear(1900, 7, 1), 1900 + 182 / 365.25, 1e-12);
    EXPECT_NEAR(FractionalYear(2100, 7, 1), 2100 + 182 / 365.25, 1e-12);
    EXPECT_NEAR(FractionalYear(2000, 7, 1), 2000 + 182 / 366.25, 1e-12);
}

TEST(SiderealTime, KnownValuesAndWrap) {
    AstroContext c = Date(2001, 1, 1, 0.0);
    c.Longitude = 0;
    EXPECT_NEAR(LocalSiderealTime(c), 6.71402, 1e-5);
    c.Longitude = 7.0;   // west: the negative result is wrapped by adding 24
    EXPECT_NEAR(LocalSiderealTime(c), 23.71402, 1e-5);
    c.Longitude = -20.0;  // east: above 24, reduced
    EXPECT_NEAR(LocalSiderealTime(c), 2.71402, 1e-5);

    // One hour of UT is 1.0027379 hours of sidereal time (the equation of the
    // equinoxes changes by far less than a microhour in an hour).
    c.Longitude = 0;
    const double lst0 = LocalSiderealTime(c);
    c.UT = 1.0;
    EXPECT_NEAR(LocalSiderealTime(c) - lst0, 1.0027379, 1e-6);

    for (double ut = 0; ut < 24; ut += 0.37) {
        c.UT = ut;
        const double lst = LocalSiderealTime(c);
        EXPECT_GE(lst, 0.0);
        EXPECT_LT(lst, 24.0);
    }
}

TEST(Precession, KnownValueInverseAndIdentity) {
    const Pair fwd = Precession(0.0, 0.0, 1950.0, 2000.0);
    EXPECT_NEAR(fwd.ra, 0.042691, 5e-7);
    EXPECT_NEAR(fwd.dec, 0.278333, 5e-7);
    const Pair back = Precession(0.0, 0.0, 2000.0, 1950.0);
    EXPECT_NEAR(back.ra, -0.042691, 5e-7);
    EXPECT_NEAR(back.dec, -0.278333, 5e-7);

    const Pair none = Precession(5.3, 47.0, 2010.5, 2010.5);
    EXPECT_EQ(none.ra, 0.0);
    EXPECT_EQ(none.dec, 0.0);

    // Precessing there and back returns the place, also close to and at the pole.
    for (double dec : {-89.0, -45.0, 0.0, 30.0, 75.0, 89.26, 89.9, 89.999}) {
        for (double ra = 0.25; ra < 24; ra += 1.5) {
            const Pair a = Precession(ra, dec, 1950.0, 2050.0);
            const Pair b = Precession(ra + a.ra, dec + a.dec, 2050.0, 1950.0);
            // On the sky, arcseconds: RA difference scaled by cos(dec).
            double dra = std::remainder(a.ra + b.ra, 24.0) * 54000.0 * std::cos(dec * DegToRad);
            EXPECT_NEAR(dra, 0.0, 1e-5) << ra << " " << dec;
            EXPECT_NEAR((a.dec + b.dec) * 3600.0, 0.0, 1e-5) << ra << " " << dec;
        }
    }
    // A mount pointed through the pole (Dec 180 - d at RA) is the place (RA + 12, d):
    // both precess to the same place.
    for (double d : {50.0, 80.0, 89.8}) {
        const Pair a = Precession(3.0, 180.0 - d, 2024.2, 2000.0);
        const Pair b = Precession(15.0, d, 2024.2, 2000.0);
        EXPECT_NEAR(std::remainder(3.0 + a.ra - (15.0 + b.ra), 24.0), 0.0, 1e-9) << d;
        EXPECT_NEAR(180.0 - d + a.dec, d + b.dec, 1e-9) << d;
    }
    const Pair pole = Precession(3.0, 90.0, 1950.0, 2000.0);
    EXPECT_TRUE(std::isfinite(pole.ra));
    EXPECT_NEAR(90.0 + pole.dec, 90.0 - 0.278333, 1e-5);
}

TEST(NutationAberration, SizeAndPoles) {
    const AstroContext c = Date(2020, 5, 17, 3.5);
    for (double dec : {-60.0, 0.0, 45.0, 80.0}) {
        for (double ra = 0; ra < 24; ra += 2) {
            const Pair n = Nutation(ra, dec, c);
            const Pair a = Aberration(ra, dec, c);
            const double cd = std::cos(dec * DegToRad);
            // Nutation below 19" per axis, aberration at most 20.47", on the sky.
            EXPECT_LT(std::hypot(n.ra * 54000 * cd, n.dec * 3600), 19.5 * std::sqrt(2.0));
            EXPECT_LT(std::hypot(a.ra * 54000 * cd, a.dec * 3600), 20.48);
        }
    }
    // A place at a pole gets finite, bounded corrections.
    for (double dec : {90.0, -90.0}) {
        const Pair n = Nutation(1.0, dec, c);
        const Pair a = Aberration(1.0, dec, c);
        EXPECT_LT(std::fabs(n.ra), 2.5);
        EXPECT_LT(std::fabs(a.ra), 2.5);
        EXPECT_LT(std::fabs(n.dec) * 3600, 20.0);
        EXPECT_LT(std::fabs(a.dec) * 3600, 21.0);
    }
    // A mount pointed through the pole, Dec 180 - d at RA, is the place (RA + 12, d):
    // the same RA change and the Dec change mirrored.
    for (double d : {60.0, 85.0, 89.5}) {
        for (double ra = 0.5; ra < 12; ra += 2.5) {
            const Pair n1 = Nutation(ra, 180.0 - d, c), n2 = Nutation(ra + 12.0, d, c);
            const Pair a1 = Aberration(ra, 180.0 - d, c), a2 = Aberration(ra + 12.0, d, c);
            EXPECT_NEAR(n1.ra, n2.ra, 1e-9);
            EXPECT_NEAR(n1.dec, -n2.dec, 1e-9);
            EXPECT_NEAR(a1.ra, a2.ra, 1e-9);
            EXPECT_NEAR(a1.dec, -a2.dec, 1e-9);
        }
    }
}

TEST(PointingCorrections, ZeroModelGivesZero) {
    const AstroContext c = Bare(40.0);
    for (double ha : {-5.5, -1.0, 0.0, 2.25, 11.9}) {
        for (double dec : {-30.0, 0.0, 40.0, 89.9, 95.0}) {
            const Corrections k = PointingCorrections(ha, dec, c);
            EXPECT_EQ(k.HACorrection, 0.0);
            EXPECT_EQ(k.DecCorrection, 0.0);
            EXPECT_EQ(k.HARateCorrection, 0.0);
            EXPECT_EQ(k.DecRateCorrection, 0.0);
        }
    }
}

TEST(PointingCorrections, ZenithMeridianAndHorizon) {
    AstroContext c = Site(40.0);   // refraction on
    c.PointingTerm.fill(0);
    const Corrections z = PointingCorrections(0.0, 40.0, c);
    EXPECT_NEAR(z.ZenithDistance, 0.0, 1e-6);
    EXPECT_NEAR(z.AirMass, 1.0, 1e-12);
    EXPECT_NEAR(z.HACorrection, 0.0, 1e-15);
    EXPECT_NEAR(z.DecCorrection, 0.0, 1e-12);

    for (double lat : {-33.3, 19.8, 52.4, 71.1}) {
        const Corrections zz = PointingCorrections(0.0, lat, Site(lat));
        EXPECT_NEAR(zz.ZenithDistance, 0.0, 1e-6) << lat;
        EXPECT_TRUE(std::isfinite(zz.DecCorrection)) << lat;
    }

    const Corrections south = PointingCorrections(0.0, 10.0, c);
    EXPECT_NEAR(south.Azimuth, 180.0, 1e-9);
    EXPECT_NEAR(south.ZenithDistance, 30.0, 1e-9);
    const Corrections north = PointingCorrections(0.0, 70.0, c);
    EXPECT_EQ(north.Azimuth, 0.0);
    EXPECT_FALSE(std::signbit(north.Azimuth));
    EXPECT_NEAR(north.ZenithDistance, 30.0, 1e-9);

    // East of the meridian the azimuth is in the east, west of it in the west.
    EXPECT_GT(PointingCorrections(-3.0, 0.0, c).Azimuth, 90.0);
    EXPECT_LT(PointingCorrections(-3.0, 0.0, c).Azimuth, 180.0);
    EXPECT_GT(PointingCorrections(3.0, 0.0, c).Azimuth, 180.0);
    EXPECT_LT(PointingCorrections(3.0, 0.0, c).Azimuth, 270.0);
    EXPECT_NEAR(PointingCorrections(-6.0, 0.0, c).Azimuth, 90.0, 1e-6);

    // At z = 45 on the meridian refraction is (58.3 - 0.067) * scale, all in Dec,
    // towards the zenith (north for a place south of the zenith).
    const Corrections r45 = PointingCorrections(0.0, -5.0, c);
    EXPECT_NEAR(r45.DecCorrection * 3600, (58.3 - 0.067) * c.RefractionScale, 1e-9);
    EXPECT_NEAR(r45.HACorrection, 0.0, 1e-15);
    // West of the meridian refraction lifts the place towards it: HA decreases.
    EXPECT_LT(PointingCorrections(2.0, 20.0, c).HACorrection, 0.0);
    EXPECT_GT(PointingCorrections(-2.0, 20.0, c).HACorrection, 0.0);

    // Just below the horizon everything stays finite at the floor.
    const Corrections low = PointingCorrections(6.0, -1.0, c);
    EXPECT_NEAR(low.ZenithDistance, std::acos(0.02) * RadToDeg, 1e-9);
    EXPECT_TRUE(std::isfinite(low.AirMass) && std::isfinite(low.DecCorrection) &&
                std::isfinite(low.HARateCorrection));
}

TEST(PointingCorrections, TrueDeclinationUpToThePoleGuard) {
    AstroContext c = Bare(40.0);
    const double cosd = std::cos(89.9 * DegToRad);
    c.PointingTerm[3] = 2.0;   // collimation, seconds of time: P3 / cos d
    EXPECT_NEAR(PointingCorrections(1.0, 89.9, c).HACorrection, 2.0 / cosd / 3600, 1e-12);
    c.PointingTerm[3] = 0;
    c.PointingTerm[7] = 10.0;  // periodic Dec term at phase 0: P7 cos d
    EXPECT_NEAR(PointingCorrections(1.0, 89.9, c).DecCorrection, 10.0 * cosd / 3600, 1e-12);
    c.PointingTerm[7] = 0;

    // Within 0.01 degrees of the pole the secant is held at its value there: a
    // place at the pole gets finite corrections.
    c.PointingTerm[3] = 2.0;
    const double guard = 2.0 / std::cos(89.99 * DegToRad) / 3600;
    EXPECT_NEAR(PointingCorrections(1.0, 90.0, c).HACorrection, guard, 1e-6);
    EXPECT_NEAR(PointingCorrections(1.0, -89.995, c).HACorrection, guard, 1e-6);

    // The azimuth test uses the true Dec: at a site at latitude 89.2 a place at
    // Dec 89.9 on the meridian lies north of the zenith, 0.7 degrees from it.
    AstroContext polar = Bare(89.2);
    polar.RefractionScale = 1.0;
    const Corrections k = PointingCorrections(0.0, 89.9, polar);
    EXPECT_NEAR(k.Azimuth, 0.0, 1e-9);
    EXPECT_NEAR(PointingCorrections(0.0, 88.0, polar).Azimuth, 180.0, 1e-9);
    EXPECT_NEAR(k.ZenithDistance, 0.7, 1e-9);
    EXPECT_TRUE(std::isfinite(k.HACorrection) && std::isfinite(k.DecCorrection) &&
                std::isfinite(k.HARateCorrection) && std::isfinite(k.DecRateCorrection));
}

// Refraction near the pole: Polaris at Dec 89.26, 5 h west at latitude 40. The
// refraction R = 58.3" tan z (scale 1, the tan^3 term left out here) lifts the star
// along the vertical; its hour-angle share, from the spherical triangle, is
// R sin(q) / cos d with the parallactic angle q, so at this Dec a wrong cos d
// shows at once.
TEST(PointingCorrections, RefractionInHourAngleNearThePole) {
    AstroContext c = Site(40.0);
    c.PointingTerm.fill(0);
    c.RefractionScale = 1.0;
    const double ha = 5.0, dec = 89.26;
    const double H = ha * 15 * DegToRad, d = dec * DegToRad, phi = 40.0 * DegToRad;
    const double cz = std::sin(phi) * std::sin(d) + std::cos(phi) * std::cos(d) * std::cos(H);
    const double z = std::acos(cz);
    const double sinq = std::sin(H) * std::cos(phi) / std::sin(z);
    const double R = 58.3 * std::tan(z) - 0.067 * std::pow(std::tan(z), 3);
    // Refraction moves the star towards the zenith, i.e. to a smaller hour angle west.
    const double expectHAseconds = -R * sinq / std::cos(d) / 15.0;
    const Corrections k = PointingCorrections(ha, dec, c);
    EXPECT_NEAR(k.HACorrection * 3600, expectHAseconds, 0.01 * std::fabs(expectHAseconds));
}

// A mount pointed through the pole, Dec 180 - d at HA H, looks at the place
// (H + 12 h, d): the refraction and the zenith distance are those of that place,
// with the Dec correction mirrored, as the counter Dec runs the other way.
TEST(PointingCorrections, ThroughThePoleMirrorsTheRefraction) {
    AstroContext c = Site(40.0);
    c.PointingTerm.fill(0);
    c.RefractionScale = 1.0;
    for (double d : {60.0, 85.0, 89.5}) {
        for (double ha : {-5.0, -1.5, 2.0}) {
            const Corrections through = PointingCorrections(ha, 180.0 - d, c);
            const Corrections sky = PointingCorrections(ha + 12.0, d, c);
            EXPECT_NEAR(through.ZenithDistance, sky.ZenithDistance, 1e-9) << d << " " << ha;
            EXPECT_NEAR(through.HACorrection, sky.HACorrection, 1e-12) << d << " " << ha;
            EXPECT_NEAR(through.DecCorrection, -sky.DecCorrection, 1e-12) << d << " " << ha;
        }
    }
}

// The rate corrections are the derivatives in hour angle of the corrections times
// the Earth's rotation; for the refraction, of its leading 58.3" term.
TEST(PointingCorrections, RatesAreDerivatives) {
    AstroContext c = Bare(40.0);
    c.PointingTerm = {0, 25.0, -40.0, 3.0, -2.5, 3.5, 30.0, 45.0, 20.0, 35.0};
    const double h = 1e-5;   // hours
    const double perRad = 1.0 / (h * 15.0 * DegToRad);
    auto check = [&](const AstroContext& ctx, double tol) {
        for (double ha : {-4.0, -1.5, 0.5, 3.0}) {
            for (double dec : {-10.0, 20.0, 55.0, 80.0}) {
                const Corrections k = PointingCorrections(ha, dec, ctx);
                const Corrections p = PointingCorrections(ha + h / 2, dec, ctx);
                const Corrections m = PointingCorrections(ha - h / 2, dec, ctx);
                // arcsec per radian of HA times rad/s.
                const double decRate = (p.DecCorrection - m.DecCorrection) * 3600 * perRad * EarthRate;
                const double haRate = (p.HACorrection - m.HACorrection) * 54000 * perRad * EarthRate;
                EXPECT_NEAR(k.DecRateCorrection, decRate, tol) << ha << " " << dec;
                EXPECT_NEAR(k.HARateCorrection, haRate, tol) << ha << " " << dec;
            }
        }
    };
    check(c, 1e-6);

    AstroContext r = Bare(40.0);
    r.RefractionScale = 1.0;
    // Near the zenith the dropped 0.067" tan^3 z term and the change of the factor
    // with z are small: rates within 2e-5 "/s (0.5% of the largest).
    for (double ha : {-1.0, 1.0}) {
        for (double dec : {30.0, 50.0}) {
            const Corrections k = PointingCorrections(ha, dec, r);
            const Corrections p = PointingCorrections(ha + h / 2, dec, r);
            const Corrections m = PointingCorrections(ha - h / 2, dec, r);
            EXPECT_NEAR(k.HARateCorrection,
                        (p.HACorrection - m.HACorrection) * 54000 * perRad * EarthRate, 2e-5);
            EXPECT_NEAR(k.DecRateCorrection,
                        (p.DecCorrection - m.DecCorrection) * 3600 * perRad * EarthRate, 2e-5);
        }
    }
}

TEST(Horizon, AirMassAndZenithDistance) {
    const AstroContext c = Site(40.0);
    EXPECT_NEAR(AirMassAt(0.0, 40.0, c), 1.0, 1e-12);
    EXPECT_NEAR(ZenithDistanceAt(0.0, 40.0, c), 0.0, 1e-6);
    // z = 60: sec z = 2, Hardie's polynomial at 1.
    EXPECT_NEAR(AirMassAt(0.0, -20.0, c), 2.0 - 0.0018167 - 0.002875 - 0.0008083, 1e-9);
    EXPECT_NEAR(ZenithDistanceAt(0.0, -20.0, c), 60.0, 1e-9);
    // Below the horizon: more than 90.
    EXPECT_NEAR(ZenithDistanceAt(0.0, -60.0, c), 100.0, 1e-9);
    // Above the horizon they agree with PointingCorrections.
    for (double ha : {-4.0, -1.0, 2.0, 4.0}) {
        for (double dec : {-5.0, 10.0, 60.0}) {
            const Corrections k = PointingCorrections(ha, dec, c);
            EXPECT_NEAR(ZenithDistanceAt(ha, dec, c), k.ZenithDistance, 1e-9);
            EXPECT_NEAR(AirMassAt(ha, dec, c), k.AirMass, 1e-9);
        }
    }
}

TEST(Dome, AzimuthForKnownPositions) {
    AstroContext c = Site(40.0);
    c.DomeRadius = 96.0;
    c.EastSideOperation = false;
    EXPECT_NEAR(DomeAzimuthFor(0.0, 40.0, c), 298.887, 1e-3);
    EXPECT_NEAR(DomeAzimuthFor(0.0, 0.0, c), 209.089, 1e-3);
    EXPECT_NEAR(DomeAzimuthFor(3.0, 0.0, c), 260.510, 1e-3);
    c.EastSideOperation = true;
    EXPECT_NEAR(DomeAzimuthFor(0.0, 40.0, c), 62.700, 1e-3);
    EXPECT_NEAR(DomeAzimuthFor(0.0, 0.0, c), 149.058, 1e-3);

    // Near the horizon the offsets matter little: the dome follows the azimuth.
    c.DomeRadius = 1e6;
    const Corrections k = PointingCorrections(-4.0, 5.0, Site(40.0));
    EXPECT_NEAR(DomeAzimuthFor(-4.0, 5.0, c), k.Azimuth, 0.01);
}

TEST(ObservedPlace, ChainClockAndRollOver) {
    AstroContext c = Date(2021, 9, 3, 4.0);
    c.RefractionScale = 0;
    c.PointingTerm.fill(0);

    PlaceRecord rec;
    rec.RA = 23.99;
    rec.Dec = 30.0;
    rec.Epoch = 2000.0;
    int reads = 0;
    const double lst = ObservedPlace(rec, c, [&] { return ++reads == 1 ? 5.0 : 5.01; });
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(lst, 5.01);
    // The stored corrections make up the change; RA is wrapped into 0..24.
    const double ra = 23.99 + rec.PrecessionDelta.ra + rec.NutationDelta.ra + rec.AberrationDelta.ra;
    EXPECT_NEAR(rec.RA, ra - 24.0, 1e-12);
    EXPECT_NEAR(rec.Dec,
                30.0 + rec.PrecessionDelta.dec + rec.NutationDelta.dec + rec.AberrationDelta.dec,
                1e-12);
    EXPECT_NEAR(rec.PrecessionDelta.ra, Precession(23.99, 30.0, 2000.0, c.Year).ra, 1e-15);
    // Without a model the HA is LST0 - RA advanced by the 0.01 h the work took.
    EXPECT_NEAR(rec.HA, 5.0 - rec.RA + 0.01, 1e-12);

    // A sidereal clock rolling over 24 between the readings advances the HA by
    // the 0.002 h that passed, not by a day.
    PlaceRecord late;
    late.RA = 23.0;
    late.Dec = 10.0;
    late.Epoch = c.Year;
    reads = 0;
    ObservedPlace(late, c, [&] { return ++reads == 1 ? 23.999 : 0.001; });
    EXPECT_NEAR(late.HA, 23.999 - late.RA + 0.002, 1e-12);

    // With a model the corrections are added in the observed frame.
    c.PointingTerm[3] = 3.0;    // seconds of time
    c.PointingTerm[7] = 20.0;   // arcseconds, phase 0
    PlaceRecord m;
    m.RA = 4.0;
    m.Dec = 0.0;
    m.Epoch = c.Year;
    ObservedPlace(m, c, [] { return 6.0; });
    const double apparentDec = 0.0 + m.NutationDelta.dec + m.AberrationDelta.dec;
    EXPECT_NEAR(m.Dec - apparentDec, 20.0 * std::cos(apparentDec * DegToRad) / 3600, 1e-9);
    EXPECT_NEAR(m.HA - (6.0 - m.RA), 3.0 / std::cos(apparentDec * DegToRad) / 3600, 1e-9);
}

}  // namespace
}  // namespace orv::astro
