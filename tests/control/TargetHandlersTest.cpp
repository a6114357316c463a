#include "control/TargetHandlers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "astro/AstroLib.h"
#include "config/MarkTable.h"
#include "control/SlewHelpers.h"
#include "control/System.h"
#include "core/Ports.h"

namespace orv {
namespace {

// A clock whose every sleep moves a perfect mount by the rates in force: no
// ramps. The sidereal time stands still unless `skyTurns` is set; then it runs
// at the sky's rate and the hour-angle axis follows it by ActiveTrackRateRA
// while the tracking switch is on, as the axis task would drive it. The
// handlers run single-threaded against it, so every slew is exactly repeatable.
// `onSleep` runs after each sleep with the number of sleeps so far, for a test
// to act in the middle of a loop.
class MountClock final : public Clock {
public:
    int64_t nowMs() const override { return now_; }
    int64_t utcMs() const override { return now_; }
    bool sleepMs(int64_t ms, const std::atomic<bool>* abort) override {
        if (abort && abort->load()) return false;
        if (mount) move(static_cast<double>(ms) / 1000.0);
        now_ += ms;
        sleeps.push_back(ms);
        if (onSleep) onSleep(static_cast<int>(sleeps.size()));
        return true;
    }
    void wakeAll() override {}

    TelescopeState* mount = nullptr;
    bool skyTurns = false;
    std::function<void(int)> onSleep;
    std::vector<int64_t> sleeps;

private:
    void move(double seconds) {
        TelescopeState& s = *mount;
        double westRate = (s.HAMoveWest ? 1 : -1) * s.HARate;   // arcsec/s
        if (skyTurns) {
            s.LST = WrapHours24(s.LST + 15.041 * seconds / 54000.0);
            if (testBits(s.StatusFlags1, status1::TrackingSwitch)) westRate += s.ActiveTrackRateRA;
        }
        const double ha = WrapHours12(s.HA + westRate * seconds / 54000.0);
        s.HA = ha;
        s.RA = WrapHours24(s.LST - ha);
        s.Dec = s.Dec + (s.DecMoveNorth ? 1 : -1) * s.DecRate * seconds / 3600.0;
    }
    int64_t now_ = 0;
};

class TargetHandlersTest : public ::testing::Test {
protected:
    TargetHandlersTest()
        : sys(clock, bus, SystemOptions{".", false},
              SystemHooks{[this] { beeps.push_back(clock.nowMs()); }, {}}) {
        sys.InitSharedState();
        bus.setInput(ports::PaddleInput, 0xFF);   // paddle released
        bus.clearLog();
        auto& s = sys.state;
        setBits(s.StatusFlags1, status1::Initialized | status1::TrackingSwitch);
        s.Epoch = 2024.5;
        s.Year = 2024.3;
        s.LST = 6.0;
        pointAt(6.0, 40.0);   // the zenith at latitude 40
    }

    void pointAt(double ra, double dec) {
        sys.state.RA = ra;
        sys.state.HA = HourAngleOf(ra, sys.state.LST);
        sys.state.Dec = dec;
    }
    void params(std::vector<double> p) {
        for (size_t i = 0; i < p.size(); ++i) sys.state.CommandParam[i + 1] = p[i];
    }
    void load(double ra, double dec, double equinox = 0) {
        params({ra, dec, equinox});
        sys.state.StateCode = 6;
        LoadTarget(sys);
    }
    bool flag1(uint32_t bit) const { return testBits(sys.state.StatusFlags1, bit); }
    bool flag2(uint32_t bit) const { return testBits(sys.state.StatusFlags2, bit); }
    bool flag3(uint32_t bit) const { return testBits(sys.state.StatusFlags3, bit); }
    void slew() {
        clock.mount = &sys.state;
        sys.state.StateCode = 12;
        StartSlew(sys);
    }
    double raErrorDeg() const {
        return std::fabs(WrapHours12(sys.state.RA - sys.state.TargetRA)) * 15.0;
    }

