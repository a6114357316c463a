#include "controllers/OrvTimeSetup.h"

#include <gtest/gtest.h>

#include "config/ScratchDir.h"
#include "control/System.h"
#include "core/Clock.h"
#include "core/PortBus.h"

namespace orv {
namespace {

using testing::ReadWholeFile;
using testing::ScratchDir;
using testing::WriteWholeFile;

TEST(ElapsedTime, WholeHoursMinutesSeconds) {
    EXPECT_EQ(ElapsedTimeText(0), "0:00:00");
    EXPECT_EQ(ElapsedTimeText((3600 + 2 * 60 + 3) * 1000 + 999), "1:02:03");
    EXPECT_EQ(ElapsedTimeText(25 * 3600 * 1000), "25:00:00");
}

class TimeSetupTest : public ::testing::Test {
protected:
    // Advances the clock to `ms` and runs the timer; whether code 1 was sent.
    bool RequestAt(OrvTimeSetup& t, int64_t ms) {
        clock.advance(ms - clock.nowMs());
        state.StateCode = 0;
        for (int i = 1; i <= 4; ++i) state.CommandParam[size_t(i)] = 9;
        t.Poll();
        if (state.StateCode != 1) return false;
        for (int i = 1; i <= 4; ++i) EXPECT_EQ(state.CommandParam[size_t(i)], 0.0);
        return true;
    }

    ScratchDir dir;
    std::string path = dir.file("WinOrv.ini");
    ManualClock clock;
    RecordingBus bus;
    System sys{clock, bus, SystemOptions{".", false}};
    TelescopeState& state = sys.state;
    Commander& commander = sys.commander;
};

TEST_F(TimeSetupTest, HalfAnHourSendsCodeOneEvery1800000Ms) {
    OrvTimeSetup t(clock, commander, path);
    EXPECT_EQ(t.IntervalHours(), 1.0);
    EXPECT_FALSE(t.Synchronize());
    t.SetIntervalHours(0.5);
    EXPECT_FALSE(RequestAt(t, 1800000));   // off
    t.SetSynchronize(true);                // counts from now
    EXPECT_EQ(t.TimerIntervalMs(), 1800000);
    EXPECT_FALSE(RequestAt(t, 3599999));
    EXPECT_TRUE(RequestAt(t, 3600000));
    EXPECT_EQ(t.LastSyncTime(), clock.utcMs());
    EXPECT_EQ(t.LastUpdateText(), "0:00:00");
    EXPECT_FALSE(RequestAt(t, 5399999));
    EXPECT_TRUE(RequestAt(t, 5400050));    // a late tick does not shift the rhythm
    EXPECT_TRUE(RequestAt(t, 7200000));
    clock.advance(90000000);
    EXPECT_EQ(t.LastUpdateText(), "25:00:00");

    t.SetIntervalHours(0);                 // enabled, but never fires
    EXPECT_FALSE(RequestAt(t, clock.nowMs() + 100000000));
}

TEST_F(TimeSetupTest, StoredSettingsStartSynchronisingAndSaveWritesThem) {
    WriteWholeFile(path, "[TimeUpdate]\r\nInterval=5400000\r\nEnabled=1\r\n");
    OrvTimeSetup t(clock, commander, path);
    EXPECT_EQ(t.IntervalHours(), 1.5);
    EXPECT_TRUE(t.Synchronize());
    EXPECT_TRUE(RequestAt(t, 5400000));

    t.SetIntervalHours(0.25);
    t.SetSynchronize(false);
    ASSERT_EQ(t.SaveSettings(), std::nullopt);
    EXPECT_EQ(ReadWholeFile(path), "[TimeUpdate]\r\nInterval=900000\r\nEnabled=0\r\n");
}

}  // namespace
}  // namespace orv
