// The time and coordinate task: counter latching and sign extension, the Dec
// counter's pier-side mirror, the clock roll-overs and the calendar, the pole
// flag and the dome azimuth wrap.

#include "control/TimeTask.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "astro/AstroLib.h"
#include "control/System.h"
#include "core/Ports.h"

namespace orv {
namespace {

constexpr double DegToRad = 0.017453292519943295769;

std::vector<uint8_t> bytesOf(int32_t v) {
    auto u = static_cast<uint32_t>(v);
    return {static_cast<uint8_t>(u & 0xFF), static_cast<uint8_t>((u >> 8) & 0xFF),
            static_cast<uint8_t>((u >> 16) & 0xFF)};
}

class TimeTaskTest : public ::testing::Test {
protected:
    TimeTaskTest() : sys(clock, bus, SystemOptions{".", false}) {
        sys.InitSharedState();
        task().InitTimeTask();
        bus.clearLog();
    }
    TimeTask& task() { return *sys.timeTask; }
    void counterReads(int channel, int32_t value) { bus.queueInput(ports::CounterData(channel), bytesOf(value)); }

    ManualClock clock{0, true};
    RecordingBus bus;
    System sys;
};

TEST(CounterValue, SignExtendsTwentyFourBits) {
    EXPECT_EQ(CounterValueFromBytes(0x00, 0x00, 0x80), -8388608);
    EXPECT_EQ(CounterValueFromBytes(0xFF, 0xFF, 0x7F), 8388607);
    EXPECT_EQ(CounterValueFromBytes(0xFF, 0xFF, 0xFF), -1);
    EXPECT_EQ(CounterValueFromBytes(0x01, 0x02, 0x03), 0x030201);
    EXPECT_EQ(CounterValueFromBytes(0x00, 0x00, 0x00), 0);
}

TEST_F(TimeTaskTest, LatchesAllFourCountersThenReadsEachLowFirst) {
    bus.queueInput(ports::CounterData(0), {0x00, 0x00, 0x80});
    counterReads(2, 12345);
    counterReads(3, -7);
    task().ReadPositionCounters();

    const auto log = bus.log();
    using A = RecordingBus::Access;
    std::vector<A> expected;
    for (uint8_t command : {ports::CounterStartTransfer, ports::CounterLatch})
        for (int ch = 0; ch < 4; ++ch) expected.push_back({A::Write, ports::CounterControl(ch), command});
    ASSERT_GE(log.size(), expected.size() + 12);
    EXPECT_EQ(std::vector<A>(log.begin(), log.begin() + 8), expected);
    for (int ch = 0; ch < 4; ++ch)
        for (int b = 0; b < 3; ++b) {
            const A& a = log[static_cast<size_t>(8 + ch * 3 + b)];
            EXPECT_EQ(a.kind, A::Read);
            EXPECT_EQ(a.port, ports::CounterData(ch)) << "counter " << ch << " byte " << b;
        }
    EXPECT_EQ(task().RACount(), -8388608);
    EXPECT_EQ(task().DomeCount(), 12345);
    EXPECT_EQ(sys.state.FourthCount, -7);
}

TEST_F(TimeTaskTest, DecCounterIsMirroredOnTheEastSide) {
    sys.state.DecCountOffset = 5000;
    sys.state.EastSideOperation = 1;
    counterReads(1, 1000);
    task().ReadPositionCounters();
    EXPECT_EQ(task().DecCount(), 4000);

    sys.state.EastSideOperation = 0;
    counterReads(1, 1000);
    task().ReadPositionCounters();
    EXPECT_EQ(task().DecCount(), 6000);

    counterReads(1, -1000);
    task().ReadPositionCounters();
    EXPECT_EQ(task().DecCount(), 4000);
}

// Across midnight each clock goes on as an undisturbed clock would: what it ran
// past 24 h is carried into the new day, whatever the passes' spacing.
TEST_F(TimeTaskTest, ClocksCarryWhatTheyRanPastMidnight) {
    auto& s = sys.state;
    constexpr double SiderealPerSolar = 1.00273790935;
    constexpr double TenMsInHours = 0.010 / 3600.0;
    const double lst0 = 23.9992, ut0 = 23.9995;
    sys.LSTClock.set(std::llround(lst0 * sys.params.SidTicksPerHour));
    sys.UTClock.set(std::llround(ut0 * sys.params.UTTicksPerHour));
    const int64_t t0 = clock.nowMs();
    double largestLST = 0, largestUT = 0;
    for (int pass = 0; pass < 60; ++pass) {   // 8.2 s in uneven passes
        clock.advance(pass % 2 == 0 ? 97 : 177);
        task().ReadPositionCounters();
        const double hours = static_cast<double>(clock.nowMs() - t0) / 3.6e6;
        const double lst = std::fmod(lst0 + hours * SiderealPerSolar, 24.0);
        const double ut = std::fmod(ut0 + hours, 24.0);
        largestLST = std::max(largestLST, std::fabs(s.LST - lst));
        largestUT = std::max(largestUT, std::fabs(s.UT - ut));
    }
    ASSERT_LT(s.LST, 1.0);   // both crossed midnight
    ASSERT_LT(s.UT, 1.0);
    EXPECT_LT(largestLST, TenMsInHours);
    EXPECT_LT(largestUT, TenMsInHours);
    EXPECT_EQ(s.Day, 2);   // the UT roll-over alone moves the date
}

struct RollOver {
    int year, month, day;
    int nextYear, nextMonth, nextDay;
};

class UTRollOverTest : public TimeTaskTest, public ::testing::WithParamInterface<RollOver> {};

TEST_P(UTRollOverTest, AdvancesTheDateAndRestartsTheClock) {
    const RollOver r = GetParam();
    auto& s = sys.state;
    s.Day = r.day;
    s.Month = r.month;
    s.Year = astro::FractionalYear(r.year, r.month, r.day);
    sys.UTClock.set(std::llround(24.0 * sys.params.UTTicksPerHour));
    task().ReadPositionCounters();

    EXPECT_EQ(s.UT, 0.0);
    EXPECT_EQ(sys.UTClock.read(), 0);
    EXPECT_EQ(s.Day, r.nextDay);
    EXPECT_EQ(s.Month, r.nextMonth);
    EXPECT_EQ(std::trunc(s.Year), r.nextYear);
    EXPECT_DOUBLE_EQ(s.Year, astro::FractionalYear(r.nextYear, r.nextMonth, r.nextDay));
}

INSTANTIATE_TEST_SUITE_P(Calendar, UTRollOverTest,
                         ::testing::Values(RollOver{2001, 2, 28, 2001, 3, 1}, RollOver{2000, 2, 28, 2000, 2, 29},
                                           RollOver{2000, 2, 29, 2000, 3, 1}, RollOver{2023, 12, 31, 2024, 1, 1},
                                           RollOver{2024, 4, 30, 2024, 5, 1}, RollOver{2024, 1, 31, 2024, 2, 1},
                                           RollOver{2100, 2, 28, 2100, 2, 29}));

TEST_F(TimeTaskTest, NewYearGivesTheWholeYear) {
    auto& s = sys.state;
    s.Day = 31;
    s.Month = 12;
    s.Year = astro::FractionalYear(2023, 12, 31);
    sys.UTClock.set(std::llround(24.0 * sys.params.UTTicksPerHour));
    task().ReadPositionCounters();
    EXPECT_EQ(s.Year, 2024.0);
}

TEST_F(TimeTaskTest, UTJustBelowTwentyFourKeepsTheDate) {
    auto& s = sys.state;
    s.Day = 28;
    s.Month = 2;
    s.Year = astro::FractionalYear(2001, 2, 28);
    sys.UTClock.set(std::llround(23.9999 * sys.params.UTTicksPerHour));
    task().ReadPositionCounters();
    EXPECT_NEAR(s.UT, 23.9999, 1e-5);
    EXPECT_EQ(s.Day, 28);
    EXPECT_EQ(s.Month, 2);
}

TEST(AdvanceDate, LeapYearsWithoutTheCenturyRule) {
    int day = 28, month = 2, year = 2100;
    AdvanceDate(day, month, year);
    EXPECT_EQ(day, 29);   // 2100 treated as a leap year here
    EXPECT_EQ(month, 2);
    AdvanceDate(day, month, year);
    EXPECT_EQ(day, 1);
    EXPECT_EQ(month, 3);
    EXPECT_EQ(year, 2100);

    day = 28, month = 2, year = 1900;
    AdvanceDate(day, month, year);
    EXPECT_EQ(day, 29);

    day = 30, month = 11, year = 2023;
    AdvanceDate(day, month, year);
    EXPECT_EQ(day, 1);
    EXPECT_EQ(month, 12);

    day = 31, month = 12, year = 2023;
    AdvanceDate(day, month, year);
    EXPECT_EQ(day, 1);
    EXPECT_EQ(month, 1);
    EXPECT_EQ(year, 2024);

    // A month number outside 1..12 rolls like February.
    day = 29, month = 13, year = 2023;
    AdvanceDate(day, month, year);
    EXPECT_EQ(day, 1);
    EXPECT_EQ(month, 14);
}

TEST(AdvanceDate, FractionalYearKeepsTheCenturyRule) {
    // 1 March: the same day number in 2000 and 2100, but only 2000 divides by 366.25.
    EXPECT_NEAR(astro::FractionalYear(2000, 3, 1), 2000.16655, 1e-5);
    EXPECT_DOUBLE_EQ(astro::FractionalYear(2000, 3, 1), 2000 + 61 / 366.25);
    EXPECT_DOUBLE_EQ(astro::FractionalYear(2100, 3, 1), 2100 + 61 / 365.25);
}

TEST_F(TimeTaskTest, ObservedDecOfMinusNinetySetsThroughPole) {
    // No refraction and no pointing terms: the observed Dec is the counter Dec.
    sys.params.RefractionScale = 0;
    sys.params.DecScale = 1.0;
    sys.state.EastSideOperation = 1;

    sys.state.DecCountOffset = -90;   // counter reading 0
    task().UpdateCoordinates();
    EXPECT_EQ(sys.state.DecCorrection, 0.0);
    EXPECT_EQ(sys.state.ThroughPole, 1);

    sys.state.DecCountOffset = -89.5;
    task().UpdateCoordinates();
    EXPECT_EQ(sys.state.ThroughPole, 0);

    sys.state.DecCountOffset = -91;
    task().UpdateCoordinates();
    EXPECT_EQ(sys.state.ThroughPole, 1);
}

TEST(DomeAzimuthWrap, BringsAnyAngleIntoZeroToThreeSixty) {
    EXPECT_DOUBLE_EQ(WrapDomeAzimuth(-10), 350);
    EXPECT_DOUBLE_EQ(WrapDomeAzimuth(360), 360);
    EXPECT_DOUBLE_EQ(WrapDomeAzimuth(725), 5);
    EXPECT_DOUBLE_EQ(WrapDomeAzimuth(0), 0);
    EXPECT_DOUBLE_EQ(WrapDomeAzimuth(-370), 350);
    EXPECT_DOUBLE_EQ(WrapDomeAzimuth(1080.5), 0.5);
    // The whole 24-bit counter range at the usual scale stays bounded.
    for (int32_t count : {-8388608, -1, 1, 8388607}) {
        double deg = WrapDomeAzimuth(count * 0.00000342 * 57.295779513082320877);
        EXPECT_GE(deg, 0) << count;
        EXPECT_LE(deg, 360) << count;
    }
}

TEST_F(TimeTaskTest, PassShowsTheDomeCounterAsWrappedDegrees) {
    sys.params.DomeCountScale = DegToRad;   // one count per degree
    counterReads(2, -10);
    task().TimeTaskPass();
    EXPECT_NEAR(sys.state.DomeAzimuth, 350, 1e-9);
    EXPECT_NEAR(sys.state.DomeAzimuthRad, -10 * DegToRad, 1e-12);

    counterReads(2, 725);
    task().TimeTaskPass();
    EXPECT_NEAR(sys.state.DomeAzimuth, 5, 1e-9);
}

TEST_F(TimeTaskTest, PassKeepsHourAngleAndRightAscensionInRange) {
    // Sidereal time 23 h, the counters at 1.5 h east: the apparent RA is 0.5 h,
    // so LST - RA comes out near 22.5 h before the pass brings it back.
    sys.params.RefractionScale = 0;
    sys.LSTClock.set(std::llround(23.0 * sys.params.SidTicksPerHour));
    const auto counts = static_cast<int32_t>(std::lround(-1.5 / sys.params.HAScale));
    for (int i = 0; i < 2; ++i) {
        counterReads(0, counts);
        task().TimeTaskPass();
        EXPECT_GE(sys.state.HA, -12.0);
        EXPECT_LE(sys.state.HA, 12.0);
        EXPECT_GE(sys.state.RA, 0.0);
        EXPECT_LT(sys.state.RA, 24.0);
    }
    EXPECT_NEAR(sys.state.HA, -1.5, 0.05);
    EXPECT_NEAR(sys.state.RA, 0.5, 0.05);
}

}  // namespace
}  // namespace orv
