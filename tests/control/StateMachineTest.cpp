// The command state machine and its single-step commands, on a recording bus
// with a clock that moves by every sleep: the dispatcher's rhythm and its reset
// of unknown codes, date and time, counter presets, rates, marks, parameters.

#include "control/StateMachine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

#include "astro/AstroLib.h"
#include "config/MarkTable.h"
#include "control/System.h"
#include "control/TimeTask.h"
#include "core/Ports.h"

namespace orv {
namespace {

// 2024-03-20 21:30:15.250 UTC.
constexpr int64_t PcClockUtcMs = 1710970215250;

double wrap12(double h) {
    h = std::fmod(h, 24.0);
    if (h > 12) h -= 24;
    if (h < -12) h += 24;
    return h;
}

class StateMachineTest : public ::testing::Test {
protected:
    StateMachineTest() : sys(clock, bus, SystemOptions{".", false}) {
        clock.setUtcBase(PcClockUtcMs);
        sys.InitSharedState();
        sys.timeTask->InitTimeTask();
        sys.stateMachine->InitStateMachine();
        bus.clearLog();
    }
    StateMachine& machine() { return *sys.stateMachine; }
    void pass() { machine().StateMachinePass(); }
    void command(int code, std::vector<double> params) {
        for (size_t i = 0; i < params.size(); ++i) sys.state.CommandParam[i + 1] = params[i];
        sys.state.StateCode = code;
        pass();
    }
    // The first pass after start (code 1 from the PC clock), then a fixed date.
    void initialise() {
        pass();
        ASSERT_EQ(sys.state.StateCode, 0);
        command(1, {2024, 3, 20, 21.5});
        bus.clearLog();
    }

    // The value of the last preset of `channel` in the write log, if any.
    std::optional<int32_t> lastPreset(int channel) {
        const auto w = bus.writes();
        std::optional<int32_t> found;
        const uint16_t data = ports::CounterData(channel), control = ports::CounterControl(channel);
        for (size_t i = 0; i + 4 < w.size(); ++i) {
            if (w[i].port == control && w[i].value == ports::CounterStartTransfer && w[i + 1].port == data &&
                w[i + 2].port == data && w[i + 3].port == data && w[i + 4].port == control &&
                w[i + 4].value == ports::CounterPresetToCount)
                found = CounterValueFromBytes(w[i + 1].value, w[i + 2].value, w[i + 3].value);
        }
        return found;
    }
    bool touchedCounter(int channel) {
        for (const auto& a : bus.writes())
            if (a.port == ports::CounterData(channel) || a.port == ports::CounterControl(channel)) return true;
        return false;
    }
    double presetHA() { return *lastPreset(ports::RACounter) * sys.params.HAScale; }
    double presetDec() { return sys.state.DecCountOffset * sys.params.DecScale; }

    ManualClock clock{0, true};
    RecordingBus bus;
    System sys;
};

// Every shared value a command could touch, for "nothing else changed".
std::vector<double> snapshot(const System& sys) {
    const auto& s = sys.state;
    const auto& p = sys.params;
    std::vector<double> v{double(s.StatusFlags1), double(s.StatusFlags2), double(s.StatusFlags3),
                          double(s.StopRequest), double(s.SlewInProgress), double(s.HATargetMode),
                          double(s.HAMoveWest), double(s.DecMoveNorth), double(s.EastSideOperation),
                          double(s.DomeOn), double(s.DomeTrack), double(s.Day), double(s.Month),
                          s.Year, s.Epoch, s.UT, s.LST, s.RA, s.HA, s.Dec, s.TargetRA, s.TargetDec,
                          s.NextRA, s.NextDec, s.NextEpoch, s.NextHA, s.DomeAzimuthOffset, s.DecCountOffset,
                          s.HARate, s.DecRate, s.TrackRateRA, s.TrackRateDec, s.AuxTrackRateRA,
                          s.AuxTrackRateDec, s.GuideRate, s.SetRate, s.TrailRate, s.TrailLength, s.TrailAngle,
                          p.PointingTerm1, p.PointingTerm7, p.PointingTerm9, p.RefractionScale, p.HAScale,
                          p.DecScale};
    for (const auto& c : s.CommandParam) v.push_back(c);
    return v;
}

// Equal element by element, a NaN equal to a NaN.
bool sameValues(const std::vector<double>& a, const std::vector<double>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!(a[i] == b[i] || (std::isnan(a[i]) && std::isnan(b[i])))) return false;
    return true;
}

bool sameMarks(const MarkTable::Entries& a, const MarkTable::Entries& b) {
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].description != b[i].description || a[i].RA != b[i].RA || a[i].Dec != b[i].Dec ||
            a[i].Epoch != b[i].Epoch)
            return false;
    return true;
}

