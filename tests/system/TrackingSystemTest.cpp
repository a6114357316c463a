// Tracking on the simulated telescope: the start-up position at the zenith, the
// displayed place held still by sidereal tracking, and the hour angle held still
// with the track switch off. The counters move in whole counts of about one
// arcsecond and the clock is scaled, so positions are compared as medians of a
// few coordinate passes, with margins for one count and the scheduling jitter.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "SimSystem.h"
#include "core/Ports.h"

namespace orv {
namespace {

using testing::SimSystem;

constexpr uint8_t PanelIdle = SimulatedInterface::DefaultFrontPanel;   // track switch on
constexpr uint8_t TrackSwitchOff = PanelIdle | ports::TrackSwitchBit;

double wrap12(double h) {
    h = std::fmod(h, 24.0);
    if (h > 12) h -= 24;
    if (h < -12) h += 24;
    return h;
}
double hoursToArcsec(double h) { return h * 15 * 3600; }

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Place {
    double ra, dec, ha, lst;
};

// The median of five consecutive coordinate passes. RA and HA are taken
// relative to `near` so that a value at the 0/24 seam cannot split the median.
Place samplePlace(SimSystem& w, const Place& near) {
    const auto& s = w.system.state;
    std::vector<double> ra, dec, ha, lst;
    for (int i = 0; i < 5; ++i) {
        w.clock.sleepMs(110);   // a little more than one pass of the time task
        ra.push_back(wrap12(s.RA - near.ra));
        dec.push_back(s.Dec);
        ha.push_back(wrap12(s.HA - near.ha));
        lst.push_back(wrap12(s.LST - near.lst));
    }
    return {near.ra + median(ra), median(dec), near.ha + median(ha), near.lst + median(lst)};
}
Place samplePlace(SimSystem& w) {
    const auto& s = w.system.state;
    return samplePlace(w, {s.RA, s.Dec, s.HA, s.LST});
}

// Makes sure the clocks run at the simulated machine's exact rate (720000 ticks
// per UT hour, the default) whatever a test's state data says, and sets them
// again from the PC clock.
bool exactHostTimer(SimSystem& w) {
    auto& p = w.system.params;
    p.UTTicksPerHour = 720000.0;
    p.SidTicksPerHour = 720000.0 / 1.00273790935;
    if (!w.command(1, {0, 0, 0, 0})) return false;
    w.clock.sleepMs(300);
    return true;
}

// Sets the front-panel track switch; true once the input monitor has followed it.
bool setTrackSwitch(SimSystem& w, bool on) {
    auto& s = w.system.state;
    w.sim.setInput(ports::FrontPanel, on ? PanelIdle : TrackSwitchOff);
    return w.waitFor([&] {
        return testBits(s.StatusFlags1, status1::TrackingSwitch) == on &&
               s.ActiveTrackRateRA == (on ? s.TrackRateRA.load() : 0.0);
    }, 2000);
}

TEST(TrackingSystem, StartSetsDateAndTimeAndPointsAtTheZenith) {
    // At real time, so that the pending first command can be seen before it runs.
    RealClock clock(1.0);
    SimulatedInterface sim(clock);
    System system(clock, sim, SystemOptions{".", false});
    system.StartSystem();
    auto& s = system.state;
    EXPECT_EQ(s.StateCode, 1);

    const int64_t t0 = clock.nowMs();
    while ((s.StateCode != 0 || !testBits(s.StatusFlags1, status1::Initialized)) && clock.nowMs() - t0 < 1000)
        clock.sleepMs(2);
    EXPECT_LT(clock.nowMs() - t0, 300) << "not within one pass";
    EXPECT_EQ(s.StateCode, 0);
    EXPECT_TRUE(testBits(s.StatusFlags1, status1::Initialized));

    clock.sleepMs(350);   // a few coordinate passes
    EXPECT_LT(s.ZenithDistance, 0.05);
    EXPECT_LT(std::fabs(hoursToArcsec(wrap12(s.HA))), 180.0);
    EXPECT_NEAR(s.Dec, system.params.Latitude, 0.05);
    EXPECT_GT(s.Year, 2000.0);   // the PC's date, not the start value
    system.StopSystem();
}

TEST(TrackingSystem, SiderealTrackingHoldsThePlaceForTenMinutes) {
    SimSystem w(20.0);
    ASSERT_TRUE(w.started);
    ASSERT_TRUE(exactHostTimer(w));
    auto& s = w.system.state;
    ASSERT_TRUE(setTrackSwitch(w, true)) << "the input monitor follows the track switch";
    w.clock.sleepMs(1000);

    // The sidereal rate as programmed: f = 2, g = 35758 at the mount's step size.
    const auto truth = w.sim.truth();
    EXPECT_NEAR(truth.step_hz[0], 1e7 / (2 * 35758), 0.05);
    EXPECT_NEAR(truth.axis_rate_arcsec[0], 15.041, 0.02);
    EXPECT_LT(s.ZenithDistance, 0.1);

    const Place start = samplePlace(w);
    const int64_t t0 = w.clock.nowMs();
    double worstRA = 0, worstDec = 0;
    while (w.clock.nowMs() - t0 < 600000) {
        w.clock.sleepMs(20000);
        const Place now = samplePlace(w, start);
        worstRA = std::max(worstRA, std::fabs(hoursToArcsec(now.ra - start.ra)));
        worstDec = std::max(worstDec, std::fabs((now.dec - start.dec) * 3600));
    }
    EXPECT_LT(worstRA, 2.0);
    EXPECT_LT(worstDec, 2.0);
    // Meanwhile the hour angle went on with the sky.
    EXPECT_NEAR(hoursToArcsec(wrap12(s.HA - start.ha)) / 15.041, (w.clock.nowMs() - t0) / 1000.0, 30.0);
}

TEST(TrackingSystem, WithTheTrackSwitchOffTheHourAngleStaysAndRAMovesWithSiderealTime) {
    SimSystem w(20.0);
    ASSERT_TRUE(w.started);
    ASSERT_TRUE(exactHostTimer(w));
    ASSERT_TRUE(setTrackSwitch(w, false)) << "the input monitor follows the track switch";
    ASSERT_TRUE(w.waitFor([&] { return w.sim.truth().axis_rate_arcsec[0] == 0.0; }, 2000));
    w.clock.sleepMs(500);

    const Place start = samplePlace(w);
    const int64_t t0 = w.clock.nowMs();
    w.clock.sleepMs(300000);
    const Place end = samplePlace(w, start);
    const double elapsedS = (w.clock.nowMs() - t0) / 1000.0;

    EXPECT_LT(std::fabs(hoursToArcsec(end.ha - start.ha)), 2.0);
    const double lstAdvance = end.lst - start.lst;
    EXPECT_NEAR(lstAdvance * 3600, elapsedS * 1.0027379, 1.0);
    EXPECT_NEAR(hoursToArcsec(end.ra - start.ra), hoursToArcsec(lstAdvance), 2.0);
    EXPECT_EQ(w.sim.truth().axis_rate_arcsec[0], 0.0);
}

}  // namespace
}  // namespace orv
