// The pointing-model fit on synthetic points: errors made from known terms with
// the term table's own formulas (written out here, independently of the model
// code), then fitted back.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "astro/PointReduction.h"
#include "astro/PointingFit.h"

namespace orv::astro {
namespace {

constexpr double Lat = 40.0;
constexpr double D2R = 3.14159265358979323846 / 180.0;

// The model's corrections at (ha hours, dec degrees): HA in seconds of time, Dec
// in arcseconds, from the term table.
struct Model {
    double haSec, decArcsec;
};
Model Corrections(const PointingTerms& P, double ha, double dec) {
    const double H = ha * 15 * D2R, d = dec * D2R, phi = Lat * D2R;
    const double cz = std::sin(phi) * std::sin(d) + std::cos(phi) * std::cos(d) * std::cos(H);
    const double tand = std::tan(d);
    Model m;
    m.decArcsec = P[7] * std::cos(d - P[8] * D2R) + P[1] * std::cos(H) + P[2] * std::sin(H) +
                  P[9] * (std::sin(phi) - std::sin(d) * cz) / std::cos(d);
    m.haSec = P[5] * std::cos(H - P[6] * D2R) + P[3] / std::cos(d) + P[4] * tand + P[1] / 15 * std::sin(H) * tand -
              P[2] / 15 * std::cos(H) * tand - P[9] / 15 * std::cos(phi) * std::sin(H) / std::cos(d);
    return m;
}

// Stars over the sky above 65 degrees from the zenith: hour angles -5..+5 h,
// declinations -20..+80.
std::vector<std::pair<double, double>> Sky() {
    std::vector<std::pair<double, double>> places;
    for (double dec = -20; dec <= 80; dec += 12.5)
        for (double ha = -5; ha <= 5.01; ha += 1.25) {
            const double H = ha * 15 * D2R, d = dec * D2R, phi = Lat * D2R;
            const double cz = std::sin(phi) * std::sin(d) + std::cos(phi) * std::cos(d) * std::cos(H);
            if (cz > std::cos(65 * D2R)) places.push_back({ha + 0.01 * dec, dec});
        }
    return places;
}

// Points taken with `current` in force on a mount whose errors are `truth`, after
// a setting of the position that left the zero points zeroHA (s of time) and
// zeroDec (arcsec); `noise` arcseconds on the sky on each axis.
FitRequest Synthetic(const PointingTerms& truth, const PointingTerms& current, double zeroHA, double zeroDec,
                     double noise = 0, unsigned seed = 1) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> gauss(0.0, noise > 0 ? noise : 1.0);
    FitRequest req;
    req.latitude = Lat;
    req.current = current;
    for (auto [ha, dec] : Sky()) {
        const Model t = Corrections(truth, ha, dec), c = Corrections(current, ha, dec);
        double dHA = (t.haSec - c.haSec + zeroHA) / 3600;
        double dDec = (t.decArcsec - c.decArcsec + zeroDec) / 3600;
        if (noise > 0) {
            dHA += gauss(rng) / (54000 * std::cos(dec * D2R));
            dDec += gauss(rng) / 3600;
        }
        req.points.push_back({ha, dec, dHA, dDec});
    }
    return req;
}

// Arcseconds on the sky that one unit of a term can move a star (seconds of time
// count 15 arcseconds), for the "1 % or 0.5 arcsecond" tolerance.
double ToleranceOf(int term, const PointingTerms& truth) {
    const bool time = term == 3 || term == 4 || term == 5;
    const double half = time ? 0.5 / 15 : 0.5;
    if (term == 6 || term == 8) {
        // A phase: the same tolerance along the circle of the amplitude.
        const double amp = truth[static_cast<size_t>(term - 1)];
        const double ampTol = std::max(0.01 * std::fabs(amp), term == 6 ? 0.5 / 15 : 0.5);
        return ampTol / std::fabs(amp) / D2R;
    }
    return std::max(0.01 * std::fabs(truth[static_cast<size_t>(term)]), half);
}

TEST(PointingFit, RecoversEachTermAloneAndAllTogether) {
    struct Case {
        const char* name;
        PointingTerms truth;
        PointingTerms current;
    };
    const PointingTerms none{};
    const std::vector<Case> cases = {
        {"P1", {0, 120}, none},
        {"P2", {0, 0, -90}, none},
        {"P3", {0, 0, 0, 30}, none},
        {"P4", {0, 0, 0, 0, 12}, none},
        {"P5", {0, 0, 0, 0, 0, 2.5}, none},
        {"P6", {0, 0, 0, 0, 0, 2.5, 120}, none},
        {"P7", {0, 0, 0, 0, 0, 0, 0, 45}, none},
        {"P8", {0, 0, 0, 0, 0, 0, 0, 45, -60}, none},
        {"P9", {0, 0, 0, 0, 0, 0, 0, 0, 0, 20}, none},
        // All nine, fitted on top of an older model that was in force.
        {"all", {0, 120, -90, 30, 12, 2.5, 120, 45, -60, 20}, {0, 100, -60, 25, 5, 1, 30, 20, 10, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FitResult r = FitPointingModel(Synthetic(c.truth, c.current, 1.5, -40));
        ASSERT_TRUE(r.ok) << (r.refusals.empty() ? "" : r.refusals[0]);
        for (int t = 1; t <= 9; ++t) {
            const auto i = static_cast<size_t>(t);
            // A phase without an amplitude is not a quantity.
            if ((t == 6 && c.truth[5] == 0) || (t == 8 && c.truth[7] == 0)) continue;
            EXPECT_NEAR(r.terms[i], c.truth[i], ToleranceOf(t, c.truth)) << "term " << t;
        }
        EXPECT_NEAR(r.zeroPointHA, 1.5, 0.5 / 15);
        EXPECT_NEAR(r.zeroPointDec, -40, 0.5);
        EXPECT_LT(r.rmsAfter, 1e-6);
    }
}

TEST(PointingFit, StandardErrorsMatchTheScatterOfRepeatedFits) {
    const PointingTerms truth{0, 120, -90, 30, 12, 2.5, 120, 45, -60, 20};
    const FitResult one = FitPointingModel(Synthetic(truth, {}, 0, 0, 2.0, 99));
    ASSERT_TRUE(one.ok);
    EXPECT_NEAR(one.sigma, 2.0, 0.5);

    // Monte-Carlo: the spread of each term over many noisy copies of the same sky.
    constexpr int Trials = 400;
    std::array<double, 10> sum{}, sum2{}, reported{};
    for (int k = 0; k < Trials; ++k) {
        const FitResult r = FitPointingModel(Synthetic(truth, {}, 0, 0, 2.0, 1000 + static_cast<unsigned>(k)));
        ASSERT_TRUE(r.ok);
        for (size_t t = 1; t <= 9; ++t) {
            sum[t] += r.terms[t];
            sum2[t] += r.terms[t] * r.terms[t];
            reported[t] += r.stdError[t] / Trials;
        }
    }
    for (size_t t = 1; t <= 9; ++t) {
        const double mean = sum[t] / Trials;
        const double spread = std::sqrt(sum2[t] / Trials - mean * mean);
        EXPECT_NEAR(reported[t] / spread, 1.0, 0.3) << "term " << t << ": reported " << reported[t]
                                                    << ", Monte-Carlo " << spread;
    }
}

TEST(PointingFit, RefusesWhatThePointsCannotDetermineAndSaysWhy) {
    const PointingTerms truth{0, 120, -90, 30, 12, 2.5, 120, 45, -60, 20};

    FitRequest few = Synthetic(truth, {}, 0, 0);
    few.points.resize(8);
    FitResult r = FitPointingModel(few);
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(r.refusals.size(), 1u);
    EXPECT_NE(r.refusals[0].find("too few points: 8 points for 11 unknowns"), std::string::npos) << r.refusals[0];

    // One declination: collimation, non-perpendicularity and the zero points read
    // alike there.
    FitRequest band = Synthetic(truth, {}, 0, 0);
    band.points.clear();
    for (double ha = -4; ha <= 4; ha += 0.5) band.points.push_back({ha, 30.0, 1e-3, 1e-3});
    r = FitPointingModel(band);
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(r.refusals.size(), 1u);
    const std::string& why = r.refusals[0];
    EXPECT_NE(why.find("the declinations span only 0.0 degrees"), std::string::npos) << why;
    for (const char* term : {"3", "4", "7/8"}) EXPECT_NE(why.find(term), std::string::npos) << why;

    // Asked only for the polar axis, the same points are enough.
    band.fit = {};
    band.fit[1] = band.fit[2] = true;
    EXPECT_TRUE(FitPointingModel(band).ok);
}

TEST(PointReduction, CarriesTheStarToTheTelescopesEquinoxAndTheHourAngleFromTheDisplay) {
    // RA 0 h, Dec 0 of 1950.0 is RA 0.042691 h, Dec 0.278333 degrees of 2000.0; the
    // telescope believed itself 36 arcseconds north and 1 second of time east of it.
    PointPlaces p{0.0, 0.0, 0.042691 + 1.0 / 3600, 0.278333 + 0.01, 1.5};
    PointFrame f;
    f.catalogueEquinox = 1950.0;
    f.displayEquinox = 2000.0;
    const PointingObservation o = ReducePoint(p, f);
    EXPECT_NEAR(o.ha, 1.5 + 1.0 / 3600, 2e-6);         // sidereal time less the star's RA
    EXPECT_NEAR(o.dec, 0.278333, 1e-6);
    EXPECT_NEAR(o.dHA * 3600, -1.0, 0.005);             // east: the hour angle is smaller
    EXPECT_NEAR(o.dDec * 3600, 36.0, 0.01);

    // With the date, both go on to the apparent place: an offset between them
    // changes only by the small rotation of precession and nutation.
    f.date = CalendarDate{2024, 3, 20};
    const PointingObservation a = ReducePoint(p, f);
    EXPECT_NEAR(a.dHA * 3600, -1.0, 0.01);
    EXPECT_NEAR(a.dDec * 3600, 36.0, 0.05);
    EXPECT_GT(std::fabs(a.ha - o.ha) * 3600, 60.0);     // s of time: 24 years of precession
}

}  // namespace
}  // namespace orv::astro