TEST_F(StateMachineTest, IdlePassTakesOneHundredMs) {
    initialise();
    const int64_t t0 = clock.nowMs();
    pass();
    EXPECT_EQ(clock.nowMs() - t0, 100);
    EXPECT_EQ(sys.state.StateText.get(), "0");
    EXPECT_TRUE(bus.writes().empty());
}

TEST_F(StateMachineTest, UnknownCodesReturnToIdleWithoutAnyOtherEffect) {
    initialise();
    sys.state.CommandParam[1] = 12.5;
    sys.state.CommandParam[2] = -3;
    for (int code : {35, 29, 32, -1, 43, 25, 26, 28, 31, 37, 40, 1000}) {
        SCOPED_TRACE(code);
        bus.clearLog();
        const auto before = snapshot(sys);
        const auto marksBefore = sys.marks->entries();
        const int64_t t0 = clock.nowMs();
        sys.state.StateCode = code;
        pass();
        EXPECT_EQ(sys.state.StateCode, 0);
        EXPECT_EQ(sys.state.StateText.get(), std::to_string(code));
        EXPECT_EQ(snapshot(sys), before);
        EXPECT_TRUE(sameMarks(sys.marks->entries(), marksBefore));
        EXPECT_TRUE(bus.writes().empty());
        EXPECT_EQ(clock.nowMs() - t0, 50);
    }
}

TEST_F(StateMachineTest, FirstPassTakesThePcClockAndPointsAtTheZenith) {
    auto& s = sys.state;
    ASSERT_EQ(s.StateCode, 1);
    ASSERT_EQ(s.CommandParam[1], 0.0);
    ASSERT_FALSE(testBits(s.StatusFlags1, status1::Initialized));
    pass();

    EXPECT_EQ(s.StateCode, 0);
    EXPECT_TRUE(testBits(s.StatusFlags1, status1::Initialized));
    EXPECT_EQ(s.Day, 20);
    EXPECT_EQ(s.Month, 3);
    EXPECT_EQ(std::trunc(s.Year), 2024);
    EXPECT_DOUBLE_EQ(s.Year, 2024 + 80 / 366.25);   // 1 March of a leap year is day 61, 20 March day 80
    EXPECT_EQ(s.Epoch, 2024.5);
    EXPECT_DOUBLE_EQ(s.UT, 21 + 30 / 60.0 + 15 / 3600.0 + 250 / 3600000.0);

    // The RA counter holds the observed hour angle of the zenith, the Dec counter 0,
    // and the Dec offset the latitude.
    ASSERT_TRUE(lastPreset(ports::RACounter).has_value());
    EXPECT_NEAR(presetHA(), 0.0, 0.01);
    EXPECT_EQ(lastPreset(ports::DecCounter), 0);
    EXPECT_NEAR(presetDec(), sys.params.Latitude, 0.05);

    // The clocks run from the values set: the time task reads them back.
    const double lst = s.LST;
    const int64_t t0 = clock.nowMs();
    sys.timeTask->ReadPositionCounters();
    const double elapsedHours = (clock.nowMs() - t0 + 100) / 3600000.0;   // the handler's and the pass's pauses
    EXPECT_NEAR(s.UT, 21 + 30 / 60.0 + 15.25 / 3600.0 + elapsedHours, 2e-6);
    EXPECT_NEAR(s.LST, lst + elapsedHours * 1.0027379, 3e-6);
}

