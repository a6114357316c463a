// The Movement, Initialization and Rates windows' models: what each button
// sends through the command door (exact codes and parameters), what the menu
// loads into the fields, and the hand-paddle pair of commands.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control/StateMachine.h"
#include "control/System.h"
#include "controllers/OrvInitDlg.h"
#include "controllers/OrvMoveDlg.h"
#include "controllers/OrvRateDlg.h"
#include "core/Clock.h"
#include "core/PortBus.h"

namespace orv {
namespace {

// A command as it stands in the shared state: the code and CommandParam[1..4].
struct Sent {
    int code;
    std::vector<double> params;
    bool operator==(const Sent&) const = default;
};

void PrintTo(const Sent& s, std::ostream* os) {
    *os << "code " << s.code << " {";
    for (double p : s.params) *os << ' ' << p;
    *os << " }";
}

class WindowModels : public ::testing::Test {
protected:
    WindowModels() : sys(clock, bus, SystemOptions{".", false}) {}

    // Clears the handshake, marking every parameter so that one left unwritten shows.
    void Reset() {
        sys.state.StateCode = 0;
        sys.state.StopRequest = 0;
        for (auto& p : sys.state.CommandParam) p = 99;
    }
    Sent sent(size_t params = 4) const {
        Sent s{sys.state.StateCode, {}};
        for (size_t i = 1; i <= params; ++i) s.params.push_back(sys.state.CommandParam[i]);
        return s;
    }

    ManualClock clock{0, true};
    RecordingBus bus;
    System sys;
};

TEST_F(WindowModels, MovementButtonsSendTheirCodesParametersFirst) {
    OrvMoveDlg move(sys);
    struct Case {
        const char* button;
        std::function<void()> click;
        Sent expected;
    };
    const std::vector<Case> cases = {
        {"RA/Dec Apply", [&] { move.ApplySlewSpinClick({10.5, -20.25, 2000}); }, {6, {10.5, -20.25, 2000, 99}}},
        {"RA/Dec Apply, epoch 0", [&] { move.ApplySlewSpinClick({1, 2, 0}); }, {6, {1, 2, 0, 99}}},
        {"HA/Dec Apply", [&] { move.ApplyHSlewSpinClick(-1.5, 12); }, {33, {-1.5, 12, 0, 99}}},
        {"Offset Apply", [&] { move.ApplyOffBtnClick(30, -15); }, {7, {30, -15, 99, 99}}},
        {"Zenith Apply", [&] { move.ApplyZenithBtnClick(); }, {10, {99, 99, 99, 99}}},
        {"Cover Apply", [&] { move.SlewToCoverBtnClick(); }, {33, {-4.83, 0, 0, 99}}},
        {"Start Slew", [&] { move.StartSlewBtnClick(); }, {12, {99, 99, 99, 99}}},
        {"Start Trail", [&] { move.StartTrailBtnClick(); }, {11, {99, 99, 99, 99}}},
    };
    for (const Case& c : cases) {
        Reset();
        c.click();
        EXPECT_EQ(sent(), c.expected) << c.button;
    }
    Reset();
    move.StopBtnClick();
    EXPECT_EQ(sys.state.StateCode, 13);
    EXPECT_EQ(sys.state.StopRequest, 1);
    // The cover position is -4 h 49 min 48 s.
    EXPECT_NEAR(CoverHourAngle, -(4 + 49 / 60.0 + 48 / 3600.0), 1e-12);
}

TEST_F(WindowModels, RADecTargetWithEpochZeroTakesTheDisplayEquinox) {
    OrvMoveDlg move(sys);
    sys.state.Epoch = 2024.5;
    setBits(sys.state.StatusFlags1, status1::Initialized);   // the date was set
    Reset();
    move.ApplySlewSpinClick({5.575, 22.0167, 0});
    sys.stateMachine->Dispatch(sys.state.StateCode);
    EXPECT_DOUBLE_EQ(sys.state.NextEpoch, 2024.5);
    EXPECT_NEAR(sys.state.NextRA, 5.575, 1e-9);
}

TEST_F(WindowModels, LibraryApplySendsTheNumberOfTheSelectedRow) {
    OrvMoveDlg move(sys);
    Reset();
    EXPECT_TRUE(move.ApplyLibBtnClick(LibrarySize));   // the last row, in number order
    EXPECT_EQ(sent(1), (Sent{8, {823}}));

    move.SortByRadioClick(1);   // by common name
    const auto hit = move.FindDialog1Find("Sirius", 0, true);
    ASSERT_TRUE(hit.found);
    Reset();
    ASSERT_TRUE(move.ApplyLibBtnClick(hit.gridRow));
    const int number = static_cast<int>(sys.state.CommandParam[1]);
    EXPECT_TRUE(number == 228 || number == 501) << number;
    EXPECT_EQ(sys.state.StateCode, 8);

    const auto miss = move.FindDialog1Find("Sirius B", hit.gridRow, true);
    EXPECT_EQ(miss.message, "Not Found: Sirius B");
    // No record row selected: nothing is sent.
    Reset();
    EXPECT_FALSE(move.ApplyLibBtnClick(0));
    EXPECT_EQ(sys.state.StateCode, 0);
}

TEST_F(WindowModels, MarkPageSendsTheEntryIndexAndStoresTheTelescopePosition) {
    OrvMoveDlg move(sys);
    Reset();
    EXPECT_TRUE(move.ApplyTableBtnClick(1));   // the first data row
    EXPECT_EQ(sent(1), (Sent{9, {0}}));
    Reset();
    EXPECT_TRUE(move.ApplyTableBtnClick(500));
    EXPECT_EQ(sent(1), (Sent{9, {499}}));
    Reset();
    EXPECT_FALSE(move.ApplyTableBtnClick(0));   // the title row
    EXPECT_EQ(sys.state.StateCode, 0);

    sys.marks->setEntry(0, {"first", 1, 2, 2000});
    sys.state.RA = 5.5;
    sys.state.Dec = -12.5;
    sys.state.Epoch = 2024.0;
    sys.marks->setMarksChanged(false);
    EXPECT_TRUE(move.UseCurrentBtnClick(1));
    const TMarkEntry inserted = sys.marks->entry(0);
    EXPECT_EQ(inserted.description, "");
    EXPECT_DOUBLE_EQ(inserted.RA, 5.5);
    EXPECT_DOUBLE_EQ(inserted.Dec, -12.5);
    EXPECT_DOUBLE_EQ(inserted.Epoch, 2024.0);
    EXPECT_EQ(sys.marks->entry(1).description, "first");
    EXPECT_TRUE(sys.marks->MarksChanged());

    sys.marks->setEntry(3, {"Ngc 1952", 5.575, 22.0167, 2000});
    EXPECT_EQ(move.FindMarkStep(1, "ngc").row, 4);
    const auto miss = move.FindMarkStep(4, "ngc");   // never the selected row itself
    EXPECT_EQ(miss.row, 0);
    EXPECT_EQ(miss.message, "Not Found: \"ngc\"");
}

TEST_F(WindowModels, UnsavedMarksAreOfferedAtExitAndCancelKeepsTheProgram) {
    OrvMoveDlg move(sys);
    std::vector<std::string> asked;
    SaveAnswer answer = SaveAnswer::Cancel;
    MarkFileDialogs dialogs{[&](const std::string& q) {
                                asked.push_back(q);
                                return answer;
                            },
                            [](const std::string&) { return std::nullopt; }, [] { return std::nullopt; }};
    EXPECT_TRUE(move.QuerySaveMarksAtExit(dialogs).done);   // nothing changed: no question
    EXPECT_TRUE(asked.empty());

    move.DeleteBtnClick(1);
    EXPECT_FALSE(move.QuerySaveMarksAtExit(dialogs).done);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], "Save Changes?");
    answer = SaveAnswer::No;
    EXPECT_TRUE(move.QuerySaveMarksAtExit(dialogs).done);
    // Yes, then the save dialog cancelled: the program stays.
    answer = SaveAnswer::Yes;
    EXPECT_FALSE(move.QuerySaveMarksAtExit(dialogs).done);
}

