// The driver reads the extended status that the server writes: one layout,
// two sides. A status built by the server parses into the values it was built from.

#include "app/indi/OrvStatus.h"

#include <gtest/gtest.h>

#include "comm/TCPExtensions.h"
#include "control/System.h"
#include "core/PortBus.h"

namespace orv::indi {
namespace {

TEST(OrvStatus, TheDriverReadsWhatTheServerWrites) {
    ManualClock clock;
    RecordingBus bus;
    System sys(clock, bus, SystemOptions{".", false});
    auto& s = sys.state;
    s.RA = 13.5;
    s.Dec = -20.25;
    s.Epoch = 2026.5;
    s.Year = 2026.9;
    s.Month = 12;
    s.Day = 8;
    s.UT = 21.5;
    s.FocusReading = 1400;
    s.DomeAzimuth = 180.5;
    s.ShutterState = shutter::Opening;
    s.TrackRateRA = 15.041;
    s.ActiveTrackRateRA = 15.041;
    s.AuxTrackRateDec = 0.5;
    s.StopGeneration = 7;
    s.InhibitSouth = 1;
    s.StatusFlags2 = 0x108;   // focus moving, dome in position
    sys.params.Latitude = 20;
    sys.params.Longitude = 7;   // hours west

    const auto st = ParseOrvStatus(TCPExtendedStatus(sys, 3, 0x44));
    ASSERT_TRUE(st);
    EXPECT_EQ(st->meanRA, 13.5);
    EXPECT_EQ(st->meanDec, -20.25);
    EXPECT_EQ(st->epoch, 2026.5);
    EXPECT_EQ(st->year * 10000 + st->month * 100 + st->day, 20261208);
    EXPECT_EQ(st->ut, 21.5);
    EXPECT_EQ(st->focus, 1400);
    EXPECT_EQ(st->domeAzimuth, 180.5);
    EXPECT_EQ(st->domeHome, 270);
    EXPECT_EQ(st->shutter, 1);
    EXPECT_TRUE(st->tracking);
    EXPECT_EQ(st->auxRateDec, 0.5);
    EXPECT_EQ(st->latitude, 20);
    EXPECT_EQ(st->longitudeEast(), 255);
    EXPECT_TRUE(st->inhibitSouth);
    EXPECT_FALSE(st->inhibitNorth);
    EXPECT_EQ(st->held, 3);
    EXPECT_EQ(st->stopGeneration, 7u);
    EXPECT_TRUE(st->focusMoving());
    EXPECT_TRUE(st->domeInPosition());
    EXPECT_EQ(st->paddleByte, 0x44);
    EXPECT_FALSE(st->idle());
}

TEST(OrvStatus, AnythingElseIsNotAStatus) {
    EXPECT_FALSE(ParseOrvStatus("#9,0,66;"));
    EXPECT_FALSE(ParseOrvStatus("#60,1,2,3;"));
    EXPECT_FALSE(ParseOrvStatus(""));
    EXPECT_EQ(ParsePaddleReply("#62,68;", 62), 68);
    EXPECT_FALSE(ParsePaddleReply("#62,68;", 61));
    EXPECT_FALSE(ParsePaddleReply("#62,x;", 62));
}

}  // namespace
}  // namespace orv::indi
