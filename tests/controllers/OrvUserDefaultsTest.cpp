#include "controllers/OrvUserDefaults.h"

#include <gtest/gtest.h>

#include "config/ScratchDir.h"
#include "control/System.h"
#include "controllers/DefaultsChannels.h"
#include "core/Clock.h"
#include "core/PortBus.h"

namespace orv {
namespace {

using testing::ReadWholeFile;
using testing::ScratchDir;
using testing::WriteWholeFile;

// Channels that keep what they are given and log each call in order. The server
// refuses a port change while it listens, as the socket layer does.
class FakeChannels final : public DefaultsChannels {
public:
    int ExComMode() const override { return mode[0]; }
    int MNCPMode() const override { return mode[1]; }
    int KAVMode() const override { return mode[2]; }
    std::optional<std::string> SetExComMode(int m) override { return setMode(0, "excom", m); }
    std::optional<std::string> SetMNCPMode(int m) override { return setMode(1, "mncp", m); }
    std::optional<std::string> SetKAVMode(int m) override { return setMode(2, "kav", m); }
    SerialSettings serialSettings(SerialChannel c) const override { return serial[size_t(c)]; }
    void setSerialSettings(SerialChannel c, const SerialSettings& s) override {
        serial[size_t(c)] = s;
        log += "settings" + std::to_string(int(c)) + " ";
    }
    bool TCPServerActive() const override { return tcpMode != 0; }
    uint16_t TCPPort() const override { return port; }
    void setTCPPort(uint16_t p) override {
        log += "port " + std::to_string(p) + " ";
        if (TCPServerActive() && p != port) throw std::runtime_error("port change while listening");
        port = p;
    }
    int TCPMode() const override { return tcpMode; }
    std::optional<std::string> SetTCPMode(int m) override {
        log += "tcp " + std::to_string(m) + " ";
        tcpMode = m;
        return m != 0 && port == busyPort ? std::optional<std::string>("cannot listen") : std::nullopt;
    }

    std::optional<std::string> setMode(size_t i, const char* name, int m) {
        log += std::string(name) + " " + std::to_string(m) + " ";
        mode[i] = m;
        return std::nullopt;
    }

    std::array<SerialSettings, 3> serial{};
    std::array<int, 3> mode{};
    uint16_t port = 5003;
    int tcpMode = 0;
    uint16_t busyPort = 0;
    std::string log;
};

class UserDefaultsTest : public ::testing::Test {
protected:
    UserDefaultsTest()
        : sys(clock, bus, SystemOptions{".", false}),
          path(dir.file("WinOrv.ini")),
          defaults(sys, channels, windows, path, [this](const std::string& m) { reports.push_back(m); }) {}

