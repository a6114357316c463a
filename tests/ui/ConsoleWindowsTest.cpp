// The Misc, Hand Paddle, Time Setup and Point Data windows on the offscreen
// platform: the wiring from each control to what it requests, the paddle's
// keys, the point grid's rules, the fit and its Apply, how the windows join the
// main window, and a picture of every page by day and by night.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <fstream>

#include "Screenshot.h"
#include "WidgetLookup.h"
#include "config/PatFile.h"
#include "config/PointList.h"
#include "control/System.h"
#include "control/VirtualPaddle.h"
#include "controllers/OrvMainForm.h"
#include "controllers/OrvPointsDlg.h"
#include "controllers/OrvTimeSetup.h"
#include "core/Clock.h"
#include "core/PortBus.h"
#include "core/Ports.h"
#include "ui/ColourSchemeApplier.h"
#include "ui/ConsoleWindows.h"
#include "ui/MovementGrids.h"
#include "ui/TDegreeSpin.h"
#include "ui/TForm1.h"
#include "ui/THelpWindow.h"
#include "ui/TMiscDlg.h"
#include "ui/TOnOffBox.h"
#include "ui/TPaddleDlg.h"
#include "ui/TPointDlg.h"
#include "ui/TRealSpin.h"
#include "ui/TTimeSetupDlg.h"

