#include "control/SlewHelpers.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/Ports.h"

namespace orv {
namespace {

TEST(SlewHelpers, HoursWrapIntoTheirRanges) {
    EXPECT_DOUBLE_EQ(WrapHours24(-0.5), 23.5);
    EXPECT_DOUBLE_EQ(WrapHours24(24.0), 0.0);
    EXPECT_DOUBLE_EQ(WrapHours24(23.999), 23.999);
    EXPECT_DOUBLE_EQ(HourAngleOf(1.0, 23.0), -2.0);    // 22 h west wraps to 2 h east
    EXPECT_DOUBLE_EQ(HourAngleOf(23.0, 1.0), 2.0);
    EXPECT_DOUBLE_EQ(HourAngleOf(18.0, 6.0), -12.0);   // -12 itself stays
}

TEST(SlewHelpers, HourAngleToGoCrossesZeroHoursTheShortWay) {
    // Telescope at 23.9 h, target at 0.1 h, both near the meridian: 0.2 h east,
    // not 23.8 h.
    EXPECT_NEAR(HourAngleToGo(23.9, 0.1, 0.1, 0.0), -0.2, 1e-12);
    EXPECT_NEAR(HourAngleToGo(0.1, -0.1, 23.9, 0.0), 0.2, 1e-12);
    // Ordinary case: the RA difference, west positive when the target's RA is smaller.
    EXPECT_NEAR(HourAngleToGo(5.0, 1.0, 4.5, 6.0), 0.5, 1e-12);
}

TEST(SlewHelpers, HourAngleToGoTakesTheLongWayAcrossTwelveHours) {
    // Telescope at HA -11.9, target at HA +11.9 (below the pole): the axis cannot
    // pass +-12 h, so it goes 23.8 h west through the meridian.
    const double lst = 12.0;
    const double ra = lst + 11.9 - 24.0, targetRA = lst - 11.9;
    EXPECT_NEAR(HourAngleToGo(WrapHours24(ra), -11.9, targetRA, lst), 23.8, 1e-9);
}

TEST(SlewHelpers, ApproachRateSpeedTable) {
    EXPECT_DOUBLE_EQ(ApproachRate(0.1), 360.0);
    EXPECT_NEAR(ApproachRate(0.1001), 997.2, 1e-9);   // sqrt(0.08008) * 3600 = 1018.7, capped
    EXPECT_NEAR(ApproachRate(90.0), 997.2, 1e-9);
    EXPECT_DOUBLE_EQ(ApproachRate(0.04), 360.0);
    EXPECT_DOUBLE_EQ(ApproachRate(0.0399), 120.0);
    EXPECT_DOUBLE_EQ(ApproachRate(0.005), 120.0);
    EXPECT_DOUBLE_EQ(ApproachRate(0.0049), 12.0);
    EXPECT_DOUBLE_EQ(ApproachRate(0.0018), 12.0);
    EXPECT_DOUBLE_EQ(ApproachRate(0.0017), 3.0);
}

TEST(SlewHelpers, ApproachRateNeverRisesAsTheDistanceFalls) {
    double previous = ApproachRate(10.0);
    for (double d = 10.0; d > 0; d -= 0.0001) {
        const double r = ApproachRate(d);
        ASSERT_LE(r, previous + 1e-9) << "at " << d;
        previous = r;
    }
}

TEST(SlewHelpers, ZenithDistanceOfAtZenithMeridianAndHorizon) {
    const double lat = 40.0 * 0.017453292519943295769;
    const double s = std::sin(lat), c = std::cos(lat);
    EXPECT_NEAR(ZenithDistanceOf(40.0, 0.0, s, c), 0.0, 1e-6);   // no NaN from rounding
    EXPECT_NEAR(ZenithDistanceOf(-40.0, 0.0, s, c), 80.0, 1e-9);
    EXPECT_NEAR(ZenithDistanceOf(0.0, 6.0, s, c), 90.0, 1e-9);
}

TEST(SlewHelpers, TrailEndPointAndAxisRates) {
    const SkyPoint start{10.0, 20.0};
    const SkyPoint e = TrailEndPoint(start, 90.0, 54000.0);   // due east, 15 degrees of axis
    EXPECT_NEAR(e.ra, 11.0, 1e-6);
    EXPECT_NEAR(e.dec, 20.0, 1e-12);
    const SkyPoint s180 = TrailEndPoint(start, 180.0, 3600.0);
    EXPECT_NEAR(s180.dec, 19.0, 1e-6);
    EXPECT_NEAR(s180.ra, 10.0, 1e-12);

    const AxisRates r45 = TrailAxisRates(45.0, 10.0);
    EXPECT_NEAR(r45.ha, 7.0710678, 1e-6);
    EXPECT_NEAR(r45.dec, 7.0710678, 1e-6);
    // Components pointing south or west drive their axis at their magnitude.
    const AxisRates r180 = TrailAxisRates(180.0, 10.0);
    EXPECT_EQ(r180.ha, 0.0);
    EXPECT_NEAR(r180.dec, 10.0, 1e-12);
    const AxisRates r225 = TrailAxisRates(225.0, 10.0);
    EXPECT_NEAR(r225.ha, 7.0710678, 1e-6);
    EXPECT_NEAR(r225.dec, 7.0710678, 1e-6);
    const AxisRates r270 = TrailAxisRates(270.0, 10.0);
    EXPECT_NEAR(r270.ha, 10.0, 1e-12);
    EXPECT_EQ(r270.dec, 0.0);
}

TEST(SlewHelpers, GuidedTrackRatesFollowThePaddleTable) {
    using namespace ports;
    const TrackRatePair t{15.0, 1.0};
    const double g = 5.0;
    struct Row {
        uint8_t bits;
        double ra, dec;
    } rows[] = {
        {PaddleNorth, 15, 6},
        {PaddleSouth, 15, -4},
        {PaddleEast, 10, 1},
        {PaddleEast | PaddleNorth, 10, 6},
        {PaddleEast | PaddleSouth, 10, -4},
        {PaddleWest, 20, 1},
        {PaddleWest | PaddleNorth, 20, 6},
        {PaddleWest | PaddleSouth, 20, -4},
        {0, 15, 1},
        {PaddleNorth | PaddleSouth, 15, 1},
        {PaddleEast | PaddleWest, 15, 1},
        {PaddleEast | PaddleWest | PaddleNorth, 15, 1},
    };
    for (const Row& r : rows) {
        const TrackRatePair got = GuidedTrackRates(r.bits, t, g);
        EXPECT_DOUBLE_EQ(got.ra, r.ra) << "bits " << int(r.bits);
        EXPECT_DOUBLE_EQ(got.dec, r.dec) << "bits " << int(r.bits);
    }
}

}  // namespace
}  // namespace orv
