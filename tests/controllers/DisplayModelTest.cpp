#include <gtest/gtest.h>

#include <algorithm>

#include <atomic>
#include <cmath>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "astro/TextFormats.h"
#include "control/System.h"
#include "controllers/ChannelModes.h"
#include "controllers/DisplayModel.h"
#include "controllers/HeadlessStatus.h"
#include "core/Clock.h"
#include "core/PortBus.h"

namespace orv {
namespace {

class FakeChannels final : public ChannelModes {
public:
    int ExComMode() const override { return excom; }
    int MNCPMode() const override { return mncp; }
    bool TCPServerActive() const override { return tcp; }
    int excom = 0, mncp = 0;
    bool tcp = false;
};

class DisplayModelTest : public ::testing::Test {
protected:
    DisplayModelTest() : sys(clock, bus, SystemOptions{".", false}), model(sys) {}

    // Runs `n` timer ticks.
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) model.Timer1Timer();
    }
    const DisplayControls& c() const { return model.controls(); }

    ManualClock clock{0, true};
    RecordingBus bus;
    System sys;
    DisplayModel model;
};

TEST_F(DisplayModelTest, SlowPartRunsOnFirstTickAndEveryTwentyFifth) {
    sys.state.GuideRate = 5.0;
    sys.state.RA = 1.0;
    Tick();
    EXPECT_EQ(model.tickCount(), 1u);
    EXPECT_EQ(c().GuideRADis, "5.000");
    EXPECT_EQ(c().TeleRADis, "01 00 00.0");

    // Ticks 1 to 24 show the fast part only.
    sys.state.GuideRate = 7.5;
    sys.state.RA = 2.0;
    Tick(24);
    EXPECT_EQ(c().GuideRADis, "5.000");
    EXPECT_EQ(c().TeleRADis, "02 00 00.0");
    Tick();
    EXPECT_EQ(c().GuideRADis, "7.500");
    EXPECT_EQ(model.tickCount(), 26u);
}

TEST_F(DisplayModelTest, SlewSkipsSlowPartButClearsRateSelectBit) {
    sys.state.SlewInProgress = 1;
    sys.state.StatusFlags1 = status1::Initialized | status1::Slewing;
    sys.state.StatusFlags3 = status3::RateSelectInput | status3::TargetLoaded;
    sys.state.CloudDetected = 1;
    sys.state.Dec = 10.0;
    Tick();
    EXPECT_EQ(sys.state.StatusFlags3.load(), status3::TargetLoaded);
    EXPECT_EQ(c().StatusDis, "");
    EXPECT_EQ(c().SlewingDis, "");
    EXPECT_EQ(c().CloudsDis, "");
    EXPECT_EQ(c().JulianDis, "");
    EXPECT_EQ(c().NextRADis, "");
    EXPECT_EQ(c().TeleDecDis, "10 00 00");

    // The slew ends: the next slow tick shows everything.
    sys.state.SlewInProgress = 0;
    Tick(25);
    EXPECT_EQ(c().StatusDis, "INITIALIZED");
    EXPECT_EQ(c().SlewingDis, "SLEWING");
    EXPECT_EQ(c().CloudsDis, "CLOUDS");
    EXPECT_FALSE(c().NextRADis.empty());
}

TEST_F(DisplayModelTest, ModeTextThroughThePoleWinsOverSide) {
    sys.state.EastSideOperation = 1;
    Tick();
    EXPECT_EQ(c().ModeDis, " East side operation  ");
    sys.state.EastSideOperation = 0;
    model.FastRefresh();
    EXPECT_EQ(c().ModeDis, " West side operation  ");
    sys.state.ThroughPole = 1;
    model.FastRefresh();
    EXPECT_EQ(c().ModeDis, " Through-the-pole LIMIT  ");
    sys.state.EastSideOperation = 1;
    model.FastRefresh();
    EXPECT_EQ(c().ModeDis, " Through-the-pole LIMIT  ");
}

