#include "control/DomeTask.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "astro/AstroLib.h"
#include "control/System.h"
#include "control/SystemAstro.h"
#include "control/WorldClock.h"
#include "core/Ports.h"

namespace orv {
namespace {

constexpr double Deg = 0.017453292519943295769;
constexpr double TwoPi = 6.283185307179586477;

using testing::WorldClock;

TEST(DomeTolerance, SlitSeenFromTheTelescope) {
    EXPECT_NEAR(DomeToleranceFor(30, 12, 96), 0.25, 1e-12);
    EXPECT_NEAR(DomeToleranceFor(80, 12, 96), 0.127, 0.0005);
    EXPECT_EQ(DomeToleranceFor(0.0, 12, 96), TwoPi);
    EXPECT_EQ(DomeToleranceFor(0.0069, 12, 96), TwoPi);
}

TEST(DomeError, WrapsIntoPlusMinusPi) {
    EXPECT_NEAR(WrapDomeError(181 * Deg), -179 * Deg, 1e-12);
    EXPECT_NEAR(WrapDomeError(-181 * Deg), 179 * Deg, 1e-12);
    EXPECT_NEAR(WrapDomeError(179 * Deg), 179 * Deg, 1e-12);
    EXPECT_NEAR(WrapDomeError((181 + 720) * Deg), -179 * Deg, 1e-12) << "after whole turns of the dome";
}

// A dome turning 2 degrees a second while one of its relays is driven.
class DomeTaskTest : public ::testing::Test {
protected:
    DomeTaskTest() : sys(clock, bus, SystemOptions{".", false}) {
        sys.params.SinLatitude = std::sin(40 * Deg);
        sys.params.CosLatitude = std::cos(40 * Deg);
        dome().InitDomeTask();
        clock.onAdvance = [this](int64_t ms) {
            const uint8_t v = bus.lastWritten(ports::DomeFocus);
            const bool larger = !(v & ports::DomeLargerBit), smaller = !(v & ports::DomeSmallerBit);
            if (larger && smaller) ADD_FAILURE() << "both dome relays on";
            if (larger) azimuthRad += 2.0 * Deg * ms / 1000.0;
            if (smaller) azimuthRad -= 2.0 * Deg * ms / 1000.0;
            if (larger || smaller) drivenMs += ms;
            if (larger) drovLarger = true;
            if (smaller) droveSmaller = true;
            sys.state.DomeAzimuthRad = azimuthRad;
            if (switchOffAfterMs && drivenMs >= switchOffAfterMs)
                clearBits(sys.state.StatusFlags1, status1::DomeOnIndicator);
        };
        setBits(sys.state.StatusFlags1, status1::DomeOnIndicator);
    }
    DomeTask& dome() { return *sys.domeTask; }
    // Home mode, dome `errorDeg` away from the home azimuth.
    void placeDome(double errorDeg) {
        azimuthRad = sys.params.DomeHomeAzimuth + errorDeg * Deg;
        sys.state.DomeAzimuthRad = azimuthRad;
    }
    double errorDeg() const { return (azimuthRad - sys.params.DomeHomeAzimuth) / Deg; }

