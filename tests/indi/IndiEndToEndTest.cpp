// Orv driven the way INDI clients drive it: through indiserver and indi_orv,
// with Debian's indi_setprop and indi_getprop, against a real orv on the
// simulated telescope. What the client sees is checked against an ERFA
// computation, against Orv's own view and against the simulator's truth.

#include <gtest/gtest.h>

#include <erfa.h>
#include <erfam.h>

#include <cmath>
#include <memory>

#include "indi/IndiRig.h"

namespace orv::indi::testing {
namespace {

bool IndiInstalled() {
    return ::access(INDISERVER_BINARY, X_OK) == 0 && ::access(INDI_GETPROP_BINARY, X_OK) == 0 &&
           ::access(INDI_SETPROP_BINARY, X_OK) == 0;
}

// Separation of two places (RA hours, Dec degrees), arcseconds.
double Arcsec(double ra1, double dec1, double ra2, double dec2) {
    return eraSeps(ra1 * ERFA_D2PI / 24, dec1 * ERFA_DD2R, ra2 * ERFA_D2PI / 24, dec2 * ERFA_DD2R) / ERFA_DAS2R;
}

// The place of date (true equator and equinox, aberration included) of an
// ICRS place at a UTC date and time: what a planetarium sends as JNow.
std::pair<double, double> PlaceOfDate(double raHours, double decDeg, const OrvStatus& at) {
    double utc1, utc2, tai1, tai2, tt1, tt2;
    const double s = at.ut * 3600.0;
    eraDtf2d("UTC", at.year, at.month, at.day, int(s / 3600), int(std::fmod(s, 3600.0) / 60), std::fmod(s, 60.0),
             &utc1, &utc2);
    eraUtctai(utc1, utc2, &tai1, &tai2);
    eraTaitt(tai1, tai2, &tt1, &tt2);
    double ri, di, eo;
    eraAtci13(raHours * ERFA_D2PI / 24, decDeg * ERFA_DD2R, 0, 0, 0, 0, tt1, tt2, &ri, &di, &eo);
    return {eraAnp(ri - eo) * 24 / ERFA_D2PI, di / ERFA_DD2R};
}

std::string Coords(double ra, double dec) { return std::to_string(ra) + ";" + std::to_string(dec); }

// ---------------------------------------------------------------------------
// The mount, on a clock five times real time.

class IndiMount : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (IndiInstalled()) rig = std::make_unique<IndiRig>(5.0, "mount");
    }
    static void TearDownTestSuite() { rig.reset(); }
    void SetUp() override {
        if (!IndiInstalled()) GTEST_SKIP() << "indiserver, indi_getprop or indi_setprop not installed (indi-bin)";
        ASSERT_TRUE(rig->ready()) << rig->logs();
    }
    static std::unique_ptr<IndiRig> rig;

    // Moves Orv's belief (sync) to the place of date (ra, dec).
    void syncTo(double ra, double dec) {
        ASSERT_TRUE(rig->set("-s", "Orv Mount.ON_COORD_SET.SYNC=On"));
        ASSERT_TRUE(rig->set("-n", "Orv Mount.EQUATORIAL_EOD_COORD.RA;DEC=" + Coords(ra, dec)));
        ASSERT_TRUE(WaitUntil([&] {
            const auto r = rig->number("Orv Mount.EQUATORIAL_EOD_COORD.RA");
            const auto d = rig->number("Orv Mount.EQUATORIAL_EOD_COORD.DEC");
            return r && d && Arcsec(*r, *d, ra, dec) < 3.0;
        }, 5));
    }
    double decRate() { return rig->truth().value().axisRate[1]; }
};
std::unique_ptr<IndiRig> IndiMount::rig;

