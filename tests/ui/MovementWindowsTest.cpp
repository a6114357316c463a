// The Movement, Initialization and Rates windows on the offscreen platform:
// the wiring from each button to the command it requests, the fields the menu
// loads, the library search, the mark grid's editing and files, and a picture
// of every page by day and by night.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTemporaryDir>
#include <fstream>

#include "Screenshot.h"
#include "WidgetLookup.h"
#include "control/System.h"
#include "core/Clock.h"
#include "core/PortBus.h"
#include "ui/ColourSchemeApplier.h"
#include "ui/MovementGrids.h"
#include "ui/MovementWindows.h"
#include "ui/TDegreeSpin.h"
#include "controllers/OrvMainForm.h"
#include "ui/TFindDialog.h"
#include "ui/TForm1.h"
#include "ui/THelpWindow.h"
#include "ui/TInitializeDlg.h"
#include "ui/TMoveDlg.h"
#include "ui/TRatesDlg.h"
#include "ui/TRealSpin.h"

namespace orv::ui {
namespace {

using test::Child;
using test::Click;

class MovementWindowsTest : public ::testing::Test {
protected:
    MovementWindowsTest() : sys(clock, bus, SystemOptions{".", false}) {}

    // The command waiting in the shared state: code, then CommandParam[1..n].
    std::vector<double> sent(size_t n) const {
        std::vector<double> v{double(sys.state.StateCode)};
        for (size_t i = 1; i <= n; ++i) v.push_back(sys.state.CommandParam[i]);
        return v;
    }
    void idle() { sys.state.StateCode = 0; }
    // Records what the window would show in a message box.
    DialogHooks recordingHooks(const TOrvDialog& dialog) {
        DialogHooks h = dialog.hooks();
        h.warn = [this](const QString& t) { warnings.push_back(t); };
        h.error = [this](const QString& t) { errors.push_back(t); };
        return h;
    }