TEST_F(DisplayModelTest, FastPartFormats) {
    sys.state.RA = 2.86081;
    sys.state.Dec = -0.5;
    sys.state.HA = -3.25;
    sys.state.UT = 4.5;
    sys.state.LST = 23.75;
    sys.state.DomeAzimuth = 271.26;
    sys.state.AirMass = 1.23456;
    sys.state.HARateCorrection = -0.0001;
    sys.state.DecRateCorrection = 0.4567;
    sys.state.FocusReading = 1234.6;
    sys.state.ReportedFocus = 100.4;
    sys.state.ReportedFocus2 = 20.3;
    sys.state.ZenithDistance = 45.04;
    sys.state.Azimuth = 180.0;
    sys.state.TelescopeMessage.set("Slewing");
    sys.state.ShutterMessage.set("Shutter open");
    sys.state.StateText.set("12");
    model.FastRefresh();
    EXPECT_EQ(c().TeleRADis, "02 51 38.9");
    EXPECT_EQ(c().TeleDecDis, "-00 30 00");
    EXPECT_EQ(c().TeleHADis, "-03 15 00.0");
    EXPECT_EQ(c().UTimeDis, "04 30 00");
    EXPECT_EQ(c().STimeDis, "23 45 00");
    EXPECT_EQ(c().DomeAzmDis, "271.3");
    EXPECT_EQ(c().TeleMassDis, "1.235");
    EXPECT_EQ(c().CorRADis, "0.000");
    EXPECT_EQ(c().CorDecDis, "0.457");
    EXPECT_EQ(c().FocusDis, "1235");
    EXPECT_EQ(c().EFocusDis, "121");
    EXPECT_EQ(c().TeleZenithDis, "45.0");
    EXPECT_EQ(c().TeleAzmDis, "180.0");
    EXPECT_EQ(c().MyStringDis, "Slewing");
    EXPECT_EQ(c().DomeStringDis, "Shutter open");
    EXPECT_EQ(c().CommandNoStringDis, "12");
}

TEST_F(DisplayModelTest, SlowPartFormats) {
    sys.state.Day = 1;
    sys.state.Month = 1;
    sys.state.Year = 2000.0;
    sys.state.UT = 12.0;
    sys.state.Epoch = 2000.0;
    sys.state.ActiveTrackRateRA = 15.041;
    sys.state.ActiveTrackRateDec = -0.25;
    sys.state.SetRate = 100.0;
    sys.state.TrailRate = 2.5;
    sys.state.TrailLength = 60.0;
    sys.state.TrailAngle = 90.0;
    Tick();
    EXPECT_EQ(c().JulianDis, "2451545.000000");
    EXPECT_EQ(c().UTDateDis, "01 01 2000");
    EXPECT_EQ(c().TeleEpochDis, "2000.0");
    EXPECT_EQ(c().TrackRADis, "15.041");
    EXPECT_EQ(c().TrackDecDis, "-0.250");
    EXPECT_EQ(c().SetRADis, "100.000");
    EXPECT_EQ(c().TrailRateDis, "2.5");
    EXPECT_EQ(c().TrailLenDis, "60.0");
    EXPECT_EQ(c().TrailPADis, "90.0");
    EXPECT_EQ(c().CloudsDis, "        ");
}

TEST(FormatUTDateTest, LeadingZerosAndIntegralYear) {
    EXPECT_EQ(FormatUTDate(3, 7, 2001.18), "03 07 2001");
    EXPECT_EQ(FormatUTDate(12, 31, 1999.999), "12 31 1999");
}

TEST_F(DisplayModelTest, StatusWordOneTexts) {
    sys.state.StatusFlags1 = 0xFF;
    Tick();
    EXPECT_EQ(c().StatusDis, "INITIALIZED");
    EXPECT_TRUE(c().TrackOnOff);
    EXPECT_EQ(c().SlewDis, "SLEW ENABLED");
    EXPECT_TRUE(c().DomeOnOff);
    EXPECT_EQ(c().Limit1Dis, "APPROACHING LIMITS");
    EXPECT_EQ(c().Limit2Dis, "LIMIT REACHED");
    EXPECT_EQ(c().SlewingDis, "SLEWING");

    sys.state.StatusFlags1 = 0;
    model.SlowRefresh();
    EXPECT_EQ(c().StatusDis, "");
    EXPECT_FALSE(c().TrackOnOff);
    EXPECT_EQ(c().SlewDis, "");
    EXPECT_FALSE(c().DomeOnOff);
    EXPECT_EQ(c().Limit1Dis, "");
    EXPECT_EQ(c().Limit2Dis, "");
    EXPECT_EQ(c().SlewingDis, "");
}

