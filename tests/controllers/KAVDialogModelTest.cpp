// The KAV window's model against the simulated instrument: its buttons return
// at once, the refresh shows what the exchange did, the guide probe follows
// its two A/D channels, and Close ends a wait for a silent instrument.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "controllers/OrvKAVCon.h"
#include "control/System.h"
#include "sim/SimulatedInterface.h"
#include "sim/SimulatedKAV.h"

namespace orv {
namespace {

using Steady = std::chrono::steady_clock;
using namespace std::chrono_literals;

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 5000ms) {
    const auto deadline = Steady::now() + limit;
    while (!done()) {
        if (Steady::now() > deadline) return done();
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

TEST(KAVDialogModelTest, ButtonsReturnAtOnceAndCloseEndsAWait) {
    // Twice as fast: a silent instrument would hold the line 4.5 s, far beyond the bound below.
    RealClock clock(2.0);
    SimulatedInterface bus(clock);
    System sys(clock, bus, SystemOptions{".", false});
    SimulatedKAV instrument(clock);
    KAVLink link(sys);
    link.KAVComPort.DevicePath = instrument.devicePath();
    link.SetKAVMode(1);
    KAVDialogModel model(link, clock);
    EXPECT_EQ(model.bitLabels[7], "Bit-7");
    EXPECT_EQ(model.southFilters[2], "3rd Filter");
    EXPECT_EQ(model.onAxisFilters[5], "6th Filter");

    const auto t0 = Steady::now();
    ASSERT_TRUE(model.ApplySouth(2));
    EXPECT_LT(Steady::now() - t0, 50ms);   // the move itself takes a second of system time
    EXPECT_TRUE(WaitUntil([&] {
        const auto v = model.Refresh();
        return v.statusText == "Success" && v.devices.southPosition == 2;
    }));
    EXPECT_EQ(model.Refresh().statusColour, KAVColour::Lime);

    // The probe at its centre, then 100 A/D units off in x.
    model.FormShow();
    EXPECT_TRUE(WaitUntil([&] { return model.Refresh().guideProbe.y == 0; }));
    bus.holdADChannel(3, 2303);
    EXPECT_TRUE(WaitUntil([&] { return model.Refresh().guideProbe.x == 100; }));

    instrument.setMode(SimulatedKAV::Mode::Silent);
    ASSERT_TRUE(model.UpdateKAVStatus());
    ASSERT_TRUE(WaitUntil([&] { return model.Refresh().statusText == "Attention"; }));
    model.Close();
    // The wait has ended: the next exchange starts at once and the silent
    // instrument's "Retrying" never shows.
    instrument.setMode(SimulatedKAV::Mode::Normal);
    ASSERT_TRUE(model.ApplyPort(3));
    EXPECT_TRUE(WaitUntil([&] { return instrument.truth().port == 3; }, 1000ms));
    EXPECT_TRUE(WaitUntil([&] { return model.Refresh().statusText == "Success"; }));
}

}  // namespace
}  // namespace orv