TEST_F(StateMachineTest, SetDateOutsideTheClocksRangeChangesNothing) {
    initialise();
    auto& s = sys.state;
    const double nan = std::nan("");
    const std::vector<std::vector<double>> refused = {
        {1e10, 1, 1, 0}, {-1e10, 1, 1, 0}, {1900, 6, 1, 0}, {2100, 6, 1, 0}, {2025, 13, 1, 0},
        {2025, 0, 1, 0}, {2025, 6, 0, 0}, {2025, 6, 32, 0}, {2025, 6, 1, 24}, {2025, 6, 1, -0.001},
        {nan, 6, 1, 0}, {2025, nan, 1, 0}, {2025, 6, nan, 0}, {2025, 6, 1, nan}, {2025, 6, 1, 1e300}};
    for (const auto& p : refused) {
        SCOPED_TRACE(::testing::PrintToString(p));
        for (size_t i = 0; i < p.size(); ++i) s.CommandParam[i + 1] = p[i];
        const auto before = snapshot(sys);
        const int64_t ut = sys.UTClock.read(), t0 = clock.nowMs();
        bus.clearLog();
        s.StateCode = 1;
        pass();
        EXPECT_EQ(s.StateCode, 0);
        EXPECT_TRUE(sameValues(snapshot(sys), before));
        EXPECT_TRUE(bus.writes().empty());
        EXPECT_EQ(sys.UTClock.read() - ut, (clock.nowMs() - t0) / 5) << "the UT clock ran on, not set";
    }

    // The last millisecond of the range is taken; a UT a hair below 24 h stays in its day.
    command(1, {2099, 12, 31, 23.99999999999});
    EXPECT_EQ(s.Day, 31);
    EXPECT_EQ(s.Month, 12);
    EXPECT_DOUBLE_EQ(s.UT, 86399999 / 3600000.0);
}

TEST_F(StateMachineTest, DisplayEquinoxMustBeAYear) {
    initialise();
    auto& s = sys.state;
    for (double epoch : {1e300, -1e300, std::nan(""), HUGE_VAL}) {
        command(22, {epoch});
        EXPECT_EQ(s.Epoch, 2024.5) << epoch;
    }
    command(22, {2000});
    EXPECT_EQ(s.Epoch, 2000);
}

TEST_F(StateMachineTest, NoFocusDomeOrShutterDriveStartsWhileTheInterlockIsOpen) {
    initialise();
    auto& s = sys.state;
    s.InterlockOpen = 1;
    s.StopRequest = 1;
    s.FocusReading = 1300;
    const auto commands = std::vector<std::pair<int, std::vector<double>>>{
        {27, {1300}}, {34, {1.0}}, {36, {0}}, {36, {1}}, {20, {1}}, {21, {0}}};
    for (const auto& [code, p] : commands) {
        SCOPED_TRACE(code);
        for (size_t i = 0; i < p.size(); ++i) s.CommandParam[i + 1] = p[i];
        bus.clearLog();
        const int64_t t0 = clock.nowMs();
        s.StateCode = code;
        pass();
        EXPECT_EQ(s.StateCode, 0);
        EXPECT_TRUE(bus.writes().empty());
        EXPECT_EQ(clock.nowMs() - t0, 50) << "no drive time";
        EXPECT_EQ(s.StopRequest, 1);
        EXPECT_EQ(s.DomeOn, 0);
        EXPECT_EQ(s.DomeTrack, 0);
    }
    EXPECT_EQ(s.ShutterMessage.get(), " Shutter will not move while the interlock is open");
    // Switching the dome off is no motion: it is done.
    s.DomeOn = 1;
    command(20, {0});
    EXPECT_EQ(s.DomeOn, 0);
}