TEST_F(IndiMount, TimeSiteAndAGotoOfAPlaceOfDate) {
    // TIME_UTC sets Orv's clock; GEOGRAPHIC_COORD reports the site of WinOrv.DAT.
    ASSERT_TRUE(rig->set("-x", "Orv Mount.TIME_UTC.UTC;OFFSET=2026-03-20T03:00:00;0"));
    ASSERT_TRUE(WaitUntil([&] { const auto s = rig->status(); return s && s->month == 3 && s->day == 20; }, 5));
    const OrvStatus at = rig->status().value();
    EXPECT_NEAR(at.ut, 3.0, 0.05);
    EXPECT_EQ(rig->number("Orv Mount.GEOGRAPHIC_COORD.LAT"), IndiRig::Latitude);
    EXPECT_EQ(rig->number("Orv Mount.GEOGRAPHIC_COORD.LONG"), 255.0) << "105 west";

    // A star near the meridian, a degree from where the telescope points.
    const double starRA = std::fmod(at.siderealTime + 0.05 + 24.0, 24.0), starDec = IndiRig::Latitude + 0.7;
    const auto [ra, dec] = PlaceOfDate(starRA, starDec, at);
    ASSERT_TRUE(rig->set("-s", "Orv Mount.ON_COORD_SET.TRACK=On"));
    ASSERT_TRUE(rig->set("-n", "Orv Mount.EQUATORIAL_EOD_COORD.RA;DEC=" + Coords(ra, dec)));
    ASSERT_TRUE(rig->waitState("Orv Mount.EQUATORIAL_EOD_COORD", "Busy", 3));
    ASSERT_TRUE(rig->waitState("Orv Mount.EQUATORIAL_EOD_COORD", "Ok", 20)) << rig->logs();

    const OrvStatus now = rig->status().value();
    const auto [raNow, decNow] = PlaceOfDate(starRA, starDec, now);   // the star's place moves a little with time
    EXPECT_LT(Arcsec(*rig->number("Orv Mount.EQUATORIAL_EOD_COORD.RA"),
                     *rig->number("Orv Mount.EQUATORIAL_EOD_COORD.DEC"), raNow, decNow), 3.0) << "what the client sees";
    EXPECT_LT(Arcsec(now.apparentRA, now.apparentDec, raNow, decNow), 3.0) << "Orv's own place of date";
    EXPECT_EQ(rig->get("Orv Mount.TELESCOPE_TRACK_STATE.TRACK_ON"), "On");
    // A first start without WinOrv.ini works on the west side of the pier.
    EXPECT_EQ(rig->get("Orv Mount.TELESCOPE_PIER_SIDE.PIER_WEST"), "On");
}

TEST_F(IndiMount, SyncMovesOrvsBeliefNotTheTelescope) {
    const double ra = *rig->number("Orv Mount.EQUATORIAL_EOD_COORD.RA");
    const double dec = *rig->number("Orv Mount.EQUATORIAL_EOD_COORD.DEC");
    const double axis = rig->truth().value().axisArcsec[1];
    syncTo(ra, dec + 60.0 / 3600);
    EXPECT_NEAR(rig->truth().value().axisArcsec[1], axis, 1.0);
    EXPECT_NEAR(rig->status()->apparentDec, dec + 60.0 / 3600, 2.0 / 3600);
    ASSERT_TRUE(rig->set("-s", "Orv Mount.ON_COORD_SET.TRACK=On"));
}

TEST_F(IndiMount, AbortStopsAGoto) {
    const double ra = *rig->number("Orv Mount.EQUATORIAL_EOD_COORD.RA");
    const double dec = *rig->number("Orv Mount.EQUATORIAL_EOD_COORD.DEC");
    ASSERT_TRUE(rig->set("-n", "Orv Mount.EQUATORIAL_EOD_COORD.RA;DEC=" + Coords(ra, dec - 5)));
    ASSERT_TRUE(WaitUntil([&] { return std::fabs(decRate()) > 500; }, 5)) << "slewing";
    ASSERT_TRUE(rig->set("-s", "Orv Mount.TELESCOPE_ABORT_MOTION.ABORT=On"));
    EXPECT_TRUE(WaitUntil([&] { return std::fabs(decRate()) < 0.5; }, 2));
    EXPECT_FALSE(rig->status()->slewInProgress);
    EXPECT_NE(rig->get("Orv Mount.EQUATORIAL_EOD_COORD._STATE"), "Busy");
}

TEST_F(IndiMount, NorthAtSetSpeedMovesDecAndReleasingStops) {
    ASSERT_TRUE(rig->set("-s", "Orv Mount.TELESCOPE_SLEW_RATE.SLEW_CENTERING=On"));
    const double before = rig->status()->meanDec;
    ASSERT_TRUE(rig->set("-s", "Orv Mount.TELESCOPE_MOTION_NS.MOTION_NORTH=On"));
    ASSERT_TRUE(WaitUntil([&] { return std::fabs(std::fabs(decRate()) - 100.0) < 1.0; }, 3)) << "the set rate";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_TRUE(rig->set("-s", "Orv Mount.TELESCOPE_MOTION_NS.MOTION_NORTH=Off"));
    EXPECT_TRUE(WaitUntil([&] { return std::fabs(decRate()) < 0.5; }, 2));
    EXPECT_GT((rig->status()->meanDec - before) * 3600, 100.0) << "north is increasing Dec";
}