    ScratchDir dir;
    ManualClock clock{0, true};
    RecordingBus bus;
    System sys;
    FakeChannels channels;
    KeptWindowDefaults windows;
    std::string path;
    std::vector<std::string> reports;
    OrvUserDefaults defaults;
};

TEST_F(UserDefaultsTest, AFirstStartWithoutAFileGivesTheStartValues) {
    sys.state.EastSideOperation = 1;
    defaults.GetUserDefaults();
    EXPECT_FALSE(windows.NightColors());
    EXPECT_EQ(windows.Form(), KeptWindowDefaults::Designed);
    EXPECT_EQ(channels.serial[0].Port, 256);
    EXPECT_EQ(channels.mode, (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(channels.port, 5003);
    EXPECT_FALSE(channels.TCPServerActive());
    EXPECT_EQ(defaults.labels(), KAVLabels::Defaults());
    EXPECT_EQ(sys.state.EastSideOperation.load(), 0);
    EXPECT_EQ(sys.state.GuideRate.load(), 5.0);
    EXPECT_EQ(sys.state.SetRate.load(), 100.0);
    EXPECT_TRUE(reports.empty());
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(UserDefaultsTest, GetRunsEveryStepInOrderAndMovesAListeningServer) {
    WriteWholeFile(path,
                   "[TCPIPServer]\r\nPort=6000\r\nMode=2\r\n[ExComRS232]\r\nMode=2\r\n"
                   "[MNCPRS232]\r\nMode=1\r\n[Rates]\r\nGuideSpeed=-3\r\nSetSpeed=2000\r\n");
    channels.tcpMode = 2;   // listening on 5003
    channels.busyPort = 6000;
    sys.state.GuideRate = 5;
    defaults.GetUserDefaults();
    EXPECT_EQ(channels.log, "tcp 0 port 6000 settings0 excom 2 settings1 mncp 1 tcp 2 settings2 kav 0 ");
    EXPECT_EQ(reports, std::vector<std::string>{"cannot listen"});
    // The steps after the failed listen ran too; the rates obey codes 15 and 16.
    EXPECT_EQ(sys.state.GuideRate.load(), 5.0);
    EXPECT_EQ(sys.state.SetRate.load(), 1000.0);
}

TEST_F(UserDefaultsTest, SaveThenGetRestoresEverySavedValue) {
    windows.SetNightColors(true);
    channels.serial = {SerialSettings{2, 8, 3, 1, 2, 0, "/dev/ttyUSB1"}, SerialSettings{5, 12, 4, 2, 0, 0, ""},
                       SerialSettings{1, 4, 4, 0, 1, 0, "/dev/ttyS9"}};
    channels.mode = {1, 2, 1};
    channels.port = 6100;
    channels.tcpMode = 2;
    KAVLabels labels = KAVLabels::Defaults();
    labels.Bits[2] = "Flat lamp";
    labels.SouthFilters[4] = "V";
    labels.OnAxisFilters[5] = "Halpha";
    defaults.setLabels(labels);
    sys.state.EastSideOperation = 1;
    sys.state.GuideRate = 2.5;
    sys.state.SetRate = 64.125;
    const UserDefaults saved = defaults.Current();
    defaults.SaveUserDefaults();
    EXPECT_FALSE(ProfileFile::fromText(ReadWholeFile(path)).hasSection("Form"));

    defaults.RestoreFactoryDefaults();
    channels.serial[2] = {};
    channels.mode[2] = 0;
    defaults.setLabels(KAVLabels::Defaults());
    sys.state.EastSideOperation = 0;
    sys.state.GuideRate = 5;
    sys.state.SetRate = 100;
    ASSERT_NE(defaults.Current(), saved);

    defaults.GetUserDefaults();
    EXPECT_EQ(defaults.Current(), saved);
    EXPECT_TRUE(reports.empty());
}

TEST_F(UserDefaultsTest, OptionsWinForTheRunAndTheWindowTakesOnlyItsOwnPartOnActivation) {
    WriteWholeFile(path, "[Colors]\r\nNightColors=1\r\n[Form]\r\nFormWidth=700\r\n[TCPIPServer]\r\nPort=6000\r\n");
    defaults.setOverrides([](UserDefaults& v) { v.TCPPort = 7000; });
    defaults.ApplyAtStart();
    EXPECT_EQ(channels.port, 7000);
    channels.port = 5003;
    defaults.GetUserDefaults();   // the menu: the options still win
    EXPECT_EQ(channels.port, 7000);

    KeptWindowDefaults window;
    defaults.setWindows(window);
    channels.log.clear();
    defaults.FormActivated();
    EXPECT_TRUE(window.NightColors());
    EXPECT_EQ(window.Form(), (FormGeometry{700, 579, 0, 0}));
    EXPECT_EQ(channels.log, "");
}

TEST_F(UserDefaultsTest, FactoryDefaultsLeaveTheFileKAVAndTheRestAlone) {
    windows.SetNightColors(true);
    channels.serial = {SerialSettings{2, 8, 3, 1, 2, 0, "/dev/ttyUSB1"}, SerialSettings{5, 12, 4, 2, 0, 0, ""},
                       SerialSettings{1, 4, 4, 0, 1, 0, ""}};
    channels.mode = {1, 1, 1};
    channels.port = 6100;
    channels.tcpMode = 2;
    sys.state.GuideRate = 2.5;
    defaults.RestoreFactoryDefaults();

    EXPECT_EQ(channels.log, "settings0 settings1 tcp 0 port 5003 excom 0 mncp 0 tcp 0 ");
    EXPECT_FALSE(windows.NightColors());
    EXPECT_EQ(channels.serial[0], SerialSettings{});
    EXPECT_EQ(channels.serial[1], SerialSettings{});
    EXPECT_EQ(channels.serial[2].Port, 1);
    EXPECT_EQ(channels.mode[2], 1);
    EXPECT_EQ(sys.state.GuideRate.load(), 2.5);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(UserDefaultsTest, EraseSizePositionRemovesOnlyTheFormSection) {
    WriteWholeFile(path, "[Colors]\r\nNightColors=1\r\n[Form]\r\nFormWidth=900\r\nLeftPos=5\r\n[Rates]\r\nSetSpeed=90\r\n");
    windows.SetForm({640, 480, 1, 2});
    defaults.EraseSizePosition();
    EXPECT_EQ(ReadWholeFile(path), "[Colors]\r\nNightColors=1\r\n[Rates]\r\nSetSpeed=90\r\n");
    EXPECT_EQ(windows.Form(), (FormGeometry{640, 480, 1, 2}));

    defaults.SaveSizePosition();
    EXPECT_EQ(ReadWholeFile(path),
              "[Colors]\r\nNightColors=1\r\n[Rates]\r\nSetSpeed=90\r\n"
              "[Form]\r\nFormWidth=640\r\nFormHeight=480\r\nLeftPos=1\r\nTopPos=2\r\n");
}

TEST_F(UserDefaultsTest, ARefusedSaveReportsAndKeepsTheOldFile) {
    const std::string old = "[TCPIPServer]\r\nPort=6000\r\n";
    WriteWholeFile(path, old);
    int rc = testing::RunWithFileSizeLimit(64, [&] {
        defaults.SaveUserDefaults();
        return reports == std::vector<std::string>{"Unable to write to WinOrv.ini"} ? 0 : 1;
    });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(ReadWholeFile(path), old);
}

}  // namespace
}  // namespace orv