    ManualClock clock{0, true};
    RecordingBus bus;
    System sys;
    QStringList warnings, errors;
};

TEST_F(MovementWindowsTest, MovementButtonsRequestTheirCodes) {
    TMoveDlg move(sys);
    EXPECT_EQ(move.windowTitle(), "Movement");
    EXPECT_FALSE(move.isModal());
    EXPECT_TRUE(move.windowFlags() & Qt::WindowStaysOnTopHint);

    Child<TDegreeSpin>(move, "SlewRASpin")->SetDegrees(10.5);
    Child<TDegreeSpin>(move, "SlewDecSpin")->SetDegrees(-20.25);
    Child<TRealSpin>(move, "SlewEpochSpin")->setValue(0);
    Click(move, "ApplySlewSpin");
    EXPECT_EQ(sent(3), (std::vector<double>{6, 10.5, -20.25, 0}));

    idle();
    Child<TDegreeSpin>(move, "SlewHASpin")->SetDegrees(-1.5);
    Child<TDegreeSpin>(move, "SlewHDecSpin")->SetDegrees(12);
    Click(move, "ApplyHSlewSpin");
    EXPECT_EQ(sent(3), (std::vector<double>{33, -1.5, 12, 0}));

    idle();
    Child<TRealSpin>(move, "RAOffSpin")->setValue(30);
    Child<TRealSpin>(move, "DecOffSpin")->setValue(-15);
    Click(move, "ApplyOffBtn");
    EXPECT_EQ(sent(2), (std::vector<double>{7, 30, -15}));

    idle();
    Click(move, "SlewToCoverBtn");
    EXPECT_EQ(sent(3), (std::vector<double>{33, -4.83, 0, 0}));
    idle();
    Click(move, "ApplyZenithBtn");
    EXPECT_EQ(sys.state.StateCode, 10);
    idle();
    Click(move, "StartSlewBtn");
    EXPECT_EQ(sys.state.StateCode, 12);
    idle();
    Click(move, "StartTrailBtn");
    EXPECT_EQ(sys.state.StateCode, 11);
    Click(move, "StopBtn");
    EXPECT_EQ(sys.state.StateCode, 13);
    EXPECT_EQ(sys.state.StopRequest, 1);
}

TEST_F(MovementWindowsTest, OpeningFromTheMenuReloadsTheNextObject) {
    TMoveDlg move(sys);
    sys.state.NextRA = 5.575;
    sys.state.NextDec = 22.0167;
    sys.state.NextEpoch = 2000;
    move.MoveMnuClick();
    auto* ra = Child<TDegreeSpin>(move, "SlewRASpin");
    EXPECT_NEAR(ra->GetDegrees(), 5.575, 1e-9);
    EXPECT_TRUE(move.isVisible());
    ra->SetDegrees(1.0);   // typed, not applied
    move.hide();
    move.MoveMnuClick();
    EXPECT_NEAR(ra->GetDegrees(), 5.575, 1e-9);
    EXPECT_NEAR(Child<TDegreeSpin>(move, "SlewDecSpin")->GetDegrees(), 22.0167, 1e-9);
    EXPECT_DOUBLE_EQ(Child<TRealSpin>(move, "SlewEpochSpin")->value(), 2000);
}

TEST_F(MovementWindowsTest, LibrarySearchSelectsTheFoundRowAndApplySendsItsNumber) {
    TMoveDlg move(sys);
    move.setHooks(recordingHooks(move));
    move.pages()->setCurrentIndex(TMoveDlg::LibraryPage);
    EXPECT_EQ(move.libGrid()->model()->rowCount(), 436);
    EXPECT_EQ(move.libGrid()->model()->headerData(1, Qt::Horizontal).toString(), "Zev #");

    TFindDialog* find = move.libraryFind();
    Click(move, "SearchBtn");
    EXPECT_TRUE(find->isVisible());
    find->setText("NGC 7793");
    find->findNextButton()->click();
    EXPECT_EQ(move.libGrid()->gridRow(), 436);   // record 823, the last in number order
    Click(move, "ApplyLibBtn");
    EXPECT_EQ(sent(1), (std::vector<double>{8, 823}));
    // On from the last row there is nothing more.
    find->findNextButton()->click();
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_EQ(warnings[0], "Not Found: NGC 7793");
    EXPECT_EQ(move.libGrid()->gridRow(), 436);

    // Sorting by common name refills the grid in that order: a blank sorts before the digits.
    QList<QAbstractButton*> keys = Child<QWidget>(move, "SortByRadio")->findChildren<QAbstractButton*>();
    ASSERT_EQ(keys.size(), 5);
    keys[1]->click();
    EXPECT_EQ(move.libGrid()->model()->index(0, 2).data().toString(), "1 beta Scl");
    EXPECT_EQ(move.libGrid()->gridRow(), 1);
}

TEST_F(MovementWindowsTest, MarkGridEditsThroughItsMasksAndApplySendsTheIndex) {
    TMoveDlg move(sys);
    move.setHooks(recordingHooks(move));
    move.pages()->setCurrentIndex(TMoveDlg::MarkPage);
    move.show();
    GridView* grid = move.markGrid();
    EXPECT_EQ(grid->model()->rowCount(), 500);

    // Typing into the Dec cell of the first entry, as the operator does.
    grid->setCurrentIndex(grid->model()->index(0, 3));
    grid->edit(grid->currentIndex());
    auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->currentIndex()));
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    editor->setCursorPosition(0);
    QTest::keyClicks(editor, "-123000");
    grid->leaveEditing();
    EXPECT_DOUBLE_EQ(sys.marks->entry(0).Dec, -12.5);
    EXPECT_EQ(grid->model()->index(0, 3).data().toString(), "-12 30 00");
    EXPECT_TRUE(sys.marks->MarksChanged());