TEST_F(IndiMount, AHungClientsPressEndsWithinASecondAndAHalf) {
    ASSERT_TRUE(rig->set("-s", "Orv Mount.TELESCOPE_SLEW_RATE.SLEW_CENTERING=On"));
    ASSERT_TRUE(rig->set("-s", "Orv Mount.TELESCOPE_MOTION_NS.MOTION_NORTH=On"));
    ASSERT_TRUE(WaitUntil([&] { return std::fabs(decRate()) > 50; }, 3));
    const pid_t driver = rig->driverPid();
    ASSERT_GT(driver, 0);
    // The driver stops renewing but keeps its connection: only the dead man can end the press.
    ASSERT_EQ(::kill(driver, SIGSTOP), 0);
    const double stoppedAt = rig->truth()->tMs;
    double endedAt = 0;
    const bool ended = WaitUntil([&] {
        const Truth t = rig->truth().value();
        endedAt = t.tMs;
        return std::fabs(t.axisRate[1]) < 0.5;
    }, 3, 10);
    ::kill(driver, SIGCONT);
    ASSERT_TRUE(ended);
    EXPECT_LE(endedAt - stoppedAt, 1500) << "Orv's milliseconds from the last possible renewal";
    EXPECT_TRUE(rig->waitState("Orv Mount.TELESCOPE_MOTION_NS", "Alert", 3)) << "the driver learns it was let go";
    ASSERT_TRUE(rig->set("-s", "Orv Mount.TELESCOPE_MOTION_NS.MOTION_NORTH=Off"));
}

TEST_F(IndiMount, APulseOf500msMovesAbout2_5Arcsec) {
    ASSERT_NEAR(rig->status()->guideRate, 5.0, 1e-9);
    const double before = rig->truth()->axisArcsec[1];
    ASSERT_TRUE(rig->set("-n", "Orv Mount.TELESCOPE_TIMED_GUIDE_NS.TIMED_GUIDE_N;TIMED_GUIDE_S=500;0"));
    std::this_thread::sleep_for(std::chrono::milliseconds(600));   // 3 s of Orv's time
    EXPECT_EQ(rig->get("Orv Mount.TELESCOPE_TIMED_GUIDE_NS._STATE"), "Idle") << "the pulse is over";
    EXPECT_NEAR(std::fabs(rig->truth()->axisArcsec[1] - before), 2.5, 0.5);
}

TEST_F(IndiMount, ParkAtTheCoverPositionAndUnpark) {
    // Near the cover position first (sync), so the park slew is short.
    const OrvStatus s = rig->status().value();
    syncTo(std::fmod(s.siderealTime + 4.75, 24.0), 0.5);
    ASSERT_TRUE(rig->set("-s", "Orv Mount.TELESCOPE_PARK.PARK=On"));
    ASSERT_TRUE(WaitUntil([&] {
        return rig->get("Orv Mount.TELESCOPE_PARK.PARK") == "On" && rig->get("Orv Mount.TELESCOPE_PARK._STATE") == "Ok";
    }, 20)) << rig->logs();
    const OrvStatus parked = rig->status().value();
    EXPECT_NEAR(parked.hourAngle, -4.83, 0.01);
    EXPECT_NEAR(parked.meanDec, 0.0, 0.15);
    EXPECT_FALSE(parked.tracking);
    EXPECT_EQ(rig->get("Orv Mount.TELESCOPE_TRACK_STATE.TRACK_OFF"), "On");

    ASSERT_TRUE(rig->set("-s", "Orv Mount.TELESCOPE_PARK.UNPARK=On"));
    EXPECT_TRUE(WaitUntil([&] { return rig->status()->tracking; }, 3));
    EXPECT_NEAR(rig->status()->activeRateRA, 15.041, 1e-9) << "tracking restored at the rates it had";
    EXPECT_TRUE(WaitUntil([&] { return rig->get("Orv Mount.TELESCOPE_PARK.UNPARK") == "On"; }, 3));
}

// ---------------------------------------------------------------------------
// Focuser, dome and shutter, on a clock twenty times real time (the shutter
// takes 80 s of it).

