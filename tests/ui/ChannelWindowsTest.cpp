// The Communications, Serial Settings and TCP/IP Settings windows on the
// offscreen platform: the menu item, each control's wiring to the channels,
// the messages of a refused Apply, and pictures by day and by night.

#include <gtest/gtest.h>

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "Screenshot.h"
#include "WidgetLookup.h"
#include "comm/ExCom.h"
#include "comm/MNCP.h"
#include "comm/PtyPair.h"
#include "comm/TCPServer.h"
#include "control/System.h"
#include "controllers/OrvMainForm.h"
#include "controllers/LiveChannels.h"
#include "core/Clock.h"
#include "core/PortBus.h"
#include "ui/ChannelWindows.h"
#include "ui/ColourSchemeApplier.h"
#include "ui/TCommDlg.h"
#include "ui/TForm1.h"
#include "ui/THelpWindow.h"
#include "ui/TIntegerSpin.h"
#include "ui/TSettingsDlg.h"
#include "ui/TTCPSettingsDlg.h"

namespace orv::ui {
namespace {

using test::Child;
using test::Click;

class ChannelWindowsTest : public ::testing::Test {
protected:
    ChannelWindowsTest() : sys(clock, bus, SystemOptions{".", false}), tcp(sys), excom(sys), mncp(sys) {}
    ~ChannelWindowsTest() override {
        excom.SetExComMode(0);
        tcp.SetTCPMode(0);
    }

    // A Communications dialog on made-up serial lines and addresses, its
    // messages recorded.
    std::unique_ptr<TCommDlg> makeDialog() {
        auto d = std::make_unique<TCommDlg>(
            channels, sys.log, nullptr, [] { return std::vector<std::string>{"/dev/ttyS0", "/dev/ttyUSB0"}; },
            [] { return std::vector<std::string>{"192.168.10.7", "127.0.0.1"}; });
        d->setMessageHook([this](const CommMessage& m) { messages.push_back(m.text); });
        return d;
    }
    static void choose(QWidget& window, const char* radio, int item) {
        auto* group = window.findChild<QGroupBox*>(radio);
        ASSERT_NE(group, nullptr) << radio;
        group->findChildren<QRadioButton*>().at(item)->click();
    }
    static bool enabled(QWidget& window, const char* name) {
        auto* w = window.findChild<QWidget*>(name);
        return w && w->isEnabled();
    }

