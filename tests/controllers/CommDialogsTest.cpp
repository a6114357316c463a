// The Communications, Serial Settings and TCP/IP Settings models on the real
// channels: ExCom on a pseudo-terminal, the TCP/IP server on loopback.

#include <gtest/gtest.h>

#include <QTcpServer>
#include <regex>

#include "comm/ExCom.h"
#include "comm/LocalAddresses.h"
#include "comm/MNCP.h"
#include "comm/PtyPair.h"
#include "comm/TCPServer.h"
#include "comm/TcpTestSupport.h"
#include "control/System.h"
#include "controllers/OrvComDlg.h"
#include "controllers/OrvComSet.h"
#include "controllers/OrvSetTCP.h"
#include "controllers/LiveChannels.h"
#include "core/Clock.h"
#include "core/PortBus.h"

namespace orv {
namespace {

class CommDialogsTest : public ::testing::Test {
protected:
    CommDialogsTest() : sys(clock, bus, SystemOptions{".", false}), tcp(sys), excom(sys), mncp(sys) {}
    ~CommDialogsTest() override {
        excom.SetExComMode(0);
        tcp.SetTCPMode(0);
    }

    testing::QtAppGuard app;
    ManualClock clock{0, true};
    RecordingBus bus;
    System sys;
    TCPServer tcp;
    ExComChannel excom;
    MNCPChannel mncp;
    testing::LiveChannels channels{tcp, excom, mncp};
    OrvComDlg dialog{channels, sys.log};
    testing::PtyPair pty;
};

TEST_F(CommDialogsTest, ExComSwitchedOnShowsSerialPortWithItsSettingsLocked) {
    excom.ExComPort.DevicePath = pty.path();
    EXPECT_TRUE(dialog.ShowCommDialog().ExComSerialBtn);
    dialog.ExComModeRadioClick(1);
    EXPECT_EQ(dialog.ApplyExComBtnClick(), std::nullopt);
    EXPECT_EQ(excom.ExComMode(), 1);
    EXPECT_TRUE(excom.ExComPort.PortActive());
    EXPECT_FALSE(dialog.view().ExComSerialBtn);

    OrvComDlg reopened(channels, sys.log);
    const CommDlgView v = reopened.ShowCommDialog();
    EXPECT_EQ(v.ExComModeRadio, 1);
    EXPECT_FALSE(v.ExComSerialBtn);

    // The check opens the line exclusively: a second Apply while the channel
    // holds it is refused and the channel goes on.
    const auto again = reopened.ApplyExComBtnClick();
    ASSERT_TRUE(again);
    EXPECT_FALSE(again->error);
    EXPECT_TRUE(excom.ExComPort.PortActive());

    reopened.ExComModeRadioClick(0);
    EXPECT_EQ(reopened.ApplyExComBtnClick(), std::nullopt);
    EXPECT_EQ(excom.ExComMode(), 0);
    EXPECT_FALSE(excom.ExComPort.PortActive());
    EXPECT_TRUE(reopened.view().ExComSerialBtn);
}

TEST_F(CommDialogsTest, SerialPortNoneOrAbsentIsRefusedAndNothingChanges) {
    const std::string message =
        "Invalid Serial Port. The Port may not be set,\n\rmay already in use or not exist on this computer.";
    dialog.ShowCommDialog();
    dialog.ExComModeRadioClick(1);
    dialog.MNCPModeRadioClick(1);
    for (const std::string& device : {std::string(), std::string("/dev/orv-no-such-line")}) {
        excom.ExComPort.DevicePath = mncp.MNCPComPort.DevicePath = device;
        const auto refusedExCom = dialog.ApplyExComBtnClick();
        const auto refusedMNCP = dialog.ApplyMNCPBtnClick();
        ASSERT_TRUE(refusedExCom && refusedMNCP) << device;
        EXPECT_EQ(refusedExCom->text, message);
        EXPECT_EQ(refusedMNCP->text, message);
        EXPECT_EQ(excom.ExComMode(), 0);
        EXPECT_EQ(mncp.MNCPMode(), 0);
        EXPECT_TRUE(dialog.view().ExComSerialBtn);
        EXPECT_TRUE(dialog.view().MNCPSerialBtn);
    }
}

TEST_F(CommDialogsTest, BusyTCPPortGivesTheListenMessageAndLeavesTheServerOff) {
    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress::Any, 0));
    const uint16_t busy = other.serverPort();

    OrvSetTCP settings(channels);
    settings.OKBtnClick(busy);
    EXPECT_EQ(settings.ShowTCPSettings(), busy);

    dialog.ShowCommDialog();
    dialog.TCPIPModeRadioClick(1);
    const auto refused = dialog.ApplyTCPBtnClick();
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->text, "Unable to listen on Port: " + std::to_string(busy) + "\r\nPort is probably already in use.");
    EXPECT_FALSE(tcp.active());
    EXPECT_TRUE(dialog.view().TCPIPBtn);
    // Opened again, the dialog shows the server as it is: off, its port settable.
    EXPECT_EQ(dialog.ShowCommDialog().TCPIPModeRadio, 0);
    EXPECT_TRUE(dialog.view().TCPIPBtn);

    other.close();
    dialog.TCPIPModeRadioClick(1);
    EXPECT_EQ(dialog.ApplyTCPBtnClick(), std::nullopt);
    EXPECT_EQ(tcp.serverPort(), busy);
    EXPECT_FALSE(dialog.view().TCPIPBtn);
}