    MountClock clock;
    RecordingBus bus;
    std::vector<int64_t> beeps;
    System sys;
};

// --- Loading targets -------------------------------------------------------

TEST_F(TargetHandlersTest, Code6AtTheDisplayEquinoxCopiesTheCoordinates) {
    for (double equinox : {2024.5, 0.0}) {
        load(5.25, 30.5, equinox);
        EXPECT_EQ(sys.state.TargetRA, 5.25);
        EXPECT_EQ(sys.state.TargetDec, 30.5);
        EXPECT_EQ(sys.state.NextEpoch, 2024.5);
        EXPECT_NEAR(sys.state.NextHA, 0.75, 1e-12);
        EXPECT_TRUE(flag1(status1::SlewEnabled));
        EXPECT_TRUE(flag3(status3::TargetLoaded));
        EXPECT_FALSE(flag1(status1::CommandBusy));
        EXPECT_FALSE(flag2(status2::TargetOutOfRange));
        EXPECT_EQ(sys.state.StateCode, 0);
    }
}

TEST_F(TargetHandlersTest, Code6RejectsCoordinatesOutsideTheSky) {
    load(5.0, 30.0);
    for (auto [ra, dec] : {std::pair{24.0, 30.0}, {-0.001, 30.0}, {5.0, 90.0}, {5.0, -90.0},
                           {std::numeric_limits<double>::quiet_NaN(), 30.0},
                           {5.0, std::numeric_limits<double>::infinity()}}) {
        load(ra, dec);
        EXPECT_EQ(sys.state.TargetRA, 5.0) << ra << " " << dec;
        EXPECT_EQ(sys.state.TargetDec, 30.0);
        EXPECT_FALSE(flag1(status1::CommandBusy));
        EXPECT_EQ(sys.state.StateCode, 0);
    }
    // The rejected values are what the next object shows.
    load(24.0, 30.0);
    EXPECT_EQ(sys.state.NextRA, 24.0);
    load(23.999, 30.0);
    EXPECT_EQ(sys.state.TargetRA, 23.999);
}

TEST_F(TargetHandlersTest, Code6BeyondTheZenithLimitStopsAndRefusesTheSlew) {
    load(5.0, 30.0);
    ASSERT_TRUE(flag1(status1::SlewEnabled));
    sys.state.HARate = 500;
    sys.state.DecRate = 400;
    load(6.0, -40.0);   // on the meridian, 80 degrees from the zenith
    EXPECT_TRUE(flag2(status2::TargetOutOfRange));
    EXPECT_EQ(sys.state.StopRequest, 1);
    EXPECT_FALSE(flag1(status1::SlewEnabled));
    EXPECT_TRUE(flag3(status3::TargetLoaded));
    EXPECT_EQ(sys.state.HARate, 0);
    EXPECT_EQ(sys.state.DecRate, 0);
    // A reachable target clears the flag again.
    load(6.0, -30.0);   // 70 degrees
    EXPECT_FALSE(flag2(status2::TargetOutOfRange));
    EXPECT_TRUE(flag1(status1::SlewEnabled));
}

TEST_F(TargetHandlersTest, Code6PrecessesOtherEquinoxesAndKeepsTheEnteredPlace) {
    load(5.0, 30.0, 2000.0);
    const astro::Pair p = astro::Precession(5.0, 30.0, 2000.0, 2024.5);
    EXPECT_EQ(sys.state.NextRA, 5.0);
    EXPECT_EQ(sys.state.NextDec, 30.0);
    EXPECT_EQ(sys.state.NextEpoch, 2000.0);
    EXPECT_DOUBLE_EQ(sys.state.TargetRA, 5.0 + p.ra);
    EXPECT_DOUBLE_EQ(sys.state.TargetDec, 30.0 + p.dec);
    EXPECT_GT(std::fabs(p.ra), 0.01);   // a quarter century moves it visibly
    // Precession carrying the RA past 24 h wraps it.
    load(23.9999, 10.0, 2000.0);
    EXPECT_GE(sys.state.TargetRA, 0.0);
    EXPECT_LT(sys.state.TargetRA, 0.1);
}

TEST_F(TargetHandlersTest, Code6OfDateStoresTheYearAsEquinox) {
    sys.params.RefractionScale = 0;   // no refraction, no model: no corrections
    load(5.0, 30.0, -1);
    EXPECT_EQ(sys.state.NextEpoch, 2024.3);
    EXPECT_NEAR(sys.state.TargetRA, sys.state.NextRA, 1e-12);
    EXPECT_NEAR(sys.state.TargetDec, sys.state.NextDec, 1e-12);
    EXPECT_NEAR(sys.state.NextRA, 5.0, 0.01);   // a fifth of a year of precession and the rest
    EXPECT_TRUE(flag1(status1::SlewEnabled));
}

TEST_F(TargetHandlersTest, LoadsDoNothingBeforeThePositionIsInitialised) {
    clearBits(sys.state.StatusFlags1, status1::Initialized);
    sys.state.TargetRA = 1.0;
    load(5.0, 30.0);
    params({5.0, 5.0});
    LoadOffsetTarget(sys);
    params({501});
    LoadLibraryObject(sys);
    LoadZenith(sys);
    EXPECT_EQ(sys.state.TargetRA, 1.0);
    EXPECT_FALSE(flag1(status1::SlewEnabled));
    EXPECT_FALSE(flag1(status1::CommandBusy));
    EXPECT_EQ(sys.state.HATargetMode, 0);
}

TEST_F(TargetHandlersTest, Code7OffsetsFromTheDisplayedPosition) {
    pointAt(5.5, 20.0);
    params({0, 0});
    LoadOffsetTarget(sys);
    EXPECT_EQ(sys.state.TargetRA, 5.5);
    EXPECT_EQ(sys.state.TargetDec, 20.0);
    EXPECT_EQ(sys.state.NextEpoch, 2024.5);
    EXPECT_TRUE(flag1(status1::SlewEnabled));
    EXPECT_EQ(sys.state.StateCode, 0);

    // 60 arcsec east and 36 arcsec north at Dec 60: the RA offset grows by
    // 1 / cos of the mean declination.
    pointAt(5.5, 60.0);
    params({60, 36});
    LoadOffsetTarget(sys);
    EXPECT_NEAR(sys.state.TargetRA, 5.5 + 60.0 / 54000.0 / std::cos(60.005 * M_PI / 180), 1e-12);
    EXPECT_NEAR(sys.state.TargetDec, 60.01, 1e-12);
}

TEST_F(TargetHandlersTest, Code7AcrossZeroHoursWraps) {
    sys.state.LST = 0.0;
    pointAt(23.9999, 10.0);
    params({30, 0});   // 2 s of time east: past 24 h
    LoadOffsetTarget(sys);
    EXPECT_NEAR(sys.state.TargetRA, 23.9999 + 30.0 / 54000.0 / std::cos(10 * M_PI / 180) - 24.0, 1e-9);
    EXPECT_TRUE(flag1(status1::SlewEnabled));
}

TEST_F(TargetHandlersTest, Code7OutOfRangeLeavesNoEarlierTargetEnabled) {
    load(6.0, 30.0);
    ASSERT_TRUE(flag1(status1::SlewEnabled));
    sys.state.DecRate = 100;
    pointAt(6.0, -34.0);   // 74 degrees from the zenith
    params({0, -3600});    // one degree further south
    LoadOffsetTarget(sys);
    EXPECT_TRUE(flag2(status2::TargetOutOfRange));
    EXPECT_FALSE(flag1(status1::SlewEnabled));
    EXPECT_EQ(sys.state.StopRequest, 0);   // motion is not stopped by an offset
    EXPECT_EQ(sys.state.DecRate, 100);

    // Past the pole: not loaded, the target keeps its place.
    pointAt(6.0, 89.9);
    const double before = sys.state.TargetDec;
    params({0, 720});
    LoadOffsetTarget(sys);
    EXPECT_EQ(sys.state.TargetDec, before);
}

TEST_F(TargetHandlersTest, Code8LoadsLibraryObjectsOfEquinox2000) {
    params({501, 0, 0});
    LoadLibraryObject(sys);
    EXPECT_EQ(sys.state.NextRA, 6.7525);
    EXPECT_EQ(sys.state.NextDec, -16.7161);
    EXPECT_EQ(sys.state.NextEpoch, 2000.0);
    const astro::Pair p = astro::Precession(6.7525, -16.7161, 2000.0, 2024.5);
    EXPECT_DOUBLE_EQ(sys.state.TargetRA, 6.7525 + p.ra);
    EXPECT_DOUBLE_EQ(sys.state.TargetDec, -16.7161 + p.dec);
    EXPECT_TRUE(flag1(status1::SlewEnabled));
    params({500.6});   // rounds to 501
    LoadLibraryObject(sys);
    EXPECT_EQ(sys.state.NextRA, 6.7525);
}

TEST_F(TargetHandlersTest, Code8AndCode9WithoutARecordChangeNothing) {
    load(5.0, 30.0);
    const double ra = sys.state.NextRA, target = sys.state.TargetRA;
    const uint32_t f1 = sys.state.StatusFlags1, f2 = sys.state.StatusFlags2, f3 = sys.state.StatusFlags3;
    for (double n : {0.0, 110.0, 200.0, 306.0, 529.0, 824.0, -501.0, 1e30,
                     std::numeric_limits<double>::quiet_NaN()}) {
        params({n});
        sys.state.StateCode = 8;
        LoadLibraryObject(sys);
        EXPECT_EQ(sys.state.StateCode, 0);
    }
    for (double n : {-1.0, 500.0, 499.6, 1e12, std::numeric_limits<double>::infinity()}) {
        params({n});
        sys.state.StateCode = 9;
        LoadMark(sys);
        EXPECT_EQ(sys.state.StateCode, 0);
    }
    EXPECT_EQ(sys.state.NextRA, ra);
    EXPECT_EQ(sys.state.TargetRA, target);
    EXPECT_EQ(sys.state.StatusFlags1, f1);
    EXPECT_EQ(sys.state.StatusFlags2, f2);
    EXPECT_EQ(sys.state.StatusFlags3, f3);
}

TEST_F(TargetHandlersTest, Code9LoadsAMarkEntry) {
    sys.marks->setEntry(499, TMarkEntry{"edge", 7.25, 35.0, 0});
    params({498.7});
    LoadMark(sys);
    EXPECT_EQ(sys.state.TargetRA, 7.25);
    EXPECT_EQ(sys.state.TargetDec, 35.0);
    EXPECT_EQ(sys.state.NextEpoch, 2024.5);   // no equinox given: the display equinox
    EXPECT_TRUE(flag1(status1::SlewEnabled));
}

TEST_F(TargetHandlersTest, Code10And33LoadTargetsAtAnHourAngle) {
    LoadZenith(sys);
    EXPECT_EQ(sys.state.TargetRA, 6.0);
    EXPECT_EQ(sys.state.TargetDec, 40.0);
    EXPECT_EQ(sys.state.NextHA, 0.0);
    EXPECT_EQ(sys.state.HATargetMode, 1);
    EXPECT_TRUE(flag1(status1::SlewEnabled));

    params({-4.83, 0, 0});
    SlewToHourAngle(sys);
    EXPECT_NEAR(sys.state.TargetRA, 10.83, 1e-12);
    EXPECT_NEAR(sys.state.NextHA, -4.83, 1e-12);
    EXPECT_EQ(sys.state.CommandParam[4], -4.83);
    EXPECT_EQ(sys.state.HATargetMode, 1);
    EXPECT_EQ(sys.state.StateCode, 0);

    // A target by coordinates loaded afterwards is no hour-angle target.
    load(5.0, 30.0);
    EXPECT_EQ(sys.state.HATargetMode, 0);

    // An hour angle has no equinox: with the Dec given for 2000 the target keeps
    // the hour angle given, and only its Dec is precessed to the display equinox
    // (about 20" a year times cos RA: RA 4.5 h, 24.5 years).
    params({1.5, 30.0, 2000.0});
    SlewToHourAngle(sys);
    EXPECT_NEAR(sys.state.NextHA, 1.5, 1e-12);
    EXPECT_NEAR(sys.state.TargetRA, 4.5, 1e-12);
    EXPECT_NEAR((sys.state.TargetDec - 30.0) * 3600, 20.04 * std::cos(67.5 * 0.017453292519943295769) * 24.5, 3.0);
}

TEST_F(TargetHandlersTest, ATargetThatIsNotANumberIsNeverEnabled) {
    auto& s = sys.state;
    EXPECT_TRUE(CheckTargetRange(sys, std::nan(""), 0.0));
    EXPECT_TRUE(flag2(status2::TargetOutOfRange));

    // A display equinox no precession can reach gives a place that is no number.
    s.Epoch = 1e300;
    load(5.0, 30.0, 2000.0);
    EXPECT_FALSE(flag1(status1::SlewEnabled));
    s.Epoch = 2024.5;
    for (const auto& p : std::vector<std::vector<double>>{{std::nan(""), 30, 0}, {5, std::nan(""), 0},
                                                           {5, 30, std::nan("")}, {5, 30, 1e300}}) {
        params(p);
        LoadTarget(sys);
        EXPECT_FALSE(flag1(status1::SlewEnabled)) << ::testing::PrintToString(p);
    }
    params({std::nan(""), 0});
    LoadOffsetTarget(sys);
    EXPECT_FALSE(flag1(status1::SlewEnabled));
}

TEST_F(TargetHandlersTest, NoSlewOrTrailStartsWhileTheInterlockIsOpen) {
    auto& s = sys.state;
    load(5.0, 30.0);
    ASSERT_TRUE(flag1(status1::SlewEnabled));
    s.InterlockOpen = 1;
    s.StopRequest = 1;
    s.TrailRate = 10;
    s.TrailLength = 60;
    clock.onSleep = [&](int n) { if (n > 100) s.StopRequest = 1; };   // ends a wrongly started trail
    for (int code : {12, 11}) {
        s.StateCode = code;
        code == 12 ? slew() : StartTrail(sys);
        EXPECT_EQ(s.StateCode, 0);
        EXPECT_EQ(s.StopRequest, 1) << code << ": the interlock's stop stays";
        EXPECT_TRUE(clock.sleeps.empty()) << code;
        EXPECT_TRUE(bus.writes().empty()) << code;
        EXPECT_EQ(s.SlewInProgress, 0);
        EXPECT_FALSE(flag2(status2::Trailing));
        EXPECT_EQ(s.HARate, 0);
        EXPECT_EQ(s.DecRate, 0);
    }
}

// --- Slewing ---------------------------------------------------------------

TEST_F(TargetHandlersTest, Code12WithoutATargetOnlyPulsesTheSlewSignal) {
    bus.write(ports::SlewShutter, 0x89);
    bus.clearLog();
    sys.state.TargetRA = 3.0;
    sys.state.HARate = 7;
    const uint32_t f1 = sys.state.StatusFlags1, f2 = sys.state.StatusFlags2, f3 = sys.state.StatusFlags3;
    slew();
    EXPECT_EQ(bus.writes(), (std::vector<RecordingBus::Access>{
                                {RecordingBus::Access::Write, ports::SlewShutter, 0x88},
                                {RecordingBus::Access::Write, ports::SlewShutter, 0x89},
                                {RecordingBus::Access::Write, ports::SlewShutter, 0x88},
                                {RecordingBus::Access::Write, ports::SlewShutter, 0x89}}));
    EXPECT_EQ(clock.sleeps, (std::vector<int64_t>{500, 500}));
    EXPECT_EQ(sys.state.StatusFlags1, f1);
    EXPECT_EQ(sys.state.StatusFlags2, f2);
    EXPECT_EQ(sys.state.StatusFlags3, f3);
    EXPECT_EQ(sys.state.TargetRA, 3.0);
    EXPECT_EQ(sys.state.HARate, 7);
    EXPECT_TRUE(beeps.empty());
    EXPECT_EQ(sys.state.StateCode, 0);
}

TEST_F(TargetHandlersTest, OneDegreeDecSlewStepsDownTheSpeedTable) {
    pointAt(6.0, 20.0);
    load(6.0, 21.0);
    struct Step {
        double rate, distance;
    };
    std::vector<Step> steps;
    clock.onSleep = [&](int) {
        const double rate = sys.state.DecRate;
        if (sys.state.SlewInProgress && (steps.empty() || steps.back().rate != rate))
            steps.push_back({rate, std::fabs(sys.state.TargetDec - sys.state.Dec)});
    };
    slew();

    std::vector<double> rates;
    for (const Step& s : steps) rates.push_back(s.rate);
    EXPECT_EQ(rates, (std::vector<double>{997.2, 360, 120, 12, 3, 0}));
    // Each step came as the distance fell under its bound (seen one loop later).
    const double bounds[] = {2.0, 0.1, 0.04, 0.005, 0.0018, 0.0004};
    for (size_t i = 0; i < steps.size() && i < 6; ++i)
        EXPECT_LE(steps[i].distance, bounds[i] + 1e-9) << "step " << i;
    EXPECT_LE(std::fabs(sys.state.Dec - 21.0), SlewArrivalTolerance);
    EXPECT_LE(raErrorDeg(), SlewArrivalTolerance);
    EXPECT_EQ(sys.state.HAMoveWest, 0);   // the RA axis was never asked to move
    // Clean end: flags, rates, one beep.
    EXPECT_EQ(sys.state.SlewInProgress, 0);
    EXPECT_FALSE(flag1(status1::Slewing));
    EXPECT_FALSE(flag1(status1::SlewEnabled));
    EXPECT_FALSE(flag3(status3::TargetLoaded));
    EXPECT_EQ(sys.state.DecRate, 0);
    EXPECT_EQ(sys.state.HARate, 0);
    EXPECT_EQ(beeps.size(), 1u);
    EXPECT_EQ(clock.sleeps.front(), 500);
    EXPECT_EQ(clock.sleeps.back(), 500);
    EXPECT_EQ(sys.state.StateCode, 0);
}

TEST_F(TargetHandlersTest, SlewsInBothAxesTowardsTheTarget) {
    pointAt(7.0, 35.0);
    load(6.5, 38.0);   // 7.5 degrees west and 3 north
    std::vector<int> west, north;
    clock.onSleep = [&](int) {
        if (sys.state.HARate > 0) west.push_back(sys.state.HAMoveWest);
        if (sys.state.DecRate > 0) north.push_back(sys.state.DecMoveNorth);
    };
    slew();
    EXPECT_LE(raErrorDeg(), SlewArrivalTolerance);
    EXPECT_LE(std::fabs(sys.state.Dec - 38.0), SlewArrivalTolerance);
    EXPECT_FALSE(west.empty());
    EXPECT_EQ(std::count(west.begin(), west.end(), 0), 0);
    EXPECT_EQ(std::count(north.begin(), north.end(), 0), 0);
}

TEST_F(TargetHandlersTest, SlewAcrossZeroHoursMeasuresTheTrueDistance) {
    sys.state.LST = 0.0;
    pointAt(23.999, 40.0);
    load(0.001, 40.0);   // 0.03 degrees east, across 0 h
    std::vector<double> haRates;
    clock.onSleep = [&](int) {
        if (sys.state.SlewInProgress && sys.state.HARate > 0) haRates.push_back(sys.state.HARate);
    };
    slew();
    ASSERT_FALSE(haRates.empty());
    EXPECT_EQ(haRates.front(), 120.0);   // not the full speed of a 360-degree slew
    EXPECT_LE(raErrorDeg(), SlewArrivalTolerance);
    EXPECT_LT(clock.nowMs(), 10000);
}

TEST_F(TargetHandlersTest, TrackingSwitchAdviceBeepsThriceThenSlewsAnyway) {
    pointAt(6.5, 38.0);
    LoadZenith(sys);   // hour-angle target, switch on
    std::vector<std::string> messageAtBeep;
    sys.hooks.beep = [&] {
        beeps.push_back(clock.nowMs());
        messageAtBeep.push_back(sys.state.TelescopeMessage.get());
    };
    slew();
    ASSERT_EQ(beeps.size(), 4u);   // three of advice, one of arrival
    EXPECT_EQ(beeps[1] - beeps[0], 1000);
    EXPECT_EQ(beeps[2] - beeps[1], 1000);
    EXPECT_EQ(messageAtBeep[2], "");
    EXPECT_EQ(messageAtBeep[3], "Turn front panel track switch OFF");
    EXPECT_LE(std::fabs(sys.state.Dec - 40.0), SlewArrivalTolerance);
    EXPECT_LE(raErrorDeg(), SlewArrivalTolerance);
    EXPECT_EQ(sys.state.HATargetMode, 0);
}

TEST_F(TargetHandlersTest, TrackingSwitchAdviceForOrdinaryTargets) {
    clock.skyTurns = true;
    clearBits(sys.state.StatusFlags1, status1::TrackingSwitch);
    load(6.0, 39.0);
    slew();
    EXPECT_EQ(beeps.size(), 4u);
    EXPECT_EQ(sys.state.TelescopeMessage.get(), "Turn front panel track switch ON");

    // The right switch position: no advice, only the arrival beep.
    beeps.clear();
    sys.state.TelescopeMessage.set("");
    setBits(sys.state.StatusFlags1, status1::TrackingSwitch);
    sys.state.ActiveTrackRateRA = 15.041;
    load(sys.state.RA, 40.0);
    slew();
    EXPECT_EQ(beeps.size(), 1u);
    EXPECT_EQ(sys.state.TelescopeMessage.get(), "");
}

TEST_F(TargetHandlersTest, HourAngleSlewHoldsItsHourAngleAsTheSkyTurns) {
    clock.skyTurns = true;
    clearBits(sys.state.StatusFlags1, status1::TrackingSwitch);   // as advised
    pointAt(6.0, 40.0);
    params({-1.0, 40.0, 0});
    SlewToHourAngle(sys);
    // A commander's packet after the load may zero the parameters; the hour
    // angle kept with the target is what counts.
    params({0, 0, 0, 0});
    slew();
    EXPECT_NEAR(sys.state.HA * 15.0, -15.0, SlewArrivalTolerance);
    EXPECT_EQ(beeps.size(), 1u);
}

// With the tracking switch the wrong way the target drifts against the axis
// faster than the last approach speeds; the slew still has to arrive. Each
// case approaches from the side where the drift carries the axis away.
TEST_F(TargetHandlersTest, WrongTrackingSwitchSlewsStillArrive) {
    clock.skyTurns = true;
    sys.state.ActiveTrackRateRA = 15.041;
    int n = 0;
    double haAtEnd = 0, raErrorAtEnd = 0;   // as the loop saw them when it ended
    clock.onSleep = [&](int) {
        if (++n > 200000) sys.state.StopRequest = 1;   // would hover for ever
        if (sys.state.SlewInProgress) {
            haAtEnd = sys.state.HA;
            raErrorAtEnd = raErrorDeg();
        }
    };
    // Hour-angle target, switch on: the axis tracks west, away from a target
    // east of it.
    pointAt(WrapHours24(6.0 - 0.2), 40.0);   // HA +0.2
    LoadZenith(sys);
    slew();
    EXPECT_LT(n, 200000);
    EXPECT_NEAR(haAtEnd * 15.0, 0.0, SlewArrivalTolerance + 1e-4);

    // Coordinate target, switch off: the sky carries the target west, away
    // from an axis west of it.
    n = 0;
    clearBits(sys.state.StatusFlags1, status1::TrackingSwitch);
    sys.state.ActiveTrackRateRA = 0;
    const double lst = sys.state.LST;
    pointAt(WrapHours24(lst - 0.3), 40.0);   // HA +0.3
    load(WrapHours24(lst - 0.1), 40.0);      // HA +0.1 now, drifting west
    slew();
    EXPECT_LT(n, 200000);
    EXPECT_LE(raErrorAtEnd, SlewArrivalTolerance + 1e-4);
}

TEST_F(TargetHandlersTest, StopCodeWithoutStopRequestWaitsForTheSlew) {
    pointAt(6.0, 39.0);
    load(6.0, 40.0);
    clock.onSleep = [&](int k) {
        if (k == 40) sys.state.StateCode = 13;
    };
    slew();
    EXPECT_LE(std::fabs(sys.state.Dec - 40.0), SlewArrivalTolerance);   // arrived
    EXPECT_EQ(sys.state.StateCode, 0);
}

TEST_F(TargetHandlersTest, StopRequestEndsTheSlewWithinOneLoop) {
    pointAt(6.0, 30.0);
    load(6.0, 40.0);
    size_t stoppedAt = 0;
    clock.onSleep = [&](int k) {
        if (k == 40) {
            sys.state.StopRequest = 1;
            stoppedAt = clock.sleeps.size();
        }
    };
    slew();
    ASSERT_GT(stoppedAt, 0u);
    // After the request only the closing slew-signal pulse sleeps.
    EXPECT_EQ(std::vector<int64_t>(clock.sleeps.begin() + static_cast<long>(stoppedAt), clock.sleeps.end()),
              (std::vector<int64_t>{500}));
    EXPECT_GT(std::fabs(sys.state.Dec - 40.0), 1.0);
    EXPECT_EQ(sys.state.StopRequest, 0);
    EXPECT_EQ(sys.state.DecRate, 0);
    EXPECT_FALSE(flag1(status1::SlewEnabled));
    EXPECT_FALSE(flag1(status1::Slewing));
}

TEST_F(TargetHandlersTest, LimitWarningEndsTheSlew) {
    pointAt(6.0, 30.0);
    load(6.0, 40.0);
    sys.state.LimitWarning = 1;
    slew();
    EXPECT_EQ(clock.sleeps, (std::vector<int64_t>{500, 5, 500}));   // one loop pass
    EXPECT_EQ(sys.state.SlewInProgress, 0);
    EXPECT_EQ(sys.state.DecRate, 0);
    EXPECT_FALSE(flag1(status1::SlewEnabled));
}

// --- Trailing --------------------------------------------------------------

class TrailTest : public TargetHandlersTest {
protected:
    struct Sample {
        double ra, dec;
    };
    // Runs a trail until `legs` legs have been completed, sampling the position.
    void trail(double rate, double length, double angle, int legs) {
        auto& s = sys.state;
        s.TrailRate = rate;
        s.TrailLength = length;
        s.TrailAngle = angle;
        clock.mount = &s;
        int legsStarted = 0;
        Sample target{std::numeric_limits<double>::quiet_NaN(), 0};
        clock.onSleep = [&, legs](int) {
            samples.push_back({s.RA, s.Dec});
            if (s.TargetRA != target.ra || s.TargetDec != target.dec) {
                ++legsStarted;
                target = {s.TargetRA, s.TargetDec};
            }
            if (legsStarted > legs || clock.nowMs() > 600000) s.StopRequest = 1;
        };
        s.StateCode = 11;
        StartTrail(sys);
    }
    std::vector<Sample> samples;
};

TEST_F(TrailTest, RunsBackAndForthAlongPositionAngle45) {
    pointAt(6.0, 30.0);
    sys.state.TrackRateRA = 15.041;
    sys.state.TrackRateDec = 0.5;
    sys.state.StopRequest = 1;   // left over from an earlier stop
    trail(10.0, 60.0, 45.0, 4);
    double minDec = 1e9, maxDec = -1e9, minRA = 1e9, maxRA = -1e9;
    for (const Sample& p : samples) {
        minDec = std::min(minDec, p.dec);
        maxDec = std::max(maxDec, p.dec);
        minRA = std::min(minRA, p.ra);
        maxRA = std::max(maxRA, p.ra);
    }
    const double side = 60.0 * std::sqrt(0.5);   // arcsec on each axis
    EXPECT_NEAR((maxDec - 30.0) * 3600.0, side, 0.5);
    EXPECT_NEAR((30.0 - minDec) * 3600.0, 0.0, 0.5);
    // Position angle 45 leads north-east: towards larger RA.
    EXPECT_NEAR((maxRA - 6.0) * 54000.0, side, 0.5);
    EXPECT_NEAR((6.0 - minRA) * 54000.0, 0.0, 0.5);
    // Back at the start after an even number of legs.
    EXPECT_NEAR((samples.back().dec - 30.0) * 3600.0, 0.0, 0.5);
    // Stopped cleanly, tracking rates as before.
    EXPECT_EQ(sys.state.TrackRateRA, 15.041);
    EXPECT_EQ(sys.state.TrackRateDec, 0.5);
    EXPECT_FALSE(flag2(status2::Trailing));
    EXPECT_EQ(sys.state.StopRequest, 0);
    EXPECT_EQ(sys.state.HARate, 0);
    EXPECT_EQ(sys.state.DecRate, 0);
    EXPECT_EQ(sys.state.StateCode, 0);
}

TEST_F(TrailTest, PositionAngle180MovesSouth) {
    pointAt(6.0, 30.0);
    trail(10.0, 36.0, 180.0, 2);
    double minDec = 1e9;
    for (const Sample& p : samples) minDec = std::min(minDec, p.dec);
    EXPECT_NEAR((30.0 - minDec) * 3600.0, 36.0, 0.5);
    EXPECT_NEAR(sys.state.RA, 6.0, 1e-9);
}

TEST_F(TrailTest, PositionAngle270MovesWest) {
    pointAt(6.0, 30.0);
    trail(10.0, 36.0, 270.0, 2);
    double minRA = 1e9;
    for (const Sample& p : samples) minRA = std::min(minRA, p.ra);
    // East is towards larger RA; position angle 270 points west, to smaller RA.
    EXPECT_NEAR((6.0 - minRA) * 54000.0, 36.0, 0.5);
}

TEST_F(TrailTest, PaddleGuidesOnTheTrackingRatesDuringATrail) {
    pointAt(6.0, 30.0);
    sys.state.TrackRateRA = 15.0;
    sys.state.TrackRateDec = 0.0;
    sys.state.GuideRate = 5.0;
    bus.setInput(ports::PaddleInput, static_cast<uint8_t>(~(ports::PaddleWest | ports::PaddleNorth)));
    std::vector<std::pair<double, double>> seen;
    sys.state.TrailRate = 10;
    sys.state.TrailLength = 20;
    sys.state.TrailAngle = 0;
    clock.mount = &sys.state;
    clock.onSleep = [&](int k) {
        seen.emplace_back(sys.state.TrackRateRA, sys.state.TrackRateDec);
        // The input monitor turns the same press into a direction flag.
        if (k == 3) sys.state.DecMoveNorth = 0;
        if (k == 200) sys.state.StopRequest = 1;
    };
    StartTrail(sys);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), (std::pair{20.0, 5.0}));
    EXPECT_EQ(sys.state.TrackRateRA, 15.0);
    EXPECT_EQ(sys.state.TrackRateDec, 0.0);
    // The trail kept its line despite the flag written behind its back.
    EXPECT_LE(std::fabs(sys.state.Dec - 30.0) * 3600.0, 21.0);
}

}  // namespace
}  // namespace orv
