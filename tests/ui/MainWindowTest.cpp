#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <string>
#include <utility>
#include <vector>

#include "SchemeTable.h"
#include "Screenshot.h"
#include "control/System.h"
#include "controllers/ChannelModes.h"
#include "controllers/DisplayModel.h"
#include "controllers/OrvMainForm.h"
#include "core/Clock.h"
#include "core/PortBus.h"
#include "ui/TAboutDlg.h"
#include "ui/TForm1.h"
#include "ui/TOnOffBox.h"

namespace orv::ui {
namespace {

using DC = DisplayControls;

class TcpActive final : public ChannelModes {
public:
    int ExComMode() const override { return 0; }
    int MNCPMode() const override { return 1; }
    bool TCPServerActive() const override { return true; }
};

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() : sys(clock, bus, SystemOptions{".", false}), model(sys, &channels), form(sys.commander),
                       window(form) {}

    // `n` display ticks, each shown by the window as the program does.
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            model.Timer1Timer();
            window.showControls(model.controls());
        }
    }
    QString Shown(const char* name) const {
        const auto* label = window.findChild<QLabel*>(name);
        return label ? label->text() : "<no " + QString(name) + ">";
    }

    ManualClock clock{0, true};
    RecordingBus bus;
    System sys;
    TcpActive channels;
    DisplayModel model;
    OrvMainForm form;
    TForm1 window;
};

// Every text field of the display, under its window name, and what it shows.
const std::vector<std::pair<const char*, std::string DC::*>> TextFields = {
    {"TeleHADis", &DC::TeleHADis},       {"TeleRADis", &DC::TeleRADis},
    {"TeleDecDis", &DC::TeleDecDis},     {"TeleEpochDis", &DC::TeleEpochDis},
    {"TeleMassDis", &DC::TeleMassDis},   {"TeleZenithDis", &DC::TeleZenithDis},
    {"NextHADis", &DC::NextHADis},       {"NextRADis", &DC::NextRADis},
    {"NextDecDis", &DC::NextDecDis},     {"NextEpochDis", &DC::NextEpochDis},
    {"NextMassDis", &DC::NextMassDis},   {"NextZenithDis", &DC::NextZenithDis},
    {"UTDateDis", &DC::UTDateDis},       {"UTimeDis", &DC::UTimeDis},
    {"STimeDis", &DC::STimeDis},         {"JulianDis", &DC::JulianDis},
    {"DomeAzmDis", &DC::DomeAzmDis},     {"TeleAzmDis", &DC::TeleAzmDis},
    {"FocusDis", &DC::FocusDis},         {"EFocusDis", &DC::EFocusDis},
    {"TrackRADis", &DC::TrackRADis},     {"TrackDecDis", &DC::TrackDecDis},
    {"GuideRADis", &DC::GuideRADis},     {"SetRADis", &DC::SetRADis},
    {"CorRADis", &DC::CorRADis},         {"CorDecDis", &DC::CorDecDis},
    {"TrailRateDis", &DC::TrailRateDis}, {"TrailLenDis", &DC::TrailLenDis},
    {"TrailPADis", &DC::TrailPADis},     {"ModeDis", &DC::ModeDis},
    {"Limit1Dis", &DC::Limit1Dis},       {"Limit2Dis", &DC::Limit2Dis},
    {"TargetDis", &DC::TargetDis},       {"NSEWDis", &DC::NSEWDis},
    {"SlewDis", &DC::SlewDis},           {"SlewingDis", &DC::SlewingDis},
    {"SettingDis", &DC::SettingDis},     {"TrailingDis", &DC::TrailingDis},
    {"DomeDis", &DC::DomeDis},           {"StatusDis", &DC::StatusDis},
    {"CloudsDis", &DC::CloudsDis},       {"ExComModeDis", &DC::ExComModeDis},
    {"MNCPModeDis", &DC::MNCPModeDis},   {"TCPModeDis", &DC::TCPModeDis},
    {"MyStringDis", &DC::MyStringDis},   {"DomeStringDis", &DC::DomeStringDis},
    {"CommandNoStringDis", &DC::CommandNoStringDis},
};
const std::vector<std::pair<const char*, bool DC::*>> OnOffBoxes = {
    {"DomeOnOff", &DC::DomeOnOff},       {"TrackOnOff", &DC::TrackOnOff}, {"DrivesOnOff", &DC::DrivesOnOff},
    {"RateCorOnOff", &DC::RateCorOnOff}, {"CosDecOnOff", &DC::CosDecOnOff},
};