TEST_F(DisplayModelTest, StatusWordTwoClearShowsBlanksAndOff) {
    sys.state.StatusFlags2 = 0xF3;
    Tick();
    EXPECT_EQ(c().SettingDis, "SETTING");
    EXPECT_EQ(c().TrailingDis, "TRAILING");
    EXPECT_EQ(c().TargetDis, "TARGET OUT OF RANGE");
    EXPECT_TRUE(c().CosDecOnOff);
    EXPECT_TRUE(c().RateCorOnOff);
    EXPECT_TRUE(c().DrivesOnOff);

    sys.state.StatusFlags2 = 0;
    model.SlowRefresh();
    EXPECT_EQ(c().SettingDis, "       ");
    EXPECT_EQ(c().TrailingDis, "        ");
    EXPECT_EQ(c().TargetDis, "");
    EXPECT_FALSE(c().CosDecOnOff);
    EXPECT_FALSE(c().RateCorOnOff);
    EXPECT_FALSE(c().DrivesOnOff);
}

TEST_F(DisplayModelTest, StatusWordThreePaddleAndDome) {
    sys.state.StatusFlags3 = status3::PaddleNorth | status3::PaddleWest;
    Tick();
    EXPECT_EQ(c().NSEWDis, "N  W");
    EXPECT_EQ(c().DomeDis, "HOME ");

    sys.state.StatusFlags3 = status3::DomeTrack | status3::PaddleSouth | status3::PaddleEast;
    model.SlowRefresh();
    EXPECT_EQ(c().NSEWDis, " SE ");
    EXPECT_EQ(c().DomeDis, "TRACK");
}

TEST_F(DisplayModelTest, NextObjectShownWhileLoadedAndPartlyEmptiedAfter) {
    sys.params.Latitude = 40.0;
    sys.params.SinLatitude = std::sin(40.0 * 0.017453292519943295769);
    sys.params.CosLatitude = std::cos(40.0 * 0.017453292519943295769);
    sys.state.NextRA = 2.86081;
    sys.state.NextHA = 0.0;
    sys.state.NextDec = 40.0;
    sys.state.NextEpoch = 2000.0;
    sys.state.StatusFlags3 = status3::TargetLoaded;
    Tick();
    EXPECT_EQ(c().NextRADis, "02 51 38.9");
    EXPECT_EQ(c().NextHADis, "00 00 00.0");
    EXPECT_EQ(c().NextDecDis, "40 00 00");
    EXPECT_EQ(c().NextEpochDis, "2000.0");
    EXPECT_EQ(c().NextZenithDis, "0.0");
    EXPECT_EQ(c().NextMassDis, "1.000");   // at the zenith

    // Unloading empties HA and air mass; the rest keeps the last object.
    sys.state.StatusFlags3 = 0;
    model.SlowRefresh();
    EXPECT_EQ(c().NextHADis, "");
    EXPECT_EQ(c().NextMassDis, "");
    EXPECT_EQ(c().NextRADis, "02 51 38.9");
    EXPECT_EQ(c().NextDecDis, "40 00 00");
}