TEST_F(StateMachineTest, LaterSetDateLeavesTheCountersAlone) {
    pass();
    const double offset = sys.state.DecCountOffset;
    bus.clearLog();

    command(1, {2025, 6, 1, 1.23456789});
    auto& s = sys.state;
    EXPECT_EQ(s.StateCode, 0);
    EXPECT_EQ(s.Day, 1);
    EXPECT_EQ(s.Month, 6);
    EXPECT_EQ(s.Epoch, 2025.5);
    // UT to whole milliseconds: 4444444 ms = 1 h 14 min 4.444 s.
    EXPECT_DOUBLE_EQ(s.UT, 1 + 14 / 60.0 + 4 / 3600.0 + 444 / 3600000.0);
    EXPECT_FALSE(touchedCounter(ports::RACounter));
    EXPECT_FALSE(touchedCounter(ports::DecCounter));
    EXPECT_EQ(s.DecCountOffset, offset);
    EXPECT_TRUE(testBits(s.StatusFlags1, status1::Initialized));
}

TEST_F(StateMachineTest, SetPositionTakesTheNextObjectOrTheGivenPlace) {
    initialise();
    auto& s = sys.state;
    s.NextRA = 3.25;
    s.NextDec = 20;
    s.NextEpoch = 2000;

    struct Case {
        double p1, p2;
        double ra, dec;
    };
    for (Case c : {Case{0, 0, 3.25, 20}, Case{5.5, 0, 5.5, 0}, Case{0, 15, 0, 15}}) {
        SCOPED_TRACE(::testing::Message() << c.p1 << ", " << c.p2);
        bus.clearLog();
        command(3, {c.p1, c.p2, 0});
        EXPECT_EQ(s.StateCode, 0);
        ASSERT_TRUE(lastPreset(ports::RACounter).has_value());
        EXPECT_EQ(lastPreset(ports::DecCounter), 0);
        // Apparent and observed places lie within a few arcminutes of the mean place.
        EXPECT_NEAR(wrap12(presetHA() - (s.LST - c.ra)), 0.0, 0.05);
        EXPECT_NEAR(presetDec(), c.dec, 0.2);
        EXPECT_TRUE(testBits(s.StatusFlags1, status1::Initialized));
    }
}

TEST_F(StateMachineTest, TrackingRatesChangeOnlyWhenAllFourAreBelow4500) {
    initialise();
    auto& s = sys.state;
    for (std::vector<double> p : {std::vector<double>{15, 4500, 0, 0}, {-4500, 0, 0, 0}, {15, 0, 1e9, 0},
                                  {15, 0, 0, -4600}}) {
        command(14, p);
        EXPECT_EQ(s.StateCode, 0);
        EXPECT_EQ(s.TrackRateRA, 15.041);
        EXPECT_EQ(s.TrackRateDec, 0);
        EXPECT_EQ(s.AuxTrackRateRA, 0);
        EXPECT_EQ(s.AuxTrackRateDec, 0);
    }
    command(14, {4499.5, -12, 3, -4});
    EXPECT_EQ(s.TrackRateRA, 4499.5);
    EXPECT_EQ(s.TrackRateDec, -12);
    EXPECT_EQ(s.AuxTrackRateRA, 3);
    EXPECT_EQ(s.AuxTrackRateDec, -4);
}

TEST_F(StateMachineTest, GuideAndSetRatesAreClampedToOneThousandAndNeverNegative) {
    initialise();
    auto& s = sys.state;
    command(15, {2500});
    EXPECT_EQ(s.GuideRate, 1000);
    command(15, {7.5});
    EXPECT_EQ(s.GuideRate, 7.5);
    command(16, {1000.5});
    EXPECT_EQ(s.SetRate, 1000);
    command(16, {250});
    EXPECT_EQ(s.SetRate, 250);
    EXPECT_EQ(s.GuideRate, 7.5);

    // A negative rate would turn the paddle round: it is ignored.
    command(15, {-5});
    EXPECT_EQ(s.GuideRate, 7.5);
    command(16, {-250});
    EXPECT_EQ(s.SetRate, 250);
    command(15, {std::nan("")});
    EXPECT_EQ(s.GuideRate, 7.5);
    EXPECT_EQ(s.StateCode, 0);
    command(15, {0});
    EXPECT_EQ(s.GuideRate, 0);
}