TEST_F(MainWindowTest, EachFieldShowsItsOwnControlOfTheModel) {
    DisplayControls controls;
    for (const auto& [name, value] : TextFields) controls.*value = std::string("shows ") + name;
    window.showControls(controls);
    for (const auto& [name, value] : TextFields) EXPECT_EQ(Shown(name), QString("shows ") + name);

    for (const auto& [lit, litValue] : OnOffBoxes) {
        DisplayControls one;
        one.*litValue = true;
        window.showControls(one);
        for (const auto& [name, value] : OnOffBoxes) {
            const auto* box = window.findChild<TOnOffBox*>(name);
            ASSERT_NE(box, nullptr) << name;
            EXPECT_EQ(box->isOn(), name == lit) << name << " while only " << lit << " is on";
            EXPECT_FALSE(box->model().UserChangeable) << name;
        }
    }
}

TEST_F(MainWindowTest, FieldsShowTheSharedStateAfterATick) {
    sys.state.RA = 2.86081;
    sys.state.Dec = -0.5;
    sys.state.Day = 1;
    sys.state.Month = 1;
    sys.state.Year = 2000.0;
    sys.state.UT = 12.0;
    sys.state.StatusFlags1 = status1::Initialized | status1::TrackingSwitch;
    sys.state.StatusFlags2 = 0;
    sys.state.StatusFlags3 = status3::PaddleNorth | status3::PaddleWest;
    sys.state.CloudDetected = 1;
    sys.state.TelescopeMessage.set(" Slew finished");
    Tick();
    EXPECT_EQ(Shown("TeleRADis"), "02 51 38.9");
    EXPECT_EQ(Shown("TeleDecDis"), "-00 30 00");
    EXPECT_EQ(Shown("UTimeDis"), "12 00 00");
    EXPECT_EQ(Shown("UTDateDis"), "01 01 2000");
    EXPECT_EQ(Shown("JulianDis"), "2451545.000000");
    EXPECT_EQ(Shown("StatusDis"), "INITIALIZED");
    EXPECT_EQ(Shown("NSEWDis"), "N  W");
    EXPECT_EQ(Shown("SettingDis"), "       ");
    EXPECT_EQ(Shown("TrailingDis"), "        ");
    EXPECT_EQ(Shown("CloudsDis"), "CLOUDS");
    EXPECT_EQ(Shown("MNCPModeDis"), "Active");
    EXPECT_EQ(Shown("TCPModeDis"), "Active");
    EXPECT_EQ(Shown("MyStringDis"), " Slew finished");
    EXPECT_TRUE(window.findChild<TOnOffBox*>("TrackOnOff")->isOn());
    EXPECT_FALSE(window.findChild<TOnOffBox*>("DrivesOnOff")->isOn());

    // The fast part follows on the next tick; the slow part waits for the 25th.
    sys.state.RA = 3.0;
    sys.state.CloudDetected = 0;
    Tick();
    EXPECT_EQ(Shown("TeleRADis"), "03 00 00.0");
    EXPECT_EQ(Shown("CloudsDis"), "CLOUDS");
}

TEST_F(MainWindowTest, ButtonsGoThroughTheCommandDoor) {
    EXPECT_EQ(window.button("SlewBtn")->text(), "Start Slew");
    EXPECT_EQ(window.button("StopBtn")->text(), "Stop");
    EXPECT_EQ(window.button("TrailBtn")->text(), "Start Trail");

    // A slew runs: the state machine holds code 12 while it loops.
    sys.state.SlewInProgress = 1;
    sys.state.StateCode = 12;
    QTest::mouseClick(window.button("StopBtn"), Qt::LeftButton);
    EXPECT_EQ(sys.state.StopRequest, 1);
    EXPECT_EQ(sys.state.StateCode, 13);

    // The state machine takes the stop and ends the slew; the next slew and trail are requested.
    EXPECT_EQ(sys.commander.take(), 13);
    sys.state.SlewInProgress = 0;
    sys.state.StateCode = 0;
    QTest::mouseClick(window.button("SlewBtn"), Qt::LeftButton);
    EXPECT_EQ(sys.state.StateCode, 12);
    EXPECT_EQ(sys.commander.take(), 12);
    sys.state.StateCode = 0;
    QTest::mouseClick(window.button("TrailBtn"), Qt::LeftButton);
    EXPECT_EQ(sys.state.StateCode, 11);
}

