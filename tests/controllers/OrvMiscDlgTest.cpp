#include "controllers/OrvMiscDlg.h"

#include <gtest/gtest.h>

#include "control/System.h"
#include "core/Clock.h"
#include "core/PortBus.h"

namespace orv {
namespace {

class MiscDlgTest : public ::testing::Test {
protected:
    // Runs the state machine's pick-ups as it would, without the handlers: each
    // code taken is recorded with its first parameter and finished at once.
    std::vector<std::pair<int, double>> RunStateMachine() {
        std::vector<std::pair<int, double>> ran;
        for (int code; (code = sys.commander.take()) != 0;) {
            ran.emplace_back(code, sys.state.CommandParam[1].load());
            sys.state.StateCode = 0;
        }
        return ran;
    }

    ManualClock clock{0, true};
    RecordingBus bus;
    System sys{clock, bus, SystemOptions{".", false}};
    OrvMiscDlg misc{sys};
};

TEST_F(MiscDlgTest, OpensOnTrackAndTheSwitchesGoOneAfterAnother) {
    sys.state.StatusFlags2 = status2::RateCorrection;   // cosine of declination off
    sys.state.DomeOn = 1;
    sys.state.DomeTrack = 0;                           // the dome is at home
    sys.state.FocusReading = 2048.5;
    sys.state.Epoch = 2024.5;
    const MiscFields f = misc.MiscMnuClick();
    EXPECT_EQ(f.switches, (SwitchFields{false, true, true, true}));
    EXPECT_EQ(f.Focus, 2048.5);
    EXPECT_EQ(f.Epoch, 2024.5);

    // Apply as opened: dome tracking requested.
    misc.ApplySwitchBtnClick(f.switches);
    EXPECT_EQ(RunStateMachine(), (std::vector<std::pair<int, double>>{{18, 0}, {19, 1}, {20, 1}, {21, 0}}));

    // "Home" is 1; a stop after the first drops the rest.
    misc.ApplySwitchBtnClick({true, false, false, false});
    EXPECT_EQ(sys.commander.take(), 18);
    EXPECT_EQ(sys.state.CommandParam[1], 1);
    sys.state.StateCode = 0;
    sys.commander.stop();
    const auto ran = RunStateMachine();
    ASSERT_EQ(ran.size(), 1u);
    EXPECT_EQ(ran[0].first, 13);
    misc.ApplySwitchBtnClick({false, false, false, false});
    EXPECT_EQ(RunStateMachine().back(), (std::pair<int, double>{21, 1}));
}

TEST_F(MiscDlgTest, ShutterOpenClearsTheCloudLatchFirstCloseLeavesIt) {
    sys.state.CloudDetected = 1;
    sys.state.CloudHandled = 1;
    misc.ShutterCloseBtnClick();
    EXPECT_EQ(RunStateMachine(), (std::vector<std::pair<int, double>>{{36, 0}}));
    EXPECT_EQ(sys.state.CloudDetected, 1);
    EXPECT_EQ(sys.state.CloudHandled, 1);

    sys.state.StateCode = 99;   // busy: the open is held, the latch is cleared already
    misc.ShutterOpenBtnClick();
    EXPECT_EQ(sys.state.CloudDetected, 0);
    EXPECT_EQ(sys.state.CloudHandled, 0);
    sys.state.StateCode = 0;
    EXPECT_EQ(RunStateMachine(), (std::vector<std::pair<int, double>>{{36, 1}}));
}

TEST_F(MiscDlgTest, DomeAzimuthInRadiansAndTheOtherApplies) {
    misc.ApplyDomeAzBtnClick(360);
    EXPECT_EQ(sys.state.StateCode, 34);
    EXPECT_NEAR(sys.state.CommandParam[1], 6.283185307179586, 1e-12);
    sys.state.StateCode = 0;
    misc.ApplyDomeAzBtnClick(90);
    EXPECT_NEAR(sys.state.CommandParam[1], 1.5707963267948966, 1e-12);
    sys.state.StateCode = 0;
    misc.ApplyEpochBtnClick(2000);
    EXPECT_EQ(RunStateMachine(), (std::vector<std::pair<int, double>>{{22, 2000}}));
    misc.ApplyFocusBtnClick(1300.5);
    EXPECT_EQ(RunStateMachine(), (std::vector<std::pair<int, double>>{{27, 1300.5}}));

    misc.EastWestButtonClick(false);
    EXPECT_EQ(sys.state.EastSideOperation, 0);
    EXPECT_EQ(sys.state.StateCode, 0);   // no command

    const RealSpinSettings focus = OrvMiscDlg::FocusSpin();
    EXPECT_EQ(focus.limits.MinValue, 1050);
    EXPECT_EQ(focus.limits.MaxValue, 3500);
}

}  // namespace
}  // namespace orv
