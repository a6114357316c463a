// The KAV window on the offscreen platform against the simulated instrument:
// the controls as first made, the output byte's three views in step, the label
// editors writing to where the labels are kept, an Apply moving the wheel
// while the window refreshes, Close ending a wait, and pictures of every page.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTabWidget>
#include <QTest>
#include <chrono>

#include "Screenshot.h"
#include "WidgetLookup.h"
#include "comm/ExCom.h"
#include "comm/KAVLink.h"
#include "comm/MNCP.h"
#include "comm/TCPServer.h"
#include "control/System.h"
#include "controllers/OrvMainForm.h"
#include "controllers/LiveChannels.h"
#include "sim/SimulatedInterface.h"
#include "sim/SimulatedKAV.h"
#include "ui/ChannelWindows.h"
#include "ui/ColourSchemeApplier.h"
#include "ui/TForm1.h"
#include "ui/TIntegerSpin.h"
#include "ui/TKAVDlg.h"

namespace orv::ui {
namespace {

using test::Child;
using test::Click;

class KAVWindowTest : public ::testing::Test {
protected:
    KAVWindowTest() : bus(clock), sys(clock, bus, SystemOptions{".", false}), instrument(clock), link(sys) {
        link.KAVComPort.DevicePath = instrument.devicePath();
        link.SetKAVMode(1);
    }

    std::unique_ptr<TKAVDlg> makeWindow() {
        auto w = std::make_unique<TKAVDlg>(link, clock, KAVLabelAccess{[this] { return kept; },
                                                                       [this](const KAVLabels& l) { kept = l; }});
        w->setAskLabel([this](const KAVLabelQuestion& q) -> std::optional<std::string> {
            asked.push_back(q.title + "|" + q.prompt + "|" + q.text);
            return answer;
        });
        return w;
    }
    static QString text(QWidget& w, const char* name) {
        auto* label = w.findChild<QLabel*>(name);
        return label ? label->text() : QString("no field %1").arg(name);
    }

    RealClock clock{4.0};   // a wheel's position in about a quarter of a second
    SimulatedInterface bus;
    System sys;
    SimulatedKAV instrument;
    KAVLink link;
    KAVLabels kept = KAVLabels::Defaults();
    std::vector<std::string> asked;
    std::optional<std::string> answer;
};

TEST_F(KAVWindowTest, AsFirstMadeAndTheOutputByteInItsThreeViews) {
    auto window = makeWindow();
    TKAVDlg& w = *window;
    EXPECT_EQ(w.windowTitle(), "Zev Engineering, Inc. Kavallo Control");
    EXPECT_FALSE(w.isModal());
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    ASSERT_EQ(w.pages()->count(), 5);
    EXPECT_EQ(w.pages()->tabText(w.pages()->currentIndex()), "Translating Stage");
    EXPECT_EQ(w.findChild<QComboBox*>("MirrorCombo")->currentText(), "North");
    EXPECT_EQ(w.findChild<QTableWidget*>("SouthList")->currentRow(), 0);   // row 1
    EXPECT_EQ(text(w, "HexDis"), "00");

    auto* bits = w.findChild<QListWidget*>("KAVBitList");
    auto* value = w.findChild<TIntegerSpin*>("KAVIOValueSpin");
    ASSERT_TRUE(bits && value);
    EXPECT_EQ(bits->item(7)->text(), "Bit-7");
    for (int bit : {1, 3, 4, 6}) bits->item(bit)->setCheckState(Qt::Checked);
    EXPECT_EQ(value->value(), 90);
    EXPECT_EQ(text(w, "HexDis"), "5A");
    value->setValue(165);
    QString checks;
    for (int i = 0; i < 8; ++i) checks += bits->item(i)->checkState() == Qt::Checked ? '1' : '0';
    EXPECT_EQ(checks, "10100101");
    EXPECT_EQ(text(w, "HexDis"), "A5");
}

TEST_F(KAVWindowTest, LabelEditorsWriteWhereTheLabelsAreKept) {
    auto window = makeWindow();
    TKAVDlg& w = *window;
    kept.OnAxisFilters[1] = "B";
    w.KAVMnuClick();
    auto* onAxis = w.findChild<QTableWidget*>("OnAxisList");
    EXPECT_EQ(onAxis->item(1, 1)->text(), "B");

    answer = "V";
    auto* south = w.findChild<QTableWidget*>("SouthList");
    south->setCurrentCell(2, 1);
    Click(w, "EditSouthBtn");
    EXPECT_EQ(kept.SouthFilters[2], "V");
    EXPECT_EQ(south->item(2, 1)->text(), "V");
    w.findChild<QListWidget*>("KAVBitList")->setCurrentRow(5);
    answer = "Lamp";
    Click(w, "Button1");
    EXPECT_EQ(kept.Bits[5], "Lamp");
    onAxis->setCurrentCell(5, 1);
    answer.reset();   // cancelled: nothing changes
    Click(w, "EditOnAxisBtn");
    EXPECT_EQ(kept.OnAxisFilters[5], "Filter-6");
    EXPECT_EQ(asked, (std::vector<std::string>{"South Wheel Editor|Enter Name For Filter-3|Filter-3",
                                               "Bit Name Editor|Enter Name For Bit-5|Bit-5",
                                               "On Axis Editor|Enter Name For Filter-6|Filter-6"}));

    // Labels brought in meanwhile (Get User Defaults) show at the next refresh.
    kept.Bits[0] = "Shutter";
    w.KAVTimerTimer();
    EXPECT_EQ(w.findChild<QListWidget*>("KAVBitList")->item(0)->text(), "Shutter");
}

TEST_F(KAVWindowTest, ApplyMovesTheWheelWhileTheWindowRefreshesAndCloseEndsAWait) {
    auto window = makeWindow();
    TKAVDlg& w = *window;
    w.KAVMnuClick();
    w.findChild<QTableWidget*>("SouthList")->setCurrentCell(3, 1);   // row 4
    const auto t0 = std::chrono::steady_clock::now();
    Click(w, "ApplySouthBtn");
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(100));
    ASSERT_TRUE(QTest::qWaitFor([&] { return text(w, "StatusDis") == "Success"; }, 15000));
    EXPECT_EQ(text(w, "SouthFilterWheelPos"), "4");
    EXPECT_NEAR(text(w, "SouthFilterADU").toInt(), 1689, 100);   // the wheel's position 4
    EXPECT_NEAR(instrument.truth().southADU, 1689, 1);
    EXPECT_EQ(w.findChild<QLabel*>("StatusDis")->palette().color(QPalette::WindowText), QColor(0, 255, 0));
    EXPECT_EQ(text(w, "GuideProbeXDis"), "0");   // the probe rests at its centre