TEST_F(MainWindowTest, NoToTheCloseQueryLeavesEverythingRunning) {
    std::vector<std::string> asked;
    bool answer = false;
    window.setAskYesNo([&](const std::string& question) {
        asked.push_back(question);
        return answer;
    });
    int pointsAsked = 0, closes = 0;
    bool keepMarks = true;  // "Cancel" to the unsaved marks keeps the program running
    form.addCloseQuestion([&] {
        ++pointsAsked;
        return true;
    });
    form.addCloseQuestion([&] { return !keepMarks; });
    window.setOnCloseConfirmed([&] { ++closes; });
    window.show();

    EXPECT_FALSE(window.close());
    QApplication::processEvents();
    EXPECT_EQ(asked, std::vector<std::string>{"Are you sure you want to terminate Orv?"});
    EXPECT_EQ(pointsAsked, 0);
    EXPECT_EQ(closes, 0);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(sys.state.StopRequest, 0);
    EXPECT_EQ(sys.state.StateCode, 0);

    // Yes goes on to the later questions; one of them can still keep the program running.
    answer = true;
    EXPECT_FALSE(window.close());
    QApplication::processEvents();
    EXPECT_EQ(pointsAsked, 1);
    EXPECT_EQ(closes, 0);

    // Exit asks the same; with every answer given, the close sequence runs, once.
    keepMarks = false;
    window.menuItem(ExitMnu)->trigger();
    QApplication::processEvents();
    EXPECT_EQ(asked.size(), 3u);
    EXPECT_EQ(pointsAsked, 2);
    EXPECT_EQ(closes, 1);
    // While the program closes, the operator's close is refused without a question.
    EXPECT_FALSE(window.close());
    QApplication::processEvents();
    EXPECT_EQ(asked.size(), 3u);
    EXPECT_EQ(closes, 1);
    // Once closed, the window closes without one.
    window.setClosed();
    EXPECT_TRUE(window.close());
    EXPECT_EQ(asked.size(), 3u);
}

TEST_F(MainWindowTest, NightColoursTwiceRestoreEveryListedControlsDayColours) {
    QAction* night = window.menuItem(NightColorsMnu);
    ASSERT_NE(night, nullptr);
    const QColor buttonFace = QApplication::style()->standardPalette().color(QPalette::Button);
    for (const bool expectNight : {true, false}) {
        night->trigger();
        EXPECT_EQ(night->isChecked(), expectNight);
        EXPECT_EQ(form.nightColors(), expectNight);
        const char* when = expectNight ? "night" : "day after night";
        for (const auto& group : test::Groups())
            for (const char* name : group.controls) {
                const auto* control = window.findChild<QWidget*>(name);
                ASSERT_NE(control, nullptr) << name;
                test::ExpectColours(*control, expectNight ? group.nightText : group.dayText,
                                    expectNight ? group.nightBack : group.dayBack, when);
            }
        test::ExpectColours(window, expectNight ? QColor::fromRgb(0xC0C0C0U) : QColor::fromRgb(0x000000U),
                            expectNight ? QColor::fromRgb(0x000000U) : buttonFace, when);
        // The dialogs the window owns follow it.
        EXPECT_EQ(window.about().palette().color(QPalette::Window),
                  expectNight ? QColor::fromRgb(0x000000U) : buttonFace);
    }
}

// The menus as the operators know them: captions in order, dialogs still to
// come greyed until attached, the Defaults menu greyed until it is served.
TEST_F(MainWindowTest, MenusHoldEveryItemAndGreyWhatIsNotAttached) {
    const std::vector<std::pair<QString, QStringList>> expected = {
        {"&File", {"&Save Point Data...", "E&xit"}},
        {"&Telescope", {"&Initialization...", "&Movement...", "&Rates...", "Mi&sc...", "&KAV Control..."}},
        {"&View", {"&Status/Error Log..."}},
        {"&Options", {"&Communication...", "&Night Colors", "&Hand Paddle...", "&Time Setup...", "&Defaults"}},
        {"&Help", {"&Contents", "&Search for Help On...", "&How to Use Help", "&About..."}},
    };
    const QList<QAction*> menus = window.menuBar()->actions();
    ASSERT_EQ(menus.size(), static_cast<qsizetype>(expected.size()));
    for (size_t m = 0; m < expected.size(); ++m) {
        EXPECT_EQ(menus[m]->text(), expected[m].first);
        QStringList items;
        for (const QAction* item : menus[m]->menu()->actions()) items << item->text();
        EXPECT_EQ(items, expected[m].second);
    }
    QStringList defaults;
    for (const char* name : {GetDefaultsMnu, SaveDefaultsMnu, SaveSizeMnu, EraseSizeMnu, FactoryDefaultsMnu})
        defaults << window.menuItem(name)->text();
    EXPECT_EQ(defaults, QStringList({"&Get User Defaults", "&Save User Defaults", "Save Size/&Position",
                                     "&Erase Size/Position", "&Restore Factory Defaults"}));

    for (const char* name : {SavePointsMnu, InitMnu, MoveMnu, RatesMnu, MiscMnu, KAVMnu, CommMnu, PaddleMnu,
                             TimeSetupMnu, GetDefaultsMnu, FactoryDefaultsMnu})
        EXPECT_FALSE(window.menuItem(name)->isEnabled()) << name;
    for (const char* name : {ExitMnu, ErrorLogMnu, NightColorsMnu, ContentsMnu, SearchHelpMnu, AboutMnu})
        EXPECT_TRUE(window.menuItem(name)->isEnabled()) << name;

    int opened = 0;
    EXPECT_TRUE(window.attachDialog(MoveMnu, [&] { ++opened; }));
    EXPECT_FALSE(window.attachDialog("NoSuchMnu", [] {}));
    EXPECT_TRUE(window.menuItem(MoveMnu)->isEnabled());
    window.menuItem(MoveMnu)->trigger();
    EXPECT_EQ(opened, 1);
}

