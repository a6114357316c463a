// Slews and trails of the whole system on the simulated telescope, time-scaled.
// The simulator turns the step rates the axis tasks program into counter
// motion, the time task reads the position back from the counters, and the
// slew and trail loops steer on that position, so these runs check the chain
// end to end. Scaling multiplies the host's scheduling jitter: outcomes are
// asserted with margins.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "SimSystem.h"
#include "control/SlewHelpers.h"
#include "core/Ports.h"

namespace orv {
namespace {

using testing::SimSystem;

constexpr uint8_t PanelIdle = SimulatedInterface::DefaultFrontPanel;   // track switch on
constexpr uint8_t TrackSwitchOff = PanelIdle | ports::TrackSwitchBit;
constexpr double ArrivalMargin = 0.0004 + 0.0003;   // degrees: tolerance plus jitter

// A fixed night, with the sidereal time near `lst`, and the telescope set to
// hour angle `ha`, declination `dec` (mean place of the display equinox).
bool startAt(SimSystem& w, double lst, double ha, double dec) {
    auto& s = w.system.state;
    if (!w.setDate(2024, 3, 20, 12.0)) return false;
    double ut = 12.0 + WrapHours24(lst - s.LST) / 1.0027379;
    int day = 20;
    if (ut >= 24) {
        ut -= 24;
        ++day;
    }
    if (!w.setDate(2024, 3, day, ut)) return false;
    if (!w.command(3, {WrapHours24(s.LST - ha), dec, 0})) return false;
    w.clock.sleepMs(300);
    return true;
}

double raErrorDeg(const TelescopeState& s) { return std::fabs(WrapHours12(s.RA - s.TargetRA)) * 15.0; }

// Loads (ra, dec) of the display equinox and starts the slew; `sample` runs on
// every poll until the slew command has ended.
bool slewTo(SimSystem& w, double ra, double dec, const std::function<void()>& sample, int64_t simulatedMs) {
    if (!w.command(6, {ra, dec, 0})) return false;
    if (!testBits(w.system.state.StatusFlags1, status1::SlewEnabled)) return false;
    w.commander.issue(12);
    w.waitFor([&] { return w.system.state.StateCode == 12; }, 200, 1);
    return w.waitFor([&] {
        sample();
        return w.system.state.StateCode == 0;
    }, simulatedMs, 5);
}

TEST(SlewSystem, OneDegreeDecSlewStepsDownTheSpeedTable) {
    SimSystem w(10.0);
    ASSERT_TRUE(w.started);
    auto& s = w.system.state;
    ASSERT_TRUE(startAt(w, 6.0, 0.0, 30.0));

    struct Step {
        double rate, distance;
    };
    std::vector<Step> steps;
    double raErr = 0, decErr = 0;   // as the loop left them
    ASSERT_TRUE(slewTo(w, s.RA, 31.0, [&] {
        if (!s.SlewInProgress) return;
        const double rate = s.DecRate;
        if (steps.empty() || steps.back().rate != rate) steps.push_back({rate, std::fabs(s.TargetDec - s.Dec)});
        raErr = raErrorDeg(s);
        decErr = std::fabs(s.Dec - s.TargetDec);
    }, 60000));

    // The rates in the order they first appeared.
    std::vector<double> order;
    for (const Step& st : steps)
        if (std::find(order.begin(), order.end(), st.rate) == order.end()) order.push_back(st.rate);
    std::vector<double> expected{997.2, 360, 120, 12, 3};
    std::vector<double> seen;
    for (double r : order)
        if (r != 0) seen.push_back(r);
    // The 12 arcsec/s band is 11.5 arcsec wide: a coordinate pass can carry the
    // position over most of it, but never over the others.
    EXPECT_EQ(seen.front(), 997.2);
    for (double r : {360.0, 120.0, 3.0})
        EXPECT_NE(std::find(seen.begin(), seen.end(), r), seen.end()) << r;
    EXPECT_TRUE(std::is_sorted(seen.rbegin(), seen.rend())) << "rates rose again";
    const std::pair<double, double> bounds[] = {{360, 0.1}, {120, 0.04}, {12, 0.005}, {3, 0.0018}};
    for (const Step& st : steps)
        for (auto [rate, bound] : bounds)
            if (st.rate == rate) {
                EXPECT_LT(st.distance, bound + 0.0005) << rate;
            }

    EXPECT_LE(decErr, ArrivalMargin);
    EXPECT_LE(raErr, ArrivalMargin);
    EXPECT_NEAR(s.Dec, 31.0, ArrivalMargin + 0.0002);   // and it stays there
    EXPECT_FALSE(testBits(s.StatusFlags1, status1::Slewing | status1::SlewEnabled));
    EXPECT_EQ(s.SlewInProgress, 0);
}

TEST(SlewSystem, TwentyDegreeSlewInBothAxesArrives) {
    SimSystem w(20.0);
    ASSERT_TRUE(w.started);
    auto& s = w.system.state;
    ASSERT_TRUE(startAt(w, 6.0, 0.667, 25.0));
    const double targetRA = WrapHours24(s.LST + 0.667);   // 20 degrees east
    double raErr = 1, decErr = 1;
    ASSERT_TRUE(slewTo(w, targetRA, 45.0, [&] {
        if (!s.SlewInProgress) return;
        raErr = raErrorDeg(s);
        decErr = std::fabs(s.Dec - s.TargetDec);
    }, 200000));
    EXPECT_LE(raErr, ArrivalMargin);
    EXPECT_LE(decErr, ArrivalMargin);
    EXPECT_NEAR(WrapHours12(s.RA - targetRA) * 15.0, 0.0, ArrivalMargin + 0.0005);
}

TEST(SlewSystem, SlewAcrossZeroHoursArrivesWithoutHunting) {
    SimSystem w(20.0);
    ASSERT_TRUE(w.started);
    auto& s = w.system.state;
    ASSERT_TRUE(startAt(w, 0.0, 0.3, 40.0));   // RA near 23.7 h, HA +0.3 h
    ASSERT_GT(s.RA, 23.0);
    const double targetRA = 0.003;             // 4.5 degrees east, just across 0 h
    double raErr = 1, worstPast = 0;
    ASSERT_TRUE(slewTo(w, targetRA, 40.0, [&] {
        if (!s.SlewInProgress) return;
        raErr = raErrorDeg(s);
        // How far beyond the target (east of it) the telescope went.
        const double past = WrapHours12(s.RA - targetRA) * 15.0;
        worstPast = std::max(worstPast, past);
    }, 100000));
    EXPECT_LE(raErr, ArrivalMargin);
    EXPECT_LT(worstPast, 0.001);
}

TEST(SlewSystem, HourAngleSlewArrivesWithTheTrackSwitchOn) {
    SimSystem w(20.0);
    ASSERT_TRUE(w.started);
    auto& s = w.system.state;
    ASSERT_TRUE(startAt(w, 6.0, 0.0, 40.0));
    ASSERT_TRUE(w.command(33, {-1.0, 30.0, 0}));
    ASSERT_TRUE(testBits(s.StatusFlags1, status1::SlewEnabled));
    w.commander.issue(12);
    double haErr = 1, decErr = 1;
    ASSERT_TRUE(w.waitFor([&] {
        if (s.SlewInProgress) {
            haErr = std::fabs(WrapHours12(s.HA) + 1.0) * 15.0;
            decErr = std::fabs(s.Dec - 30.0);
        }
        return s.StateCode == 0;
    }, 200000, 5));
    EXPECT_EQ(s.TelescopeMessage.get(), "Turn front panel track switch OFF");
    // The axis tracks away from the target at 15 arcsec/s: one coordinate pass
    // of lag is another 0.0004 degrees.
    EXPECT_LE(haErr, ArrivalMargin + 0.0004);
    EXPECT_LE(decErr, ArrivalMargin);
}

// An hour angle has no equinox: with the Dec given for 2000 and the display
// equinox 2026.5, the slew ends at the hour angle given, not 26.5 years of
// precession in RA (about 0.02 h) away from it.
TEST(SlewSystem, HourAngleSlewOfAnotherEquinoxEndsAtTheHourAngleGiven) {
    SimSystem w(20.0);
    ASSERT_TRUE(w.started);
    auto& s = w.system.state;
    ASSERT_TRUE(w.setDate(2026, 7, 2, 12.0));
    ASSERT_EQ(s.Epoch, 2026.5);
    w.sim.setInput(ports::FrontPanel, TrackSwitchOff);   // as an hour-angle target wants
    ASSERT_TRUE(w.waitFor([&] { return s.ActiveTrackRateRA == 0.0; }, 2000));
    ASSERT_TRUE(w.command(3, {s.LST.load(), 40.0, 0}));   // the meridian at Dec 40
    w.clock.sleepMs(300);

    ASSERT_TRUE(w.command(33, {1.0, 30.0, 2000.0}));
    ASSERT_TRUE(testBits(s.StatusFlags1, status1::SlewEnabled));
    ASSERT_TRUE(w.command(12, {}, 200000));
    w.clock.sleepMs(1000);   // the axes come to rest
    std::vector<double> ha;
    for (int i = 0; i < 5; ++i) {
        w.clock.sleepMs(110);
        ha.push_back(WrapHours12(s.HA));
    }
    std::sort(ha.begin(), ha.end());
    EXPECT_LT(std::fabs(ha[2] - 1.0) * 54000, 2.0) << "arcseconds of hour angle";
}

TEST(SlewSystem, FiducialPositionLoadsItsHourAngle) {
    SimSystem w(20.0);
    ASSERT_TRUE(w.started);
    auto& s = w.system.state;
    ASSERT_TRUE(startAt(w, 6.0, 0.0, 40.0));
    w.commander.issue(30);
    ASSERT_TRUE(w.waitFor([&] { return testBits(s.StatusFlags3, status3::TargetLoaded); }, 2000));
    ASSERT_TRUE(w.waitFor([&] { return s.StateCode == 0; }, 2000));
    EXPECT_NEAR(s.NextHA, -4.83, 1e-3);
    EXPECT_EQ(s.TargetDec, 0.0);
    EXPECT_EQ(s.HATargetMode, 1);
    EXPECT_EQ(s.SlewInProgress, 0);   // loading never starts a slew
}

TEST(SlewSystem, SlewEndsAtTheLimitWarning) {
    SimSystem w(20.0);
    ASSERT_TRUE(w.started);
    auto& s = w.system.state;
    w.system.params.ZenithLimit = 85.0;   // let a target beyond the warning be loaded
    ASSERT_TRUE(startAt(w, 6.0, 0.0, -30.0));   // 70 degrees from the zenith
    ASSERT_TRUE(slewTo(w, s.RA, -42.0, [] {}, 100000));
    EXPECT_EQ(s.LimitWarning, 1);
    EXPECT_GT(s.Dec, -37.0);   // stopped near 75 degrees, well short of -42
    EXPECT_LT(s.Dec, -34.5);
    EXPECT_EQ(s.DecRate, 0);
    EXPECT_FALSE(testBits(s.StatusFlags1, status1::Slewing | status1::SlewEnabled));
}

TEST(SlewSystem, TrailAlong45RunsBackAndForthUntilStopped) {
    SimSystem w(10.0);
    ASSERT_TRUE(w.started);
    auto& s = w.system.state;
    ASSERT_TRUE(startAt(w, 6.0, 0.0, 30.0));
    const double dec0 = s.Dec;
    const double trackRA = s.TrackRateRA, trackDec = s.TrackRateDec;
    ASSERT_TRUE(w.command(17, {10.0, 60.0, 45.0}));
    w.commander.issue(11);
    ASSERT_TRUE(w.waitFor([&] { return testBits(s.StatusFlags2, status2::Trailing); }, 1000, 1));

    // Count the turns at the two ends: 42.4 arcsec in Dec at 7.07 arcsec/s.
    int turns = 0;
    bool north = true;
    double maxDec = dec0, minDec = dec0;
    auto watch = [&] {
        const double d = (s.Dec - dec0) * 3600.0;
        maxDec = std::max(maxDec, s.Dec.load());
        minDec = std::min(minDec, s.Dec.load());
        if (north && d > 40.0) {
            north = false;
            ++turns;
        } else if (!north && d < 2.5) {
            north = true;
            ++turns;
        }
    };
    w.waitFor([&] { watch(); return turns >= 3; }, 60000, 5);
    EXPECT_GE(turns, 3);
    EXPECT_NEAR((maxDec - dec0) * 3600.0, 42.4, 3.0);
    EXPECT_NEAR((dec0 - minDec) * 3600.0, 0.0, 3.0);

    // Guiding north on the paddle moves the tracking rate, not the trail.
    w.sim.setInput(ports::PaddleInput, static_cast<uint8_t>(~ports::PaddleNorth));
    EXPECT_TRUE(w.waitFor([&] { return s.TrackRateDec == trackDec + s.GuideRate; }, 1000, 1));
    w.sim.setInput(ports::PaddleInput, SimulatedInterface::DefaultPaddle);
    EXPECT_TRUE(w.waitFor([&] { return s.TrackRateDec == trackDec; }, 1000, 1));

    w.commander.stop();
    ASSERT_TRUE(w.waitFor([&] { return s.StateCode == 0 && !testBits(s.StatusFlags2, status2::Trailing); }, 2000));
    EXPECT_EQ(s.TrackRateRA, trackRA);
    EXPECT_EQ(s.TrackRateDec, trackDec);
    EXPECT_EQ(s.HARate, 0);
    EXPECT_EQ(s.DecRate, 0);
    EXPECT_EQ(s.StopRequest, 0);
}

TEST(SlewSystem, TrailAlong180MovesInDec) {
    SimSystem w(10.0);
    ASSERT_TRUE(w.started);
    auto& s = w.system.state;
    ASSERT_TRUE(startAt(w, 6.0, 0.0, 30.0));
    const double dec0 = s.Dec, ra0 = s.RA;
    ASSERT_TRUE(w.command(17, {10.0, 30.0, 180.0}));
    w.commander.issue(11);
    double minDec = dec0, raSpread = 0;
    w.waitFor([&] {
        minDec = std::min(minDec, s.Dec.load());
        raSpread = std::max(raSpread, std::fabs(WrapHours12(s.RA - ra0)) * 54000.0);
        return false;
    }, 8000, 5);
    w.commander.stop();
    ASSERT_TRUE(w.waitFor([&] { return s.StateCode == 0; }, 2000));
    EXPECT_NEAR((dec0 - minDec) * 3600.0, 30.0, 3.0);
    EXPECT_LT(raSpread, 3.0);
}

}  // namespace
}  // namespace orv