    instrument.setMode(SimulatedKAV::Mode::Silent);
    Click(w, "UpdateKAVPositionButton");
    ASSERT_TRUE(QTest::qWaitFor([&] { return text(w, "StatusDis") == "Attention"; }, 5000));
    Click(w, "BitBtn1");
    EXPECT_FALSE(w.isVisible());
    // The wait has ended: the next exchange gets the line at once.
    instrument.setMode(SimulatedKAV::Mode::Normal);
    ASSERT_TRUE(w.model().ApplyPort(3));
    EXPECT_TRUE(QTest::qWaitFor([&] { return instrument.truth().port == 3; }, 1000));
}

TEST_F(KAVWindowTest, MenuItemAndPicturesOfEveryPageByDayAndNight) {
    TCPServer tcp(sys);
    ExComChannel excom(sys);
    MNCPChannel mncp(sys);
    testing::LiveChannels channels(tcp, excom, mncp);
    OrvMainForm form(sys.commander);
    TForm1 main(form);
    ChannelWindows windows = AttachChannelWindows(
        {channels, sys.log, &link, &clock, {}}, &main, &main.help(),
        {[&](const std::string& item, std::function<void()> open) { main.attachDialog(item, std::move(open)); },
         [&](QWidget& dialog) { main.followColourScheme(dialog); }, {}});
    ASSERT_NE(windows.kav, nullptr);
    ASSERT_TRUE(main.menuItem("KAVMnu")->isEnabled());
    main.menuItem("KAVMnu")->trigger();
    EXPECT_TRUE(windows.kav->isVisible());
    windows.kav->hide();

    auto window = makeWindow();
    TKAVDlg& w = *window;
    kept.SouthFilters = {"U", "B", "V", "R", "I", "H-alpha", "[O III]", "Clear"};
    link.SetKAVStatus("Success", KAVColour::Lime);
    w.KAVMnuClick();
    const char* names[] = {"south", "stage", "mirror", "onaxis", "io"};
    for (bool night : {false, true}) {
        ApplyColourScheme(w, night);
        for (int p = 0; p < 5; ++p) {
            w.pages()->setCurrentIndex(p);
            w.KAVTimerTimer();
            const QString name = QString("kav-%1%2").arg(names[p], night ? "-night" : "");
            EXPECT_TRUE(test::SaveScreenshot(w, name)) << name.toStdString();
        }
    }
}

}  // namespace
}  // namespace orv::ui
