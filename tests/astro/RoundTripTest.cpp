// A mean place taken to the counter frame by ObservedPlace and brought back by two
// passes of the time task's reverse chain must be the place it started from: each
// correction is added on the way out and removed on the way back, so a sign or
// unit slip in any of them shows as an error of arcminutes.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "astro/AstroConstants.h"
#include "astro/AstroLib.h"

namespace orv::astro {
namespace {

AstroContext Night(const std::array<double, 10>& model) {
    AstroContext c;
    c.Latitude = 40.0;
    c.SinLatitude = std::sin(c.Latitude * DegToRad);
    c.CosLatitude = std::cos(c.Latitude * DegToRad);
    c.Longitude = 7.0;
    c.Day = 15;
    c.Month = 3;
    c.Year = FractionalYear(2024, 3, 15);
    c.UT = 3.2;
    c.RefractionScale = 0.9;
    c.PointingTerm = model;
    return c;
}

// On-sky distance between two places, arcseconds.
double ErrorArcsec(double ra1, double dec1, double ra2, double dec2) {
    const double dra = std::remainder(ra1 - ra2, 24.0) * ArcsecPerHour * std::cos(dec2 * DegToRad);
    return std::hypot(dra, (dec1 - dec2) * ArcsecPerDeg);
}

struct Worst {
    double error = 0;
    double ha = 0, dec = 0;
    double below80 = 0;   // largest error at Dec 80 or less
};

// Runs the round trip over the sky above 30 degrees altitude with display equinox
// = catalogue equinox = the date; returns the largest error.
Worst RoundTrip(const AstroContext& c, double displayEpoch) {
    const double lst = 7.3;
    Worst worst;
    int places = 0;
    for (double ha = -6.0; ha <= 6.0; ha += 0.25) {
        for (double dec = -50.0; dec <= 89.9; dec += 1.3) {
            if (ZenithDistanceAt(ha, dec, c) > 60.0) continue;
            ++places;
            double ra = lst - ha;
            if (ra < 0) ra += 24.0;

            PlaceRecord rec;
            rec.RA = ra;
            rec.Dec = dec;
            rec.Epoch = displayEpoch;
            const double lstUsed = ObservedPlace(rec, c, [lst] { return lst; });

            // The counters show the observed place.
            const ReverseChainResult back = ReverseChain(rec.HA, rec.Dec, lstUsed, displayEpoch, c);

            EXPECT_NEAR(std::remainder(back.HA - ha, 24.0), std::remainder(lstUsed - back.RA - ha, 24.0), 1e-12);
            EXPECT_FALSE(back.ThroughPole);
            const double e = ErrorArcsec(back.RA, back.Dec, ra, dec);
            EXPECT_LT(e, 1.0) << "HA " << ha << " Dec " << dec;
            if (e > worst.error) worst = {e, ha, dec, worst.below80};
            if (dec <= 80.0 && e > worst.below80) worst.below80 = e;
        }
    }
    EXPECT_GT(places, 1000);
    return worst;
}

// Pointing models with terms up to 60" (seconds of time up to 4 s), both signs.
constexpr std::array<double, 10> ModelA = {0, 45.0, -60.0, 4.0, -3.0, 2.5, 40.0, 50.0, -20.0, 30.0};
constexpr std::array<double, 10> ModelB = {0, -60.0, 35.0, -2.5, 4.0, -4.0, 200.0, -45.0, 75.0, -60.0};

TEST(RoundTrip, MeanPlaceReturnsWithinOneArcsecond) {
    for (const auto& model : {ModelA, ModelB}) {
        const AstroContext c = Night(model);
        const Worst w = RoundTrip(c, c.Year);
        std::printf("round trip: largest error %.3f\" at HA %.2f h, Dec %.1f; %.3f\" up to Dec 80\n",
                    w.error, w.ha, w.dec, w.below80);
    }
}

TEST(RoundTrip, WithoutModelAndRefraction) {
    std::array<double, 10> none{};
    AstroContext c = Night(none);
    c.RefractionScale = 0;
    const Worst w = RoundTrip(c, c.Year);
    // Only the aberration and nutation are taken at places 20" apart: a second-order
    // effect, except near the pole where their RA terms grow with sec^2 d.
    EXPECT_LT(w.below80, 0.02);
    EXPECT_LT(w.error, 0.2);
}

// The corrections really are of the size that a sign slip would show: the observed
// place differs from the mean place by tens of arcseconds or more.
TEST(RoundTrip, CorrectionsAreLargeAgainstTheTolerance) {
    const AstroContext c = Night(ModelA);
    PlaceRecord rec;
    rec.RA = 7.3 - 2.0;
    rec.Dec = 10.0;
    rec.Epoch = c.Year;
    ObservedPlace(rec, c, [] { return 7.3; });
    const double moved = ErrorArcsec(7.3 - rec.HA, rec.Dec, 5.3, 10.0);
    EXPECT_GT(moved, 60.0);
}

}  // namespace
}  // namespace orv::astro