TEST_F(StateMachineTest, SwitchesStopAndEquinox) {
    initialise();
    auto& s = sys.state;
    command(18, {0});
    EXPECT_FALSE(testBits(s.StatusFlags2, status2::CosineDeclination));
    EXPECT_TRUE(testBits(s.StatusFlags2, status2::RateCorrection));
    command(19, {0});
    EXPECT_FALSE(testBits(s.StatusFlags2, status2::RateCorrection));
    command(18, {2});
    EXPECT_TRUE(testBits(s.StatusFlags2, status2::CosineDeclination));

    s.DomeAzimuthOffset = 0.3;
    command(20, {1});
    EXPECT_EQ(s.DomeOn, 1);
    EXPECT_EQ(s.DomeAzimuthOffset, 0);
    s.DomeAzimuthOffset = 0.3;
    command(21, {0});   // 0: track
    EXPECT_EQ(s.DomeTrack, 1);
    EXPECT_EQ(s.DomeAzimuthOffset, 0);
    command(21, {1});
    EXPECT_EQ(s.DomeTrack, 0);

    command(22, {1950});
    EXPECT_EQ(s.Epoch, 1950);

    command(17, {2.5, 300, 45});
    EXPECT_EQ(s.TrailRate, 2.5);
    EXPECT_EQ(s.TrailLength, 300);
    EXPECT_EQ(s.TrailAngle, 45);

    s.HARate = 800;
    s.DecRate = 400;
    setBits(s.StatusFlags1, status1::SlewEnabled);
    setBits(s.StatusFlags3, status3::TargetLoaded);
    command(13, {});
    EXPECT_EQ(s.StopRequest, 1);
    EXPECT_EQ(s.HARate, 0);
    EXPECT_EQ(s.DecRate, 0);
    EXPECT_FALSE(testBits(s.StatusFlags1, status1::SlewEnabled));
    EXPECT_FALSE(testBits(s.StatusFlags3, status3::TargetLoaded));
    EXPECT_EQ(s.StateCode, 0);
}

TEST_F(StateMachineTest, StoreMarkTakesTheCurrentPlaceWhenGivenNone) {
    initialise();
    auto& s = sys.state;
    s.RA = 7.5;
    s.Dec = -12.25;
    s.Epoch = 2024.5;
    sys.marks->setEntry(17, TMarkEntry{"M 42", 1, 2, 1950});

    command(23, {17, 0, 0, 1990});
    TMarkEntry e = sys.marks->entry(17);
    EXPECT_EQ(e.description, "M 42");
    EXPECT_EQ(e.RA, 7.5);
    EXPECT_EQ(e.Dec, -12.25);
    EXPECT_EQ(e.Epoch, 2024.5);   // the current place is of the display equinox

    // Given coordinates without an equinox take the display equinox; 16.6 rounds to 17.
    command(23, {16.6, 1.5, 0, 0});
    e = sys.marks->entry(17);
    EXPECT_EQ(e.RA, 1.5);
    EXPECT_EQ(e.Dec, 0);
    EXPECT_EQ(e.Epoch, 2024.5);
    command(23, {17, 0, 30, 2000});
    EXPECT_EQ(sys.marks->entry(17).Epoch, 2000);
    EXPECT_FALSE(sys.marks->MarksChanged());
    EXPECT_EQ(s.StateCode, 0);
}

TEST_F(StateMachineTest, StoreMarkOutsideTheTableChangesNothing) {
    initialise();
    const auto before = sys.marks->entries();
    for (double index : {-1.0, -0.6, 500.0, 499.5, 1e12, std::nan("")}) {
        SCOPED_TRACE(index);
        command(23, {index, 3, 4, 2000});
        EXPECT_EQ(sys.state.StateCode, 0);
        EXPECT_TRUE(sameMarks(sys.marks->entries(), before));
    }
    command(23, {499.4, 3, 4, 2000});   // the last entry is still reachable
    EXPECT_EQ(sys.marks->entry(499).RA, 3);
}