TEST_F(DisplayModelTest, GroupRewrittenOnlyWhenItsLowByteChanges) {
    sys.state.StatusFlags1 = status1::Initialized;
    sys.state.StatusFlags2 = status2::DrivesOn;
    sys.state.StatusFlags3 = status3::DomeTrack;
    Tick();
    model.controls().StatusDis = "by hand 1";
    model.controls().SettingDis = "by hand 2";
    model.controls().DomeDis = "by hand 3";

    // Same low bytes, and bits above the low byte do not count.
    sys.state.StatusFlags1 = status1::Initialized | status1::CommandBusy;
    sys.state.StatusFlags2 = status2::DrivesOn | status2::FocusMoving;
    model.SlowRefresh();
    EXPECT_EQ(c().StatusDis, "by hand 1");
    EXPECT_EQ(c().SettingDis, "by hand 2");
    EXPECT_EQ(c().DomeDis, "by hand 3");

    // A change in one word rewrites that group alone.
    sys.state.StatusFlags2 = status2::DrivesOn | status2::Setting;
    model.SlowRefresh();
    EXPECT_EQ(c().StatusDis, "by hand 1");
    EXPECT_EQ(c().SettingDis, "SETTING");
    EXPECT_EQ(c().DomeDis, "by hand 3");
}

TEST_F(DisplayModelTest, RateSelectBitIsClearedBeforeTheThirdWordIsCompared) {
    sys.state.StatusFlags3 = status3::DomeTrack;
    Tick();
    model.controls().DomeDis = "by hand";
    // The input monitor sets the rate-select bit between refreshes; the display
    // clears it first, so the group counts as unchanged.
    setBits(sys.state.StatusFlags3, status3::RateSelectInput);
    model.SlowRefresh();
    EXPECT_EQ(c().DomeDis, "by hand");
    EXPECT_EQ(sys.state.StatusFlags3.load(), status3::DomeTrack);
}

// A word that still equals its start byte at the first refresh is not rewritten,
// so the controls must already show what that byte means.
TEST_F(DisplayModelTest, WordsEqualToStartBytesAreShownTruthfully) {
    sys.state.StatusFlags1 = DisplayModel::StartShown1;
    sys.state.StatusFlags2 = DisplayModel::StartShown2;
    sys.state.StatusFlags3 = DisplayModel::StartShown3;
    Tick();
    EXPECT_EQ(c().Limit2Dis, "LIMIT REACHED");
    EXPECT_EQ(c().Limit1Dis, "");
    EXPECT_EQ(c().StatusDis, "");
    EXPECT_FALSE(c().TrackOnOff);
    EXPECT_EQ(c().SettingDis, "SETTING");
    EXPECT_EQ(c().TrailingDis, "        ");
    EXPECT_FALSE(c().DrivesOnOff);
    EXPECT_EQ(c().DomeDis, "HOME ");
    EXPECT_EQ(c().NSEWDis, "    ");
}

TEST_F(DisplayModelTest, ChannelModes) {
    // No channel objects: both serial channels off, the server inactive.
    Tick();
    EXPECT_EQ(c().ExComModeDis, "Off");
    EXPECT_EQ(c().MNCPModeDis, "Off");
    EXPECT_EQ(c().TCPModeDis, "Off");

    FakeChannels channels;
    model.setChannels(&channels);
    channels.excom = 1;
    channels.mncp = 1;
    channels.tcp = true;
    model.SlowRefresh();  // no status word changed: the modes are shown anyway
    EXPECT_EQ(c().ExComModeDis, "Active");
    EXPECT_EQ(c().MNCPModeDis, "Active");
    EXPECT_EQ(c().TCPModeDis, "Active");

    // A mode other than 0 or 1 leaves the text.
    channels.excom = 2;
    channels.mncp = 0;
    channels.tcp = false;
    model.SlowRefresh();
    EXPECT_EQ(c().ExComModeDis, "Active");
    EXPECT_EQ(c().MNCPModeDis, "Off");
    EXPECT_EQ(c().TCPModeDis, "Off");
}