    // A positive declination is offered right-aligned in the mask, and kept as it was.
    sys.marks->setEntry(1, {"Vega", 18.6156, 38.75, 2000});
    grid->setCurrentIndex(grid->model()->index(1, 3));
    grid->edit(grid->currentIndex());
    editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->currentIndex()));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->displayText(), " 38 45 00");
    grid->leaveEditing();
    EXPECT_DOUBLE_EQ(sys.marks->entry(1).Dec, 38.75);

    idle();
    grid->selectGridRow(1);
    Click(move, "ApplyTableBtn");
    EXPECT_EQ(sent(1), (std::vector<double>{9, 0}));

    // Move the first entry down; the selection follows it.
    Click(move, "MoveDownBtn");
    EXPECT_EQ(grid->gridRow(), 2);
    EXPECT_EQ(sys.marks->entry(0).description, "Vega");

    // Find: from the row below the selection, ignoring case.
    sys.marks->setEntry(5, {"Ngc 1952", 5.575, 22.0167, 2000});
    grid->selectGridRow(1);
    move.markFind()->setText("ngc");
    move.markFind()->findNextButton()->click();
    EXPECT_EQ(grid->gridRow(), 6);
    move.markFind()->findNextButton()->click();   // never the selected row itself
    EXPECT_EQ(grid->gridRow(), 6);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_EQ(warnings[0], "Not Found: \"ngc\"");
}

TEST_F(MovementWindowsTest, LoadingAsksAboutUnsavedMarksAndKeepsTheTableOnABadFile) {
    QTemporaryDir dir;
    const std::string bad = (dir.path() + "/bad.mrk").toStdString();
    std::ofstream(bad) << "[Points]\r\nCount=2\r\nName1=first\r\nRA1=1\r\nName2=x\r\nRA2=abc\r\n";
    TMoveDlg move(sys);
    DialogHooks h = recordingHooks(move);
    std::vector<std::string> questions;
    h.askSave = [&](const std::string& q) {
        questions.push_back(q);
        return SaveAnswer::No;
    };
    h.chooseOpenName = [&](const char* filter) -> std::optional<std::string> {
        EXPECT_STREQ(filter, "Zev Mark Files|*.mrk|All Files|*.*|");
        return bad;
    };
    move.setHooks(h);
    sys.marks->setEntry(0, {"kept", 2, 3, 2000});
    sys.marks->setMarksChanged(true);

    Click(move, "LoadMarksBtn");
    EXPECT_EQ(questions, std::vector<std::string>{"Save Changes?"});
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(sys.marks->entry(0).description, "kept");
    EXPECT_EQ(Child<QLabel>(move, "MarkFileDis")->text(), "");
}