    ManualClock clock{0, true};
    RecordingBus bus;
    System sys;
    TCPServer tcp;
    ExComChannel excom;
    MNCPChannel mncp;
    testing::LiveChannels channels{tcp, excom, mncp};
    testing::PtyPair pty;
    std::vector<std::string> messages;
};

TEST_F(ChannelWindowsTest, ApplySwitchesTheChannelsAndReportsRefusals) {
    auto dialog = makeDialog();
    TCommDlg& d = *dialog;
    d.ShowCommDialog();
    EXPECT_EQ(d.windowTitle(), "Communications");
    EXPECT_TRUE(d.isModal());
    ASSERT_EQ(d.pages()->count(), 4);
    EXPECT_EQ(d.pages()->tabText(3), "General Options");

    choose(d, "ExComModeRadio", 1);
    Click(d, "ApplyExComBtn");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Invalid Serial Port. The Port may not be set,\n\rmay already in use or not exist on this computer.");
    EXPECT_EQ(excom.ExComMode(), 0);

    excom.ExComPort.DevicePath = pty.path();
    Click(d, "ApplyExComBtn");
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_TRUE(excom.ExComPort.PortActive());
    EXPECT_FALSE(enabled(d, "ExComSerialBtn"));
    EXPECT_TRUE(enabled(d, "MNCPSerialBtn"));

    // Opened again: the radio follows the channel, whatever was clicked.
    d.hide();
    choose(d, "ExComModeRadio", 0);
    d.ShowCommDialog();
    EXPECT_TRUE(d.findChild<QGroupBox*>("ExComModeRadio")->findChildren<QRadioButton*>().at(1)->isChecked());

    choose(d, "TCPIPModeRadio", 1);
    Click(d, "ApplyTCPBtn");
    EXPECT_TRUE(tcp.active());
    EXPECT_FALSE(enabled(d, "TCPIPBtn"));
    choose(d, "TCPIPModeRadio", 0);
    Click(d, "ApplyTCPBtn");
    EXPECT_FALSE(tcp.active());
    EXPECT_TRUE(enabled(d, "TCPIPBtn"));

    auto* log = d.findChild<QCheckBox*>("LogCommChk");
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(log->text(), "Log Communiction Events");
    log->click();
    EXPECT_TRUE(sys.log.commLogging());
    log->click();
    EXPECT_FALSE(sys.log.commLogging());
}

TEST_F(ChannelWindowsTest, SettingsDialogsStoreTheirChoicesOnOK) {
    auto dialog = makeDialog();
    TCommDlg& d = *dialog;
    d.ShowCommDialog();

    Click(d, "MNCPSerialBtn");
    TSettingsDlg& serial = *d.serialSettings();
    ASSERT_TRUE(serial.isVisible());
    EXPECT_EQ(serial.windowTitle(), "Serial Settings For MNCP");
    QComboBox* port = serial.list(SerialList::Port);
    ASSERT_EQ(port->count(), 3);
    EXPECT_EQ(port->currentText(), "None");
    port->setCurrentIndex(1);
    serial.list(SerialList::BaudRate)->setCurrentText("57600");
    serial.list(SerialList::DataBits)->setCurrentText("Seven");
    Click(serial, "OKBtn");
    EXPECT_FALSE(serial.isVisible());
    EXPECT_EQ(mncp.MNCPComPort.DevicePath, "/dev/ttyUSB0");
    EXPECT_EQ(mncp.MNCPComPort.BaudRate, tbr57600);
    EXPECT_EQ(mncp.MNCPComPort.DataBits, tdbSeven);

    // Cancel stores nothing.
    Click(d, "ExComSerialBtn");
    EXPECT_EQ(serial.windowTitle(), "Serial Settings For ExCom");
    serial.list(SerialList::Port)->setCurrentIndex(0);
    Click(serial, "CancelBtn");
    EXPECT_EQ(excom.ExComPort.Port, tptNone);

    Click(d, "TCPIPBtn");
    TTCPSettingsDlg& server = *d.tcpSettings();
    ASSERT_TRUE(server.isVisible());
    EXPECT_EQ(server.portSpin()->value(), 5003);
    server.portSpin()->setValue(6001);
    Click(server, "ShowIPBtn");
    ASSERT_EQ(server.addresses()->count(), 2);
    EXPECT_EQ(server.addresses()->item(0)->text(), "192.168.10.7");
    Click(server, "OKBtn");
    EXPECT_EQ(tcp.port(), 6001);
}

TEST_F(ChannelWindowsTest, MenuItemHelpAndPicturesByDayAndNight) {
    OrvMainForm form(sys.commander);
    TForm1 main(form);
    ChannelWindows w = AttachChannelWindows(
        {channels, sys.log, nullptr, nullptr, {}}, &main, &main.help(),
        {[&](const std::string& item, std::function<void()> open) { main.attachDialog(item, std::move(open)); },
         [&](QWidget& dialog) { main.followColourScheme(dialog); }, {}});
    ASSERT_TRUE(main.menuItem("CommMnu")->isEnabled());
    EXPECT_FALSE(main.menuItem("KAVMnu")->isEnabled());   // no KAV link here
    EXPECT_EQ(w.kav, nullptr);
    main.menuItem("CommMnu")->trigger();
    ASSERT_TRUE(w.comm->isVisible());
    const std::pair<TOrvDialog*, QString> topics[] = {{w.comm, "topic5-communication.html"},
                                                      {w.comm->serialSettings(), "topic6-serial-settings.html"},
                                                      {w.comm->tcpSettings(), "topic9-tcpip-settings.html"}};
    for (const auto& [dialog, page] : topics) {
        Click(*dialog, "BitBtn1");
        EXPECT_EQ(main.help().currentPage(), page);
    }
    main.setNightColors(true);
    EXPECT_EQ(w.comm->tcpSettings()->palette().color(QPalette::Window), QColor(Qt::black));
    main.setNightColors(false);

    auto dialog = makeDialog();
    TCommDlg& d = *dialog;
    d.ShowCommDialog();
    d.serialSettings()->ShowSerialSettings(SerialChannel::ExCom);
    d.tcpSettings()->ShowTCPSettings();
    d.tcpSettings()->findChild<QPushButton*>("ShowIPBtn")->click();
    const char* pages[] = {"excom", "mncp", "tcpip", "general"};
    for (bool night : {false, true}) {
        const QString suffix = night ? "-night" : "";
        for (TOrvDialog* window : {static_cast<TOrvDialog*>(&d), static_cast<TOrvDialog*>(d.serialSettings()),
                                   static_cast<TOrvDialog*>(d.tcpSettings())})
            ApplyColourScheme(*window, night);
        for (int p = 0; p < 4; ++p) {
            d.pages()->setCurrentIndex(p);
            EXPECT_TRUE(test::SaveScreenshot(d, QString("communications-%1%2").arg(pages[p], suffix)));
        }
        EXPECT_TRUE(test::SaveScreenshot(*d.serialSettings(), "serial-settings" + suffix));
        EXPECT_TRUE(test::SaveScreenshot(*d.tcpSettings(), "tcpip-settings" + suffix));
    }
}

}  // namespace
}  // namespace orv::ui