TEST_F(CommDialogsTest, LogCheckBoxSwitchesTheCommunicationLog) {
    EXPECT_FALSE(dialog.ShowCommDialog().LogCommChk);
    sys.log.LogCommEvent("dropped");
    dialog.LogCommChkClick(true);
    sys.log.LogCommEvent("ExCom Command: 25.00");
    dialog.LogCommChkClick(false);
    sys.log.LogCommEvent("dropped too");
    EXPECT_EQ(sys.log.FlushLog(), std::vector<std::string>{"ExCom Command: 25.00"});
}

TEST_F(CommDialogsTest, SerialSettingsListTheLinesPresentAndStoreOrdinalsOrPaths) {
    const std::vector<std::string> present{"/dev/ttyS0", "/dev/ttyS4", "/dev/ttyUSB0",
                                           "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"};
    OrvComSet set(channels, [&] { return present; });
    excom.ExComPort.Port = 4;
    set.ShowSerialSettings(SerialChannel::ExCom);
    EXPECT_EQ(set.caption(), "Serial Settings For ExCom");
    EXPECT_EQ(set.items(SerialList::Port),
              (std::vector<std::string>{"Com1 (/dev/ttyS0)", "Com5 (/dev/ttyS4)", "/dev/ttyUSB0",
                                        "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0", "None"}));
    EXPECT_EQ(set.selection(SerialList::Port), 1);
    EXPECT_EQ(set.selection(SerialList::BaudRate), 6);   // 9600
    EXPECT_EQ(set.items(SerialList::BaudRate)[6], "9600");

    // Com13 is not on this computer: the list keeps its selection.
    excom.ExComPort.Port = 12;
    set.ShowSerialSettings(SerialChannel::ExCom);
    EXPECT_EQ(set.selection(SerialList::Port), 1);

    // A USB adapter is kept by its path; a ttyS by its ordinal.
    set.select(SerialList::Port, 3);
    set.select(SerialList::BaudRate, 12);
    set.select(SerialList::Parity, 2);
    set.OKBtnClick();
    EXPECT_EQ(excom.ExComPort.DevicePath, present[3]);
    EXPECT_EQ(excom.ExComPort.Port, tptNone);
    EXPECT_EQ(excom.ExComPort.BaudRate, tbr115200);
    EXPECT_EQ(excom.ExComPort.Parity, tpEven);
    set.ShowSerialSettings(SerialChannel::ExCom);
    EXPECT_EQ(set.selection(SerialList::Port), 3);
    set.select(SerialList::Port, 0);
    set.OKBtnClick();
    EXPECT_EQ(excom.ExComPort.Port, 0);
    EXPECT_EQ(excom.ExComPort.DevicePath, "");
    set.select(SerialList::Port, 4);
    set.OKBtnClick();
    EXPECT_EQ(excom.ExComPort.Port, 256);

    // The MNCP line's own settings; a list without a selection keeps its value.
    mncp.MNCPComPort.DevicePath = "/dev/ttyUSB9";
    mncp.MNCPComPort.StopBits = 7;
    set.ShowSerialSettings(SerialChannel::MNCP);
    EXPECT_EQ(set.caption(), "Serial Settings For MNCP");
    EXPECT_EQ(set.selection(SerialList::Port), 4);   // unplugged: "None" stays selected
    set.select(SerialList::StopBits, -1);
    set.select(SerialList::Port, 2);
    set.OKBtnClick();
    EXPECT_EQ(mncp.MNCPComPort.DevicePath, "/dev/ttyUSB0");
    EXPECT_EQ(mncp.MNCPComPort.StopBits, 7);
}

TEST_F(CommDialogsTest, NewBaudRateReachesTheLineOnlyAtTheNextSwitchOn) {
    excom.ExComPort.DevicePath = pty.path();
    dialog.ExComModeRadioClick(1);
    ASSERT_EQ(dialog.ApplyExComBtnClick(), std::nullopt);
    ASSERT_EQ(excom.ExComPort.LineBaudRate(), 9600u);

    OrvComSet set(channels, [] { return std::vector<std::string>{}; });
    set.ShowSerialSettings(SerialChannel::ExCom);
    set.select(SerialList::BaudRate, 8);   // "19200"
    set.OKBtnClick();
    EXPECT_EQ(excom.ExComPort.LineBaudRate(), 9600u);

    dialog.ExComModeRadioClick(0);
    dialog.ApplyExComBtnClick();
    dialog.ExComModeRadioClick(1);
    ASSERT_EQ(dialog.ApplyExComBtnClick(), std::nullopt);
    EXPECT_EQ(excom.ExComPort.LineBaudRate(), 19200u);
}

TEST(LocalAddressesTest, DottedIPv4WithLoopbackLastAndAtMostTen) {
    const auto list = LocalIPv4Addresses();
    ASSERT_FALSE(list.empty());
    ASSERT_LE(list.size(), 10u);
    const std::regex dotted(R"(\d{1,3}\.\d{1,3}\.\d{1,3}\.\d{1,3})");
    bool loopbackSeen = false;
    for (const std::string& a : list) {
        EXPECT_TRUE(std::regex_match(a, dotted)) << a;
        const bool loopback = a.rfind("127.", 0) == 0;
        EXPECT_TRUE(loopback || !loopbackSeen) << a << " after a loopback address";
        loopbackSeen |= loopback;
    }
}

}  // namespace
}  // namespace orv