TEST_F(StateMachineTest, FiducialLeadsToHourAngleCommandOnTheNextPass) {
    initialise();
    auto& s = sys.state;
    s.StateCode = 30;
    pass();
    EXPECT_EQ(s.StateCode, 33);
    EXPECT_EQ(s.CommandParam[1], -4.83);
    EXPECT_EQ(s.CommandParam[2], 0);
    EXPECT_EQ(s.CommandParam[3], 0);
    pass();
    EXPECT_EQ(s.StateText.get(), "33");
}

TEST_F(StateMachineTest, MountParametersConvertTheCountScales) {
    initialise();
    auto& p = sys.params;
    p.PointingTerm5 = 5.5;
    p.PointingTerm7 = 7.5;
    command(24, {1, 2, 3, 4, 0.85, 6, 1.5, 2.0});
    EXPECT_EQ(sys.state.StateCode, 0);
    EXPECT_EQ(p.PointingTerm1, 1);
    EXPECT_EQ(p.PointingTerm2, 2);
    EXPECT_EQ(p.PointingTerm3, 3);
    EXPECT_EQ(p.PointingTerm4, 4);
    EXPECT_EQ(p.RefractionScale, 0.85);
    EXPECT_EQ(p.PointingTerm9, 6);   // the tube-flexure term
    EXPECT_EQ(p.PointingTerm7, 7.5);
    EXPECT_EQ(p.PointingTerm5, 5.5);
    // Arcseconds per count to hours and degrees per count.
    EXPECT_DOUBLE_EQ(p.HAScale, 1.5 / 15 / 3600);
    EXPECT_DOUBLE_EQ(p.DecScale, 2.0 / 3600);
}

}  // namespace
}  // namespace orv

namespace orv {
namespace {

TEST_F(StateMachineTest, KAVCodesGoToTheAttachedLinkWithWholeNumbersOnly) {
    initialise();
    std::vector<std::vector<int>> calls;
    sys.kav.attach({[&](int device, int position) {
                        calls.push_back({41, device, position});
                        return true;
                    },
                    [&](int value) {
                        calls.push_back({42, value});
                        return true;
                    },
                    {}});
    command(41, {3.9, 2.2});
    EXPECT_EQ(sys.state.StateCode, 0);
    command(42, {165.7});
    command(41, {-0.5, 1});   // truncation towards zero: device 0
    // Nonsense from a host commands nothing.
    const double nan = std::nan("");
    command(41, {nan, 1});
    command(41, {0, 1e10});
    command(42, {-1e300});
    command(42, {std::numeric_limits<double>::infinity()});
    EXPECT_EQ(sys.state.StateCode, 0);
    EXPECT_EQ(calls, (std::vector<std::vector<int>>{{41, 3, 2}, {42, 165}, {41, 0, 1}}));

    // A KAV command held behind a busy state machine goes with any stop, as every held command does.
    Commander::Channel host(sys.commander, "TCP/IP");
    sys.state.StateCode = 12;   // a slew runs
    ASSERT_EQ(host.issue(41, {0, 5}), Commander::Outcome::Held);
    ASSERT_EQ(host.issue(42, {7}), Commander::Outcome::Held);
    sys.commander.stop();   // another channel's '#13;'
    for (int i = 0; i < 4; ++i) pass();
    EXPECT_EQ(sys.state.StateCode, 0);
    EXPECT_EQ(calls.size(), 3u);

    // Without a link the codes only return to idle.
    sys.kav.detach();
    command(41, {0, 3});
    EXPECT_EQ(sys.state.StateCode, 0);
    EXPECT_EQ(calls.size(), 3u);
}

}  // namespace
}  // namespace orv