    WorldClock clock;
    RecordingBus bus;
    System sys;
    double azimuthRad = 0;
    int64_t drivenMs = 0;
    int64_t switchOffAfterMs = 0;
    bool drovLarger = false, droveSmaller = false;
};

TEST_F(DomeTaskTest, InitSwitchesTheRelaysOffAndTheDomeOn) {
    sys.state.DomeOn = 0;
    sys.state.DomeTrack = 1;
    bus.clearLog();
    dome().InitDomeTask();
    EXPECT_EQ(bus.writesTo(ports::DomeFocus), std::vector<uint8_t>{0xFF});
    EXPECT_EQ(sys.state.DomeOn, 1);
    EXPECT_EQ(sys.state.DomeTrack, 0);
    EXPECT_EQ(dome().DomePort(), 0x689);
}

TEST_F(DomeTaskTest, HomeModeTargetsHomePlusOffset) {
    dome().ComputeDomeTarget();
    EXPECT_NEAR(dome().DomeTarget() / Deg, 270.0, 1e-9);
    EXPECT_NEAR(dome().DomeTolerance(), 1.0 * Deg, 1e-12) << "never narrower than the stop threshold";
    sys.params.DomeStopThreshold = 0.3 * Deg;
    dome().ComputeDomeTarget();
    EXPECT_EQ(dome().DomeTolerance(), 0.01);
    sys.state.DomeAzimuthOffset = -1.5708;
    dome().ComputeDomeTarget();
    EXPECT_NEAR(dome().DomeTarget() / Deg, 180.0, 0.001);
}

TEST_F(DomeTaskTest, TrackModeFollowsTheTelescopeOrTheSlewTarget) {
    setBits(sys.state.StatusFlags3, status3::DomeTrack);
    sys.state.HA = 0;
    sys.state.Dec = 10;   // zenith distance 30 at latitude 40
    dome().ComputeDomeTarget();
    auto ctx = AstroContextOf(sys);
    EXPECT_NEAR(dome().DomeTarget(), astro::DomeAzimuthFor(0, 10, ctx) * Deg, 1e-12);
    EXPECT_NEAR(dome().DomeTolerance(), 0.25, 1e-9);

    sys.state.SlewInProgress = 1;
    sys.state.NextHA = 3;
    sys.state.NextDec = 40;
    dome().ComputeDomeTarget();
    EXPECT_NEAR(dome().DomeTarget(), astro::DomeAzimuthFor(3, 40, ctx) * Deg, 1e-12);

    sys.state.NextHA = 0;   // slew target at the zenith
    dome().ComputeDomeTarget();
    EXPECT_EQ(dome().DomeTolerance(), TwoPi);
}

TEST_F(DomeTaskTest, TwoDegreesNeverStartsTheDome) {
    placeDome(2.0);
    bus.clearLog();
    dome().DomeTaskPass();
    EXPECT_EQ(drivenMs, 0);
    for (uint8_t v : bus.writesTo(ports::DomeFocus)) EXPECT_EQ(v & 0x03, 0x03);
    EXPECT_FALSE(testBits(sys.state.StatusFlags2, status2::DomeInPosition));
}

TEST_F(DomeTaskTest, ThreeDegreesDrivesItBelowOne) {
    placeDome(3.0);
    dome().DomeTaskPass();
    EXPECT_TRUE(droveSmaller);
    EXPECT_FALSE(drovLarger);
    EXPECT_LT(std::abs(errorDeg()), 1.0);
    EXPECT_GT(std::abs(errorDeg()), 0.7) << "stops at the stop threshold, not at the target";
    EXPECT_EQ(bus.lastWritten(ports::DomeFocus) & 0x03, 0x03);
    dome().DomeTaskPass();
    EXPECT_TRUE(testBits(sys.state.StatusFlags2, status2::DomeInPosition)) << "a dome that arrived is in position";

    placeDome(-3.0);
    dome().DomeTaskPass();
    EXPECT_TRUE(drovLarger);
    EXPECT_LT(std::abs(errorDeg()), 1.0);
}

TEST_F(DomeTaskTest, TheShortWayRound) {
    placeDome(179.0);
    switchOffAfterMs = 100;
    dome().DomeTaskPass();
    EXPECT_TRUE(droveSmaller);
    EXPECT_FALSE(drovLarger);

    droveSmaller = false;
    drivenMs = 0;
    setBits(sys.state.StatusFlags1, status1::DomeOnIndicator);
    placeDome(181.0);   // the same as -179
    dome().DomeTaskPass();
    EXPECT_TRUE(drovLarger);
    EXPECT_FALSE(droveSmaller);
}

TEST_F(DomeTaskTest, SwitchingControlOffEndsTheMoveWithinFiftyMilliseconds) {
    placeDome(40.0);
    switchOffAfterMs = 1000;
    dome().DomeTaskPass();
    EXPECT_LE(drivenMs, 1050);
    EXPECT_EQ(bus.lastWritten(ports::DomeFocus) & 0x03, 0x03);

    drivenMs = 0;
    switchOffAfterMs = 0;
    dome().DomeTaskPass();
    EXPECT_EQ(drivenMs, 0) << "no new move with automatic control off";
}

TEST_F(DomeTaskTest, InPositionBitAndFocusBitsLeftAlone) {
    placeDome(0.3);   // within the home tolerance
    bus.write(ports::DomeFocus, 0xFF & ~ports::FocusDecreaseBit);   // focus moving
    bus.clearLog();
    dome().DomeTaskPass();
    EXPECT_TRUE(testBits(sys.state.StatusFlags2, status2::DomeInPosition));

    placeDome(5.0);
    dome().DomeTaskPass();
    EXPECT_FALSE(testBits(sys.state.StatusFlags2, status2::DomeInPosition));
    for (uint8_t v : bus.writesTo(ports::DomeFocus))
        EXPECT_EQ(v & ports::FocusDecreaseBit, 0) << "the dome never switches the focus off";
}

TEST_F(DomeTaskTest, EndingTheProgramStopsTheMove) {
    placeDome(40.0);
    clock.onAdvance = [this, inner = clock.onAdvance](int64_t ms) {
        inner(ms);
        if (drivenMs >= 500) sys.terminating = true;
    };
    dome().DomeTaskPass();
    EXPECT_LE(drivenMs, 550);
    EXPECT_EQ(bus.lastWritten(ports::DomeFocus) & 0x03, 0x03);
}

}  // namespace
}  // namespace orv