TEST_F(MovementWindowsTest, InitializationKeepsTypedPositionsAndShowsTheUTEachTime) {
    sys.state.LST = 7.25;
    sys.params.Latitude = 31.9;
    sys.state.Epoch = 2000;
    TInitializeDlg init(sys);
    EXPECT_EQ(init.windowTitle(), "Initialization");
    auto* ra = Child<TDegreeSpin>(init, "RASpin");
    EXPECT_NEAR(ra->GetDegrees(), 7.25, 1e-9);   // the zenith at creation
    EXPECT_NEAR(Child<TDegreeSpin>(init, "DecSpin")->GetDegrees(), 31.9, 1e-9);

    sys.state.Year = 2024.2;
    sys.state.Month = 3;
    sys.state.Day = 20;
    sys.state.UT = 22.5;
    init.InitMnuClick();
    EXPECT_EQ(Child<QDateEdit>(init, "DatePick")->date(), QDate(2024, 3, 20));
    EXPECT_NEAR(Child<TDegreeSpin>(init, "UTSpin")->GetDegrees(), 22.5, 1e-9);
    ra->SetDegrees(3.0);   // typed
    sys.state.UT = 23.0;
    init.hide();
    init.InitMnuClick();
    EXPECT_NEAR(Child<TDegreeSpin>(init, "UTSpin")->GetDegrees(), 23.0, 1e-9);
    EXPECT_NEAR(ra->GetDegrees(), 3.0, 1e-9);

    // "Apply Windows Date/Time": the PC clock in UTC, into the fields and sent.
    clock.setUtcBase((19802LL * 86400 + 86399) * 1000 + 500);   // 2024-03-20 23:59:59.500
    Click(init, "WinDateBtn");
    EXPECT_EQ(sys.state.StateCode, 1);
    EXPECT_EQ(sys.state.CommandParam[3], 20);
    EXPECT_NEAR(sys.state.CommandParam[4], 23.99986, 0.000005);
    EXPECT_EQ(Child<QDateEdit>(init, "DatePick")->date(), QDate(2024, 3, 20));

    idle();
    sys.state.NextRA = 6.75;
    sys.state.NextDec = -16.7;
    sys.state.NextEpoch = 2000;
    Click(init, "UseNOBtn");
    Click(init, "ApplyTelePosBtn");
    EXPECT_EQ(sent(3), (std::vector<double>{3, 6.75, -16.7, 2000}));

    idle();
    Click(init, "TeleAzmBtn");
    const double azimuth = Child<TRealSpin>(init, "DomeSpin")->value();
    EXPECT_GE(azimuth, 0);
    EXPECT_LT(azimuth, 360);
    Click(init, "ApplyDomeBtn");
    EXPECT_EQ(sys.state.StateCode, 2);
    EXPECT_NEAR(sys.state.CommandParam[1], azimuth, 1e-12);
}

TEST_F(MovementWindowsTest, RatesReloadOnOpenStepByTheIncrementAndSendThePaddlePairWithoutWaiting) {
    TRatesDlg rates(sys);
    EXPECT_EQ(rates.windowTitle(), "Rates");
    sys.state.TrackRateRA = 15.041;
    rates.RatesMnuClick();
    auto* ra = Child<TRealSpin>(rates, "RARateSpin");
    EXPECT_DOUBLE_EQ(ra->value(), 15.041);

    Child<QComboBox>(rates, "IncCombo")->setCurrentIndex(4);   // "10"
    QTest::mouseClick(ra->buttons()->upButton(), Qt::LeftButton);
    EXPECT_NEAR(ra->value(), 25.041, 1e-9);
    ra->editor()->selectAll();
    QTest::keyClicks(ra->editor(), "-15000");
    EXPECT_DOUBLE_EQ(ra->value(), -14400);
    rates.hide();
    rates.RatesMnuClick();   // not applied: gone
    EXPECT_DOUBLE_EQ(ra->value(), 15.041);

    Child<TRealSpin>(rates, "SetRateSpin")->setValue(100);
    Child<TRealSpin>(rates, "GuideRateSpin")->setValue(5);
    Click(rates, "ApplyHandBtn");   // returns at once
    EXPECT_EQ(sent(1), (std::vector<double>{16, 100}));
    QTest::qWait(3 * TRatesDlg::HandRatesPollMs);   // the window runs on meanwhile
    EXPECT_EQ(sys.state.StateCode, 16);
    // The state machine takes the set rate and finishes it.
    RecordTaken(sys.state.LastTaken, 16);
    idle();
    EXPECT_TRUE(QTest::qWaitFor([&] { return sys.state.StateCode == 15; }, 2000));
    EXPECT_EQ(sys.state.CommandParam[1], 5);
}