namespace orv::ui {
namespace {

using test::Child;
using test::Click;

constexpr double D2R = 3.14159265358979323846 / 180.0;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ConsoleWindowsTest : public ::testing::Test {
protected:
    ConsoleWindowsTest() : sys(clock, bus, SystemOptions{dir.path().toStdString(), false}) {
        bus.setInput(ports::PaddleInput, 0xFF);   // the hardware paddle idle (active low)
    }

    // The state machine's pick-ups without the handlers: code and first parameter of each.
    std::vector<std::pair<int, double>> run() {
        std::vector<std::pair<int, double>> ran;
        for (int code; (code = sys.commander.take()) != 0;) {
            ran.emplace_back(code, sys.state.CommandParam[1].load());
            sys.state.StateCode = 0;
        }
        return ran;
    }
    // Points of a mount whose polar axis is 120 arcsec high, with collimation
    // 30 s of time and 40 arcsec of flexure, taken on 20 March 2024, the model
    // all zeros: the telescope believes it is off by the term table's corrections.
    void TakeSkyOfPoints() {
        const double lst = 6.0, lat = sys.params.Latitude * D2R;
        PointConditions k;
        k.frame = {2024.2, 2024.2, astro::CalendarDate{2024, 3, 20}};
        for (double dec = -20; dec <= 80; dec += 20) {
            for (double ha = -4; ha <= 4; ha += 2) {
                const double h = ha + dec / 100, H = h * 15 * D2R, d = dec * D2R;
                const double cz = std::sin(lat) * std::sin(d) + std::cos(lat) * std::cos(d) * std::cos(H);
                const double haSec = 30 / std::cos(d) + 120.0 / 15 * std::sin(H) * std::tan(d) -
                                     40.0 / 15 * std::cos(lat) * std::sin(H) / std::cos(d);
                const double decArcsec = 120 * std::cos(H) + 40 * (std::sin(lat) - std::sin(d) * cz) / std::cos(d);
                const double teleHA = h + haSec / 3600;
                sys.points->add({std::fmod(lst - h + 24, 24), dec, std::fmod(lst - teleHA + 24, 24),
                                 dec + decArcsec / 3600, teleHA},
                                k);
            }
        }
    }

    QTemporaryDir dir;
    ManualClock clock{0, true};
    RecordingBus bus;
    System sys;
};

TEST_F(ConsoleWindowsTest, MiscSendsItsCodesAndTheSwitchesWithoutWaiting) {
    TMiscDlg misc(sys);
    EXPECT_EQ(misc.windowTitle(), "Misc. Settings");
    EXPECT_FALSE(misc.isModal());
    sys.state.StatusFlags2 = status2::CosineDeclination;
    sys.state.DomeOn = 0;
    sys.state.DomeTrack = 0;
    sys.state.EastSideOperation = 0;
    misc.MiscMnuClick();
    auto* track = Child<TOnOffBox>(misc, "GuiderOnOff");
    EXPECT_TRUE(track->isOn());
    EXPECT_EQ(track->model().text(), "Track");
    EXPECT_TRUE(Child<QRadioButton>(misc, "WestRadioButton")->isChecked());

    // Dome on by a click, then Apply: it returns with the first code written.
    QTest::mouseClick(Child<TOnOffBox>(misc, "DomeOnOff"), Qt::LeftButton);
    QTest::mouseClick(track, Qt::LeftButton);
    EXPECT_EQ(track->model().text(), "Home");
    Click(misc, "ApplySwitchBtn");
    EXPECT_EQ(sys.state.StateCode, 18);
    EXPECT_EQ(run(), (std::vector<std::pair<int, double>>{{18, 1}, {19, 0}, {20, 1}, {21, 1}}));

    Child<TRealSpin>(misc, "DomeAZSpin")->setValue(360);
    Click(misc, "BitBtn2");
    EXPECT_EQ(sys.state.StateCode, 34);
    EXPECT_NEAR(sys.state.CommandParam[1], 6.283185307179586, 1e-12);
    run();

    Child<QCheckBox>(misc, "CloudSensorChk")->setChecked(true);
    EXPECT_TRUE(sys.DisableCloudSensorInput);
    Child<QRadioButton>(misc, "EastRadioButton")->setChecked(true);
    Click(misc, "EastWestButton");
    EXPECT_EQ(sys.state.EastSideOperation, 1);

    auto* focus = Child<TRealSpin>(misc, "FocusSpin");
    focus->setValue(5000);   // beyond the drive: held at 3500
    Click(misc, "ApplyFocusBtn");
    sys.state.CloudDetected = 1;
    sys.state.CloudHandled = 1;
    Click(misc, "ShutterOpenBtn");
    EXPECT_EQ(sys.state.CloudDetected, 0);
    EXPECT_EQ(run(), (std::vector<std::pair<int, double>>{{27, 3500}, {36, 1}}));
}

TEST_F(ConsoleWindowsTest, PaddleFollowsMouseAndArrowKeysWhileShown) {
    TPaddleDlg paddle(*sys.paddle);
    EXPECT_EQ(paddle.windowTitle(), "Hand Paddle");
    EXPECT_TRUE(paddle.windowFlags() & Qt::WindowStaysOnTopHint);
    auto byte = [&] { return ReadPaddleByte(sys); };

    QTest::mousePress(paddle.button(PaddleButton::NorthEast), Qt::LeftButton);
    EXPECT_EQ(byte(), 0) << "hidden: no contribution";
    QTest::mouseRelease(paddle.button(PaddleButton::NorthEast), Qt::LeftButton);

    paddle.PaddleMnuClick();
    EXPECT_TRUE(sys.paddle->PaddleWindowVisible);
    QList<QRadioButton*> speeds = Child<QWidget>(paddle, "SpeedRadio")->findChildren<QRadioButton*>();
    ASSERT_EQ(speeds.size(), 3);
    QTest::mouseClick(speeds[1], Qt::LeftButton);   // "Set Speed"
    QTest::mousePress(paddle.button(PaddleButton::NorthEast), Qt::LeftButton);
    EXPECT_EQ(byte(), 0x54);
    QTest::mouseRelease(paddle.button(PaddleButton::NorthEast), Qt::LeftButton);
    EXPECT_EQ(byte() & 0x3C, 0);

    // Keys reach the paddle even on a radio button, which would take the arrows itself.
    QTest::mouseClick(speeds[0], Qt::LeftButton);   // guide speed
    QTest::keyPress(speeds[0], Qt::Key_Up);
    EXPECT_EQ(byte(), 0x04);
    QTest::keyPress(speeds[0], Qt::Key_Right);
    EXPECT_EQ(byte(), 0x24);
    QTest::keyPress(speeds[0], Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_EQ(byte(), 0x64);
    EXPECT_TRUE(speeds[0]->isChecked()) << "the arrows did not move the speed choice";
    QTest::keyRelease(speeds[0], Qt::Key_Up, Qt::ShiftModifier);   // Up, then Shift let go
    EXPECT_EQ(byte(), 0x20);

    paddle.hide();
    EXPECT_EQ(byte(), 0);
    EXPECT_FALSE(sys.paddle->held(PaddleButton::West)) << "hiding let go of the keys";
}

TEST_F(ConsoleWindowsTest, TimeSetupShowsTheTimerAndCountsWhileShown) {
    const std::string ini = (dir.path() + "/WinOrv.ini").toStdString();
    OrvTimeSetup timer(clock, sys.commander, ini);
    TTimeSetupDlg window(timer);
    EXPECT_EQ(window.windowTitle(), "Time Setup");
    EXPECT_FALSE(window.isModal());
    window.TimeSetupMnuClick();
    EXPECT_EQ(window.lastUpdate()->text(), "0:00:00");
    Child<TDegreeSpin>(window, "IntervalSpin")->SetDegrees(0.5);
    Child<QCheckBox>(window, "SynchronizeChk")->setChecked(true);
    EXPECT_EQ(timer.TimerIntervalMs(), 1800000);
    EXPECT_TRUE(timer.Synchronize());

    clock.advance((3600 + 2 * 60 + 3) * 1000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.lastUpdate()->text() == "1:02:03"; }, 3000));
    Click(window, "SaveSettingsBtn");
    EXPECT_EQ(ReadAll(ini), "[TimeUpdate]\r\nInterval=1800000\r\nEnabled=1\r\n");
    window.hide();
    clock.advance(1000);
    QTest::qWait(TTimeSetupDlg::DisplayTimerMs + 200);
    EXPECT_EQ(window.lastUpdate()->text(), "1:02:03") << "not refreshed while hidden";
}

TEST_F(ConsoleWindowsTest, PointGridSelectsOnlyPointsAndFollowsTheNewestRow) {
    OrvPointsDlg points(sys);
    TPointDlg window(points, sys);
    EXPECT_EQ(window.windowTitle(), "Point Data");
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    std::vector<std::string> asked;
    window.setAskYesNo([&](const std::string& q) {
        asked.push_back(q);
        return true;
    });
    window.SavePointsMnuClick();
    GridView* grid = window.grid();
    EXPECT_EQ(grid->model()->rowCount(), 100);
    EXPECT_EQ(grid->model()->headerData(4, Qt::Horizontal).toString(), "Next RA");

    for (int n = 1; n <= 3; ++n) {
        sys.state.RA = n;
        Click(window, "TakePointBtn");
    }
    EXPECT_EQ(grid->gridRow(), 3);
    EXPECT_EQ(grid->model()->index(2, 1).data().toString(), "03 00 00.0");
    EXPECT_FALSE(grid->model()->flags(grid->model()->index(3, 0)) & Qt::ItemIsSelectable);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(1, 2)).center());
    EXPECT_EQ(points.SelectedRow(), 2);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(6, 2)).center());
    EXPECT_EQ(points.SelectedRow(), 2) << "an empty row is not selected";
    Click(window, "DeleteBtn");
    EXPECT_EQ(asked, std::vector<std::string>{"About To Delete Point #: 2\r\nPlease Confirm?"});
    EXPECT_EQ(grid->model()->index(1, 1).data().toString(), "03 00 00.0");
    EXPECT_EQ(grid->model()->index(2, 1).data().toString(), "");

    // Save File through the save dialog.
    const std::string pat = (dir.path() + "/night.pat").toStdString();
    window.setChooseFile([&] { return std::optional<std::string>(pat); });
    Click(window, "SaveBtn");
    EXPECT_EQ(ReadAll(pat), PatFileText(sys.points->points()));
    EXPECT_FALSE(sys.points->PointsChanged());

    // The hundredth point: in the last row, selected and in view.
    window.show();
    for (int n = 3; n <= 101; ++n) Click(window, "TakePointBtn");
    EXPECT_EQ(sys.points->count(), 100);
    EXPECT_EQ(grid->gridRow(), 100);
    EXPECT_EQ(grid->model()->index(99, 0).data().toString(), "100");
    EXPECT_EQ(grid->verticalScrollBar()->value(), grid->verticalScrollBar()->maximum());
    EXPECT_TRUE(grid->viewport()->rect().intersects(grid->visualRect(grid->model()->index(99, 0))));
}