TEST_F(MainWindowTest, DefaultsMenuServedOnceGivenAndLoadedOnFirstActivation) {
    struct Defaults final : UserDefaultsActions {
        std::vector<std::string> calls;
        void GetUserDefaults() override { calls.push_back("get"); }
        void SaveUserDefaults() override { calls.push_back("save"); }
        void SaveSizePosition() override { calls.push_back("save size"); }
        void EraseSizePosition() override { calls.push_back("erase size"); }
        void RestoreFactoryDefaults() override { calls.push_back("factory"); }
    } defaults;
    window.setUserDefaults(&defaults);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    // Activated again later: nothing more is loaded.
    QEvent change(QEvent::ActivationChange);
    QApplication::sendEvent(&window, &change);
    EXPECT_EQ(defaults.calls, std::vector<std::string>{"get"});

    for (const char* name : {SaveDefaultsMnu, SaveSizeMnu, EraseSizeMnu, FactoryDefaultsMnu, GetDefaultsMnu}) {
        ASSERT_TRUE(window.menuItem(name)->isEnabled()) << name;
        window.menuItem(name)->trigger();
    }
    EXPECT_EQ(defaults.calls,
              (std::vector<std::string>{"get", "save", "save size", "erase size", "factory", "get"}));
    window.setUserDefaults(nullptr);
    EXPECT_FALSE(window.menuItem(SaveDefaultsMnu)->isEnabled());
}

// A night's tracking as the operator sees it, in day and night colours.
TEST_F(MainWindowTest, Renders) {
    sys.InitSharedState();  // the site and its derived values
    auto& s = sys.state;
    s.Day = 8;
    s.Month = 12;
    s.Year = 2026.94;
    s.UT = 2.5125;
    s.LST = 4.3917;
    s.Epoch = 2026.9;
    s.RA = 5.91953;
    s.HA = -1.5278;
    s.Dec = 7.40706;
    s.AirMass = 1.182;
    s.ZenithDistance = 32.23;
    s.Azimuth = 142.6;
    s.DomeAzimuth = 141.9;
    s.FocusReading = 1300;
    s.NextRA = 6.39919;
    s.NextHA = -2.0075;
    s.NextDec = -16.7161;
    s.NextEpoch = 2000.0;
    s.ActiveTrackRateRA = 15.041;
    s.ActiveTrackRateDec = 0.0;
    s.GuideRate = 5.0;
    s.SetRate = 100.0;
    s.HARateCorrection = 0.012;
    s.DecRateCorrection = -0.004;
    s.TrailRate = 2.5;
    s.TrailLength = 60.0;
    s.TrailAngle = 90.0;
    s.StatusFlags1 = status1::Initialized | status1::TrackingSwitch | status1::SlewEnabled | status1::DomeOnIndicator;
    s.StatusFlags2 = status2::RateCorrection | status2::DrivesOn;
    s.StatusFlags3 = status3::DomeTrack | status3::TargetLoaded;
    s.TelescopeMessage.set(" Tracking");
    s.ShutterMessage.set(" Shutter command finished");
    s.StateText.set(" Load next object (6)");
    Tick();
    EXPECT_TRUE(test::SaveScreenshot(window, "main-day"));
    window.setNightColors(true);
    EXPECT_TRUE(test::SaveScreenshot(window, "main-night"));
}

}  // namespace
}  // namespace orv::ui
