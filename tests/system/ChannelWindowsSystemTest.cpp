// The remote channels and the instrument worked from their windows' models on
// the simulated telescope: the operator picks a pseudo-terminal in Serial
// Settings and switches ExCom on in the Communications dialog, and a host on
// the line asks for the position; the operator moves the simulated KAV's south
// wheel from the KAV window, and a host sees where it went.

#include <gtest/gtest.h>

#include <cmath>

#include "astro/TextFormats.h"
#include "comm/ExCom.h"
#include "comm/ExComReplies.h"
#include "comm/KAVHostQueries.h"
#include "comm/KAVLink.h"
#include "comm/MNCP.h"
#include "comm/PtyPair.h"
#include "comm/TCPServer.h"
#include "comm/TcpTestSupport.h"
#include "controllers/LiveChannels.h"
#include "controllers/OrvComDlg.h"
#include "controllers/OrvComSet.h"
#include "controllers/OrvKAVCon.h"
#include "sim/SimulatedKAV.h"
#include "system/SimSystem.h"

namespace orv {
namespace {

TEST(ChannelWindowsSystemTest, ExComSwitchedOnInTheDialogAnswersThePositionQuery) {
    testing::QtAppGuard app;
    testing::SimSystem sim{20.0};
    ASSERT_TRUE(sim.started);
    testing::PtyPair host;
    TCPServer tcp(sim.system);
    ExComChannel excom(sim.system);
    MNCPChannel mncp(sim.system);
    testing::LiveChannels channels(tcp, excom, mncp);

    // The telescope synchronised 10 degrees south of the zenith on the meridian.
    ASSERT_TRUE(sim.setDate(2024, 3, 15, 3.0));
    const double lat = sim.system.params.Latitude, ra = sim.system.state.LST, dec = lat - 10;
    ASSERT_TRUE(sim.command(3, {ra, dec, 0}));
    ASSERT_TRUE(sim.waitFor([&] { return std::fabs(sim.system.state.Dec - dec) < 0.05; }, 10000));

    OrvComSet serial(channels, [&] { return std::vector<std::string>{"/dev/ttyS0", host.path()}; });
    serial.ShowSerialSettings(SerialChannel::ExCom);
    serial.select(SerialList::Port, 1);
    serial.select(SerialList::BaudRate, 12);   // 115200
    serial.OKBtnClick();
    OrvComDlg dialog(channels, sim.system.log);
    dialog.ShowCommDialog();
    dialog.ExComModeRadioClick(ConnectedItem);
    ASSERT_EQ(dialog.ApplyExComBtnClick(), std::nullopt);
    EXPECT_EQ(excom.ExComPort.LineBaudRate(), 115200u);

    host.write("25\r");
    const std::vector<double> position = testing::ReadExComNumbers(host, 8);   // HA, RA, Dec, Epoch, air mass, LST, UT, year
    ASSERT_EQ(position.size(), 8u);
    EXPECT_NEAR(position[1], ra, 0.01);
    EXPECT_NEAR(position[2], dec, 0.05);
    EXPECT_NEAR(position[7], 2024.2, 0.01);

    // Switched off in the dialog, the line is let go and nothing answers.
    dialog.ExComModeRadioClick(NoConnectionItem);
    EXPECT_EQ(dialog.ApplyExComBtnClick(), std::nullopt);
    EXPECT_FALSE(excom.ExComPort.PortActive());
    host.write("25\r");
    EXPECT_EQ(host.readFor(500), "");
}

TEST(ChannelWindowsSystemTest, KAVWindowMovesTheSouthWheelAndAHostSeesIt) {
    testing::SimSystem sim{4.0};   // a filter position in about a quarter of a second
    ASSERT_TRUE(sim.started);
    SimulatedKAV instrument(sim.clock);
    KAVLink link(sim.system);
    link.KAVComPort.DevicePath = instrument.devicePath();
    link.SetKAVMode(1);
    testing::PtyPair host;
    ExComChannel excom(sim.system);
    excom.setKAVQueries(KAVQueriesForExCom(link));
    excom.ExComPort.DevicePath = host.path();
    excom.SetExComMode(1);

    KAVDialogModel window(link, sim.clock);
    window.FormShow();
    ASSERT_TRUE(window.ApplySouth(6));
    ASSERT_TRUE(sim.waitFor([&] {
        const auto v = window.Refresh();
        return v.statusText == "Success" && v.devices.southPosition == 6;
    }, 60000, 50));
    // Position 6 of the south wheel lies at 2693 ADU.
    EXPECT_NEAR(instrument.truth().southADU, 2693, 1);
    EXPECT_NEAR(window.Refresh().devices.southADU, 2693, 100);
    window.Close();

    host.write("43\r");   // south wheel, stage, mirror, on-axis wheel
    const std::vector<double> status = testing::ReadExComNumbers(host, 4);
    ASSERT_EQ(status.size(), 4u);
    EXPECT_EQ(status[0], 6);
    EXPECT_EQ(status[1], 1);   // the stage still stowed
    excom.SetExComMode(0);
}

}  // namespace
}  // namespace orv