TEST_F(ConsoleWindowsTest, FitShowsTheTermsAndApplyWritesTheDataFileAndSendsCode24) {
    OrvPointsDlg points(sys);
    TPointDlg window(points, sys);
    std::vector<std::string> asked;
    bool answer = false;
    window.setAskYesNo([&](const std::string& q) {
        asked.push_back(q);
        return answer;
    });
    QStringList errors;
    DialogHooks h = window.hooks();
    h.error = [&](const QString& t) { errors << t; };
    window.setHooks(h);
    window.SavePointsMnuClick();

    Click(window, "FitBtn");
    EXPECT_EQ(window.pages()->currentIndex(), TPointDlg::FitPage);
    EXPECT_TRUE(window.report()->text().startsWith("Not fitted: too few points")) << window.report()->text().toStdString();
    EXPECT_FALSE(Child<QPushButton>(window, "ApplyFitBtn")->isEnabled());

    TakeSkyOfPoints();
    Click(window, "FitAgainBtn");
    const QString report = window.report()->text();
    EXPECT_TRUE(report.contains("RMS on the sky: before")) << report.toStdString();
    EXPECT_NEAR(window.fit().result().terms[1], 120, 1.2);
    EXPECT_NEAR(window.fit().result().terms[3], 30, 0.3);
    EXPECT_NEAR(window.fit().result().terms[9], 40, 0.4);
    EXPECT_FALSE(window.plot()->pixmap().isNull());
    auto* apply = Child<QPushButton>(window, "ApplyFitBtn");
    ASSERT_TRUE(apply->isEnabled());

    // No: nothing applied. Yes without WinOrv.DAT: the error, nothing sent.
    apply->click();
    EXPECT_EQ(asked.back(), OrvPointFit::ApplyQuestion);
    answer = true;
    apply->click();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(sys.state.StateCode, 0);

    std::string dat = "40.0\r\n105.0\r\n0.9\r\n";
    for (int line = 4; line <= 12; ++line) dat += "0\r\n";
    std::ofstream((dir.path() + "/WinOrv.DAT").toStdString(), std::ios::binary) << dat;
    apply->click();
    EXPECT_EQ(errors.size(), 1);
    EXPECT_EQ(sys.state.StateCode, 24);
    EXPECT_NEAR(sys.state.CommandParam[1], 120, 1.2);
    EXPECT_NEAR(sys.state.CommandParam[6], 40, 0.4);
    EXPECT_EQ(ReadAll((dir.path() + "/WinOrv.DAT.bak").toStdString()), dat);
    EXPECT_FALSE(apply->isEnabled());
    EXPECT_TRUE(window.report()->text().contains("WinOrv.DAT.bak"));
}