TEST_F(WindowModels, InitializationButtonsSendTheirCodes) {
    OrvInitDlg init(sys);
    struct Case {
        const char* button;
        std::function<void()> click;
        Sent expected;
    };
    const std::vector<Case> cases = {
        {"Date/Time Apply", [&] { init.ApplyDateTimeBtnClick({2024, 3, 20, 22.5}); }, {1, {2024, 3, 20, 22.5}}},
        {"Telescope RA 0, Dec 0", [&] { init.ApplyTelePosBtnClick({0, 0, 0}); }, {3, {0, 0, 0, 99}}},
        {"Telescope Apply", [&] { init.ApplyTelePosBtnClick({6.75, -16.7, 2000}); }, {3, {6.75, -16.7, 2000, 99}}},
        {"Dome 0", [&] { init.ApplyDomeBtnClick(0); }, {2, {0, 99, 99, 99}}},
        {"Rotator", [&] { init.ApplyRotatorBtnClick(-45); }, {4, {-45, 99, 99, 99}}},
        {"Focus", [&] { init.ApplyFocusBtnClick(2048); }, {5, {2048, 99, 99, 99}}},
    };
    for (const Case& c : cases) {
        Reset();
        c.click();
        EXPECT_EQ(sent(), c.expected) << c.button;
    }
}