class IndiDevices : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (IndiInstalled()) rig = std::make_unique<IndiRig>(20.0, "devices");
    }
    static void TearDownTestSuite() { rig.reset(); }
    void SetUp() override {
        if (!IndiInstalled()) GTEST_SKIP() << "indiserver, indi_getprop or indi_setprop not installed (indi-bin)";
        ASSERT_TRUE(rig->ready()) << rig->logs();
    }
    static std::unique_ptr<IndiRig> rig;
};
std::unique_ptr<IndiRig> IndiDevices::rig;

TEST_F(IndiDevices, TheFocuserMovesTo1400AndReportsIt) {
    ASSERT_TRUE(rig->set("-n", "Orv Focuser.ABS_FOCUS_POSITION.FOCUS_ABSOLUTE_POSITION=1400"));
    ASSERT_TRUE(rig->waitState("Orv Focuser.ABS_FOCUS_POSITION", "Ok", 10)) << rig->logs();
    EXPECT_NEAR(*rig->number("Orv Focuser.ABS_FOCUS_POSITION.FOCUS_ABSOLUTE_POSITION"), 1400, 10);
    EXPECT_NEAR(rig->truth()->focus, 1400, 10);
}

TEST_F(IndiDevices, TheDomeGoesToAnAzimuthAndReportsInPosition) {
    ASSERT_TRUE(rig->set("-n", "Orv Dome.ABS_DOME_POSITION.DOME_ABSOLUTE_POSITION=180"));
    ASSERT_TRUE(rig->waitState("Orv Dome.ABS_DOME_POSITION", "Ok", 15)) << rig->logs();
    EXPECT_NEAR(*rig->number("Orv Dome.ABS_DOME_POSITION.DOME_ABSOLUTE_POSITION"), 180, 1.5);
    EXPECT_TRUE(rig->status()->domeInPosition());
    EXPECT_NEAR(rig->truth()->domeDeg, 180, 1.5);
}

TEST_F(IndiDevices, TheShutterOpensAndCloses) {
    ASSERT_TRUE(rig->set("-s", "Orv Dome.DOME_SHUTTER.SHUTTER_OPEN=On"));
    ASSERT_TRUE(rig->waitState("Orv Dome.DOME_SHUTTER", "Busy", 3));
    ASSERT_TRUE(WaitUntil([&] {
        return rig->get("Orv Dome.DOME_SHUTTER._STATE") == "Ok" && rig->get("Orv Dome.DOME_SHUTTER.SHUTTER_OPEN") == "On";
    }, 15)) << rig->logs();
    EXPECT_EQ(rig->truth()->shutter, "open");

    ASSERT_TRUE(rig->set("-s", "Orv Dome.DOME_SHUTTER.SHUTTER_CLOSE=On"));
    ASSERT_TRUE(rig->waitState("Orv Dome.DOME_SHUTTER", "Busy", 3));
    ASSERT_TRUE(WaitUntil([&] {
        return rig->get("Orv Dome.DOME_SHUTTER._STATE") == "Ok" && rig->get("Orv Dome.DOME_SHUTTER.SHUTTER_CLOSE") == "On";
    }, 15));
    EXPECT_EQ(rig->truth()->shutter, "closed");
}

TEST_F(IndiDevices, TheDevicesComeBackWhenOrvIsRestarted) {
    rig->stopOrv();
    EXPECT_TRUE(rig->waitState("Orv Focuser.ABS_FOCUS_POSITION", "Alert", 5)) << "Orv unreachable is shown";
    rig->startOrv();
    ASSERT_TRUE(WaitUntil([&] { return rig->status().has_value(); }, 15));
    // The new orv's focus starts at 1300 (the test before left the old one at 1400).
    EXPECT_TRUE(WaitUntil([&] {
        const auto focus = rig->number("Orv Focuser.ABS_FOCUS_POSITION.FOCUS_ABSOLUTE_POSITION");
        return focus && std::fabs(*focus - 1300) < 3 && rig->get("Orv Focuser.ABS_FOCUS_POSITION._STATE") != "Alert";
    }, 10)) << rig->logs();
    EXPECT_TRUE(WaitUntil([&] { return rig->get("Orv Mount.EQUATORIAL_EOD_COORD._STATE") != "Alert"; }, 10));
}

}  // namespace
}  // namespace orv::indi::testing
