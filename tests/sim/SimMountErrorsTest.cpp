// The simulated mount's mechanical errors: where its optical axis points.

#include <gtest/gtest.h>

#include <cmath>

#include "sim/SimControlServer.h"
#include "sim/SimulatedInterface.h"

namespace orv {
namespace {

constexpr double D2R = 3.14159265358979323846 / 180.0;
constexpr double Lat = 40.0;

// The axes that put the optical axis at (ha, dec) under the terms P: the place
// plus the model's corrections, from the term table (HA in seconds of time, Dec
// in arcseconds), written out independently of the model code.
SkyPlace AxesFor(const astro::PointingTerms& P, double ha, double dec) {
    const double H = ha * 15 * D2R, d = dec * D2R, phi = Lat * D2R;
    const double cz = std::sin(phi) * std::sin(d) + std::cos(phi) * std::cos(d) * std::cos(H);
    const double decArcsec = P[7] * std::cos(d - P[8] * D2R) + P[1] * std::cos(H) + P[2] * std::sin(H) +
                             P[9] * (std::sin(phi) - std::sin(d) * cz) / std::cos(d);
    const double haSec = P[5] * std::cos(H - P[6] * D2R) + P[3] / std::cos(d) + P[4] * std::tan(d) +
                         P[1] / 15 * std::sin(H) * std::tan(d) - P[2] / 15 * std::cos(H) * std::tan(d) -
                         P[9] / 15 * std::cos(phi) * std::sin(H) / std::cos(d);
    return {ha + haSec / 3600, dec + decArcsec / 3600};
}

class MountTest : public ::testing::Test {
protected:
    ManualClock clock;
    SimulatedInterface sim{clock};
    // Turns the axes from where they stand to `axes`.
    void moveAxesTo(SkyPlace axes) {
        const auto t = sim.truth();
        sim.nudge((axes.ha - t.axes.ha) * 54000, (axes.dec - t.axes.dec) * 3600);
    }
};

TEST_F(MountTest, TheOpticalAxisLeavesTheAxesByTheTermsOfTheModel) {
    // At power-up the axes stand at the zenith, and without errors the optical axis with them.
    auto t = sim.truth();
    EXPECT_EQ(t.axes.ha, 0.0);
    EXPECT_EQ(t.axes.dec, Lat);
    EXPECT_EQ(t.optical.ha, t.axes.ha);
    EXPECT_EQ(t.optical.dec, t.axes.dec);

    const astro::PointingTerms P{0, 120, -90, 30, 5, 2, 60, 30, 20, 20};
    SimMountErrors errors;
    errors.terms = P;
    sim.setMountErrors(errors);
    for (auto [ha, dec] : {std::pair{2.0, 30.0}, {-4.5, 70.0}, {0.5, -20.0}}) {
        moveAxesTo(AxesFor(P, ha, dec));
        t = sim.truth();
        EXPECT_NEAR(t.optical.ha * 54000, ha * 54000, 0.01) << ha << " " << dec;
        EXPECT_NEAR(t.optical.dec * 3600, dec * 3600, 0.01) << ha << " " << dec;
    }
    // The errors move only the optical axis: the counters read the axes.
    const auto counters = sim.truth().counters;
    sim.setMountErrors({});
    EXPECT_EQ(sim.truth().counters, counters);
    EXPECT_EQ(sim.truth().optical.dec, sim.truth().axes.dec);
}

TEST_F(MountTest, ScatterIsRepeatableSeededAndOfTheGivenSize) {
    SimMountErrors errors;
    errors.scatterArcsec = 2.0;
    errors.seed = 7;
    const MountErrorModel model(errors, Lat), again(errors, Lat);
    errors.seed = 8;
    const MountErrorModel other(errors, Lat);
    double sum2 = 0;
    int n = 0, differ = 0;
    for (double ha = -6; ha <= 6; ha += 0.5)
        for (double dec = -30; dec <= 80; dec += 5) {
            const SkyPlace o = model.opticalAxis({ha, dec});
            const double x = (o.ha - ha) * 54000 * std::cos(dec * D2R), y = (o.dec - dec) * 3600;
            sum2 += x * x + y * y;
            n += 2;
            EXPECT_EQ(again.opticalAxis({ha, dec}).ha, o.ha);
            if (std::fabs(other.opticalAxis({ha, dec}).dec - o.dec) * 3600 > 0.1) ++differ;
        }
    EXPECT_NEAR(std::sqrt(sum2 / n), 2.0, 0.5);
    EXPECT_GT(differ, n / 4);
}

TEST_F(MountTest, ControlLinesSetAndShowTheErrorsAndTurnTheAxes) {
    EXPECT_EQ(ExecuteSimCommand(sim, "errors P1=120 p2=-90, P9=20 # polar axis and flexure"), "ok");
    EXPECT_EQ(ExecuteSimCommand(sim, "errors scatter=1.5 seed=3"), "ok");
    EXPECT_EQ(ExecuteSimCommand(sim, "errors"), "P1=120 P2=-90 P3=0 P4=0 P5=0 P6=0 P7=0 P8=0 P9=20 scatter=1.5 seed=3");
    for (const char* bad : {"errors P0=1", "errors P1=x", "errors P1", "errors scatter=-1", "errors seed=1.5",
                            "errors tilt=3", "nudge 1", "nudge a 0", "nudge 1e9 0"})
        EXPECT_EQ(ExecuteSimCommand(sim, bad).rfind("error ", 0), 0u) << bad;
    EXPECT_EQ(sim.mountErrors().terms[1], 120.0);
    EXPECT_EQ(sim.mountErrors().seed, 3u);

    // East side of the pier: north turns the Dec axis the way its counter counts down.
    const auto before = sim.truth();
    EXPECT_EQ(ExecuteSimCommand(sim, "nudge 5400 -3600"), "ok");
    const auto after = sim.truth();
    EXPECT_NEAR(after.axes.ha - before.axes.ha, 0.1, 1e-12);
    EXPECT_NEAR(after.axes.dec - before.axes.dec, -1.0, 1e-12);
    EXPECT_GT(after.counters[1], before.counters[1]);
    EXPECT_GT(after.counters[0], before.counters[0]);
}

}  // namespace
}  // namespace orv