TEST_F(ConsoleWindowsTest, JoinTheMainWindowsMenuHelpAndCloseSequence) {
    OrvMainForm form(sys.commander);
    TForm1 main(form);
    OrvTimeSetup timer(clock, sys.commander, (dir.path() + "/WinOrv.ini").toStdString());
    OrvPointsDlg points(sys);
    ConsoleWindows w = AttachConsoleWindows(
        sys, timer, points, &main, &main.help(),
        {[&](const std::string& item, std::function<void()> open) { main.attachDialog(item, std::move(open)); },
         [&](QWidget& dialog) { main.followColourScheme(dialog); },
         [&](std::function<bool()> question) { form.addCloseQuestion(std::move(question)); }});
    for (const char* item : {"MiscMnu", "PaddleMnu", "TimeSetupMnu", "SavePointsMnu"}) {
        ASSERT_TRUE(main.menuItem(item)->isEnabled()) << item;
        main.menuItem(item)->trigger();
    }
    for (QWidget* d : std::initializer_list<QWidget*>{w.misc, w.paddle, w.timeSetup, w.points})
        EXPECT_TRUE(d->isVisible()) << d->objectName().toStdString();
    main.setNightColors(true);
    EXPECT_EQ(w.points->palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_EQ(w.misc->palette().color(QPalette::Window), QColor(Qt::black));

    Click(*w.misc, "BitBtn1");
    EXPECT_EQ(main.help().currentPage(), "topic4-misc.html");
    Click(*w.points, "BitBtn1");
    EXPECT_EQ(main.help().currentPage(), "topic7-point-data.html");

    // Unsaved points at exit: asked after the close was confirmed; the program closes on No.
    std::vector<std::string> asked;
    w.points->setAskYesNo([&](const std::string& q) {
        asked.push_back(q);
        return false;
    });
    const auto yes = [](const std::string&) { return true; };
    EXPECT_TRUE(form.FormCloseQuery(yes));
    EXPECT_TRUE(asked.empty());
    Click(*w.points, "TakePointBtn");
    EXPECT_TRUE(form.FormCloseQuery(yes));
    EXPECT_EQ(asked, std::vector<std::string>{"There is unsaved Point Data.\r\nDo you wish to save it?"});
}

TEST_F(ConsoleWindowsTest, RendersEveryPageByDayAndNight) {
    sys.state.StatusFlags2 = status2::CosineDeclination | status2::RateCorrection;
    sys.state.DomeOn = 1;
    sys.state.FocusReading = 2048.3;
    sys.state.Epoch = 2024.5;
    TMiscDlg misc(sys);
    misc.MiscMnuClick();
    TPaddleDlg paddle(*sys.paddle);
    paddle.PaddleMnuClick();
    OrvTimeSetup timer(clock, sys.commander, (dir.path() + "/WinOrv.ini").toStdString());
    timer.SetSynchronize(true);
    clock.advance(1234000);
    TTimeSetupDlg time(timer);
    time.TimeSetupMnuClick();
    OrvPointsDlg points(sys);
    TPointDlg pointsWindow(points, sys);
    TakeSkyOfPoints();
    pointsWindow.SavePointsMnuClick();
    Click(pointsWindow, "FitBtn");

    struct Window {
        TOrvDialog* dialog;
        QTabWidget* pages;
        const char* name;
        std::vector<const char*> pageNames;
    };
    const Window windows[] = {
        {&misc, misc.pages(), "misc", {"switches", "epoch", "focus"}},
        {&paddle, nullptr, "paddle", {""}},
        {&time, nullptr, "timesetup", {""}},
        {&pointsWindow, pointsWindow.pages(), "pointdata", {"points", "fit"}},
    };
    for (const Window& w : windows) {
        for (bool night : {false, true}) {
            ApplyColourScheme(*w.dialog, night);
            for (size_t p = 0; p < w.pageNames.size(); ++p) {
                if (w.pages) w.pages->setCurrentIndex(static_cast<int>(p));
                const QString name = QString("%1%2%3%4")
                                         .arg(w.name, *w.pageNames[p] ? "-" : "", w.pageNames[p], night ? "-night" : "");
                EXPECT_TRUE(test::SaveScreenshot(*w.dialog, name)) << name.toStdString();
            }
        }
    }
}

}  // namespace
}  // namespace orv::ui