TEST_F(WindowModels, WindowsDateTimeIsThePCClockInUTC) {
    // 2024-03-20 23:59:59.500 UTC: 19802 days after 1970-01-01.
    clock.setUtcBase((19802LL * 86400 + 86399) * 1000 + 500);
    OrvInitDlg init(sys);
    Reset();
    const DateTimeFields shown = init.WinDateBtnClick();
    EXPECT_EQ(sys.state.StateCode, 1);
    EXPECT_EQ(sys.state.CommandParam[1], 2024);
    EXPECT_EQ(sys.state.CommandParam[2], 3);
    EXPECT_EQ(sys.state.CommandParam[3], 20);
    EXPECT_NEAR(sys.state.CommandParam[4], 23.99986, 0.000005);
    EXPECT_EQ(shown, (DateTimeFields{2024, 3, 20, sys.state.CommandParam[4]}));

    // A leap day, at midnight.
    EXPECT_EQ(UtcDateTime(19782LL * 86400 * 1000), (DateTimeFields{2024, 2, 29, 0}));
}

TEST_F(WindowModels, InitializationFieldsFromTheState) {
    OrvInitDlg init(sys);
    sys.state.LST = 7.25;
    sys.params.Latitude = 31.9;
    sys.state.Epoch = 2000;
    const PositionFields zenith = init.FormCreate();
    EXPECT_DOUBLE_EQ(zenith.RA, 7.25);
    EXPECT_DOUBLE_EQ(zenith.Dec, 31.9);
    EXPECT_DOUBLE_EQ(zenith.Epoch, 2000);

    sys.state.Year = 2024.97;
    sys.state.Month = 12;
    sys.state.Day = 21;
    sys.state.UT = 3.5;
    EXPECT_EQ(init.InitMnuClick(), (DateTimeFields{2024, 12, 21, 3.5}));
}

TEST_F(WindowModels, TelescopeAzimuthFollowsTheTelescopeNotTheTarget) {
    OrvInitDlg init(sys);
    sys.state.Dec = 0;
    sys.state.HA = -3;   // east of the meridian
    const double east = init.TeleAzmBtnClick();
    sys.state.HA = 3;
    const double west = init.TeleAzmBtnClick();
    // The dome's geometry moves the slit from the sky's azimuth; the sides stay.
    EXPECT_GT(east, 0);
    EXPECT_LT(east, 180);
    EXPECT_GT(west, 180);
    EXPECT_LT(west, 360);
    // During a slew the dome aims at the target; the button still gives the telescope's.
    sys.state.SlewInProgress = 1;
    sys.state.NextHA = -3;
    sys.state.NextDec = 0;
    EXPECT_DOUBLE_EQ(init.TeleAzmBtnClick(), west);
}

TEST_F(WindowModels, RatesButtonsAndTheTrackRateSpins) {
    OrvRateDlg rates(sys);
    Reset();
    rates.ApplyTrackBtnClick(15.041, -0.5, 1, 2);
    EXPECT_EQ(sent(), (Sent{14, {15.041, -0.5, 1, 2}}));
    Reset();
    rates.TrailBtnClick(10, 600, 90);
    EXPECT_EQ(sent(), (Sent{17, {10, 600, 90, 99}}));

    // The increment "10" steps a track-rate spin by 10 arcsec/s.
    ASSERT_EQ(IncrementText(4), "10");
    RealSpinModel ra(OrvRateDlg::TrackRateSpin(4));
    ra.setValue(15.041);
    ra.step(+1);
    EXPECT_NEAR(ra.value(), 25.041, 1e-9);
    EXPECT_NEAR(IncrementOf(0), 0.001, 1e-15);
    EXPECT_NEAR(IncrementOf(6), 1000, 1e-9);
    // A typed -15000 is held at -14400.
    ra.textEdited("-15000");
    EXPECT_DOUBLE_EQ(ra.value(), -14400);
}

TEST_F(WindowModels, PaddleRatesSendTheGuideRateOnceTheSetRateWasTaken) {
    OrvRateDlg rates(sys);
    Reset();
    rates.ApplyHandBtnClick(100, 5);
    EXPECT_EQ(sent(1), (Sent{16, {100}}));
    EXPECT_TRUE(rates.StepHandRates());   // not taken yet
    // The state machine takes it and runs it...
    RecordTaken(sys.state.LastTaken, 16);
    EXPECT_TRUE(rates.StepHandRates());
    EXPECT_EQ(sys.state.StateCode, 16);
    // ...and is done.
    sys.state.StateCode = 0;
    EXPECT_FALSE(rates.StepHandRates());
    EXPECT_EQ(sent(1), (Sent{15, {5}}));
    EXPECT_FALSE(rates.handRatesPending());

    // A sequence waiting when the program stops ends without its second command.
    Reset();
    rates.ApplyHandBtnClick(200, 7);
    sys.terminating = true;
    EXPECT_FALSE(rates.StepHandRates());
    EXPECT_EQ(sent(1), (Sent{16, {200}}));
    sys.terminating = false;
}

}  // namespace
}  // namespace orv