TEST_F(DisplayModelTest, StatusLogLinesGoToTheSinkOncePerTick) {
    std::vector<std::vector<std::string>> batches;
    model.setLogSink([&](const std::vector<std::string>& lines) { batches.push_back(lines); });
    sys.log.AddLog("first");
    sys.log.AddLog("second");
    Tick();
    Tick();  // nothing pending: the sink is not called
    sys.log.AddLog("third");
    Tick();
    ASSERT_EQ(batches.size(), 2u);
    EXPECT_EQ(batches[0], (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(batches[1], (std::vector<std::string>{"third"}));
    EXPECT_EQ(sys.log.lines(), (std::vector<std::string>{"first", "second", "third"}));
}

// The display ticks while a task thread changes the state and queues log lines:
// every line it shows came in order and none twice, and once the task has
// stopped the next tick shows its last values.
TEST_F(DisplayModelTest, TicksWhileATaskWritesTheState) {
    std::atomic<bool> stop{false};
    std::atomic<int> passes{0};
    std::thread task([&] {
        for (int i = 0; !stop; ++i) {
            assignBits(sys.state.StatusFlags3, status3::RateSelectInput, i % 2 == 0);
            sys.state.RA = (i % 240) * 0.1;
            sys.state.StateText.set(std::to_string(i % 30));
            sys.log.AddLog("pass " + std::to_string(i));
            passes = i + 1;
            std::this_thread::yield();
        }
    });
    std::vector<int> shown;
    model.setLogSink([&](const std::vector<std::string>& lines) {
        for (const auto& line : lines) shown.push_back(std::stoi(line.substr(5)));
    });
    while (passes == 0) std::this_thread::yield();   // the task runs
    for (int i = 0; i < 200; ++i) Tick();
    stop = true;
    task.join();
    sys.state.RA = 12.5;   // a value set after the task, shown by the next slow tick
    Tick(25);

    ASSERT_FALSE(shown.empty());
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_EQ(std::adjacent_find(shown.begin(), shown.end()), shown.end()) << "a line shown twice";
    EXPECT_LT(shown.back(), passes.load());
    EXPECT_EQ(model.tickCount(), 225u);
    EXPECT_EQ(c().TeleRADis, "12 30 00.0");
}

TEST(TimestampedLogLineTest, UtcCalendarDate) {
    EXPECT_EQ(TimestampedLogLine(1796702706000, "text"), "2026-12-08 04:05:06Z text");
    EXPECT_EQ(TimestampedLogLine(1796702706999, "x"), "2026-12-08 04:05:06Z x");
    EXPECT_EQ(TimestampedLogLine(0, ""), "1970-01-01 00:00:00Z ");
    EXPECT_EQ(TimestampedLogLine(951868799000, "leap"), "2000-02-29 23:59:59Z leap");
    EXPECT_EQ(TimestampedLogLine(-1, "before"), "1969-12-31 23:59:59Z before");
    EXPECT_EQ(TimestampedLogLine(-2208988800000, "y"), "1900-01-01 00:00:00Z y");
}

TEST(TimestampedLogLineTest, WritesOneLinePerMessage) {
    std::ostringstream out;
    WriteTimestampedLog(out, 0, {"a", "b"});
    EXPECT_EQ(out.str(), "1970-01-01 00:00:00Z a\n1970-01-01 00:00:00Z b\n");
}

TEST_F(DisplayModelTest, HeadlessLineShowsPositionAndSetStatusTexts) {
    sys.state.UT = 4.0;
    sys.state.LST = 10.5;
    sys.state.RA = 2.86081;
    sys.state.Dec = -0.5;
    sys.state.StateText.set("0");
    sys.state.StatusFlags1 = status1::Initialized | status1::TrackingSwitch;
    sys.state.StatusFlags2 = status2::DrivesOn;
    Tick();
    const std::string line = HeadlessStatusLine(c());
    EXPECT_EQ(line,
              "UT 04 00 00  ST 10 30 00  RA 02 51 38.9  Dec -00 30 00  Code 0  Track On  Drives On"
              "  Dome Off | INITIALIZED");
    EXPECT_EQ(line.find('\n'), std::string::npos);

    sys.state.TelescopeMessage.set("Tracking");
    model.FastRefresh();
    EXPECT_EQ(HeadlessStatusLine(c()).substr(line.size()), " | Tracking");
}

}  // namespace
}  // namespace orv