TEST_F(MovementWindowsTest, JoinTheMainWindowsMenuColoursAndCloseSequence) {
    OrvMainForm form(sys.commander);
    TForm1 main(form);
    MovementWindows w = AttachMovementWindows(
        sys, &main, &main.help(),
        {[&](const std::string& item, std::function<void()> open) { main.attachDialog(item, std::move(open)); },
         [&](QWidget& dialog) { main.followColourScheme(dialog); },
         [&](std::function<bool()> question) { form.addCloseQuestion(std::move(question)); }});
    sys.state.NextRA = 2.5;
    for (const char* item : {"InitMnu", "MoveMnu", "RatesMnu"}) {
        ASSERT_TRUE(main.menuItem(item)->isEnabled()) << item;
        main.menuItem(item)->trigger();
    }
    EXPECT_TRUE(w.init->isVisible());
    EXPECT_TRUE(w.rates->isVisible());
    ASSERT_TRUE(w.move->isVisible());
    EXPECT_NEAR(w.move->findChild<TDegreeSpin*>("SlewRASpin")->GetDegrees(), 2.5, 1e-9);
    main.setNightColors(true);
    EXPECT_EQ(w.rates->palette().color(QPalette::Window), QColor(Qt::black));

    // Each help button opens its dialog's topic in the main window's help.
    const std::pair<TOrvDialog*, QString> topics[] = {
        {w.init, "topic1-initialization.html"}, {w.move, "topic2-movement.html"}, {w.rates, "topic3-rates.html"}};
    for (const auto& [dialog, page] : topics) {
        Click(*dialog, "BitBtn1");
        EXPECT_EQ(main.help().currentPage(), page);
    }

    // Unsaved marks at exit: asked after the close was confirmed; Cancel keeps the program.
    const auto yes = [](const std::string&) { return true; };
    EXPECT_TRUE(form.FormCloseQuery(yes));   // nothing changed: no question
    std::vector<std::string> asked;
    DialogHooks h = w.move->hooks();
    h.askSave = [&](const std::string& q) {
        asked.push_back(q);
        return SaveAnswer::Cancel;
    };
    w.move->setHooks(h);
    sys.marks->setFileName("/night/run.mrk");
    sys.marks->setMarksChanged(true);
    EXPECT_FALSE(form.FormCloseQuery(yes));
    EXPECT_EQ(asked, std::vector<std::string>{"Save Changes To File: run.mrk?"});
}

TEST_F(MovementWindowsTest, RendersEveryPageByDayAndNight) {
    sys.state.NextRA = 5.575;
    sys.state.NextDec = 22.0167;
    sys.state.NextEpoch = 2000;
    sys.marks->setEntry(0, {"Crab Nebula", 5.575, 22.0167, 2000});
    sys.marks->setEntry(1, {"Ngc 1952 field", 5.58, -12.5, 950});
    sys.marks->setEntry(2, {"Flat field patch", 3.2, 60.0, 2000});
    TMoveDlg move(sys);
    TInitializeDlg init(sys);
    TRatesDlg rates(sys);
    move.MoveMnuClick();
    init.InitMnuClick();
    rates.RatesMnuClick();
    struct Window {
        TOrvDialog* dialog;
        QTabWidget* pages;
        const char* name;
        std::vector<const char*> pageNames;
    };
    const Window windows[] = {
        {&move, move.pages(), "movement", {"slew", "offset", "library", "marks"}},
        {&init, init.pages(), "initialization", {"datetime", "telescope", "other"}},
        {&rates, rates.pages(), "rates", {"track", "paddle", "trail"}},
    };
    for (const Window& w : windows) {
        for (bool night : {false, true}) {
            ApplyColourScheme(*w.dialog, night);
            for (size_t p = 0; p < w.pageNames.size(); ++p) {
                w.pages->setCurrentIndex(static_cast<int>(p));
                const QString name = QString("%1-%2%3").arg(w.name, w.pageNames[p], night ? "-night" : "");
                EXPECT_TRUE(test::SaveScreenshot(*w.dialog, name)) << name.toStdString();
            }
        }
    }
    move.libraryFind()->setText("M 1?");
    EXPECT_TRUE(test::SaveScreenshot(*move.libraryFind(), "movement-library-find"));
}

}  // namespace
}  // namespace orv::ui
