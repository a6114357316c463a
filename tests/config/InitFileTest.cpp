#include "config/InitFile.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "config/ScratchDir.h"

namespace orv {
namespace {

using testing::ReadWholeFile;
using testing::ScratchDir;
using testing::WriteWholeFile;

// Values in force that differ from every file default, so a default that fell
// back to them (or failed to) shows.
UserDefaults InForce() {
    UserDefaults c;
    c.Form = {800, 600, 10, 20};
    c.GuideSpeed = 7.5;
    c.SetSpeed = 150;
    return c;
}

TEST(InitFile, AnEmptyFileGivesEveryDefault) {
    UserDefaults v = ReadUserDefaults(ProfileFile(), InForce());
    EXPECT_FALSE(v.NightColors);
    for (const SerialSettings* s : {&v.ExCom, &v.MNCP}) {
        EXPECT_EQ(s->Port, 256);
        EXPECT_EQ(s->BaudRate, 6);
        EXPECT_EQ(s->DataBits, 4);
        EXPECT_EQ(s->Parity, 0);
        EXPECT_EQ(s->StopBits, 0);
        EXPECT_EQ(s->Mode, 0);
        EXPECT_EQ(s->Device, "");
    }
    EXPECT_EQ(v.TCPPort, 5003);
    EXPECT_EQ(v.TCPMode, 0);
    EXPECT_EQ(v.Labels.Bits[0], "Bit-0");
    EXPECT_EQ(v.Labels.Bits[7], "Bit-7");
    EXPECT_EQ(v.Labels.SouthFilters[0], "Filter-1");
    EXPECT_EQ(v.Labels.SouthFilters[7], "Filter-8");
    EXPECT_EQ(v.Labels.OnAxisFilters[5], "Filter-6");
    EXPECT_FALSE(v.EastSideOperation);
    // These default to what is in force.
    EXPECT_EQ(v.Form, (FormGeometry{800, 600, 10, 20}));
    EXPECT_EQ(v.GuideSpeed, 7.5);
    EXPECT_EQ(v.SetSpeed, 150);
}

TEST(InitFile, WrittenInTheFilesOrderAndReadBackWhole) {
    UserDefaults v;
    v.NightColors = true;
    v.ExCom = {3, 12, 3, 2, 2, 1, "/dev/ttyUSB0"};
    v.MNCP = {12, 0, 0, 4, 1, 2, ""};
    v.KAV = {1, 9, 4, 1, 0, 1, "/dev/serial/by-id/kav"};
    v.TCPPort = 6001;
    v.TCPMode = 2;
    v.Labels.Bits[3] = "Lamp";
    v.Labels.SouthFilters[7] = "B 2x2";
    v.Labels.OnAxisFilters[0] = "Clear";
    v.EastSideOperation = true;
    v.GuideSpeed = 2.25;
    v.SetSpeed = 120.5;

    ProfileFile f;
    WriteUserDefaults(f, v);
    EXPECT_EQ(f.sections(), (std::vector<std::string>{"Colors", "ExComRS232", "MNCPRS232", "KAVControlRS232",
                                                     "TCPIPServer", "KAVBits", "SouthList", "OnAxisList",
                                                     "Telescope", "Rates"}));
    EXPECT_EQ(f.keys("ExComRS232"),
              (std::vector<std::string>{"Port", "BaudRate", "DataBits", "Parity", "StopBits", "Mode", "Device"}));
    EXPECT_FALSE(f.hasKey("MNCPRS232", "Device"));
    EXPECT_EQ(f.keys("OnAxisList").size(), 6u);
    EXPECT_NE(f.text().find("[Rates]\r\nGuideSpeed=2.25\r\nSetSpeed=120.5\r\n"), std::string::npos);

    UserDefaults back = ReadUserDefaults(ProfileFile::fromText(f.text()), InForce());
    back.Form = v.Form;   // not part of this section set
    EXPECT_EQ(back, v);

    // A device path the operator cleared is not read back at the next start.
    v.ExCom.Device.clear();
    WriteUserDefaults(f, v);
    EXPECT_FALSE(f.hasKey("ExComRS232", "Device"));
}

TEST(InitFile, BadValuesReadAsTheKeysDefault) {
    ProfileFile f = ProfileFile::fromText(
        "[ExComRS232]\nPort=12\nBaudRate=13\nDataBits=eight\nParity=-1\nStopBits=2\nMode=2\n"
        "[TCPIPServer]\nPort=70000\nMode=7\n"
        "[Rates]\nGuideSpeed=2,5\nSetSpeed=fast\n"
        "[Telescope]\nMode=3\n");
    UserDefaults v = ReadUserDefaults(f, InForce());
    EXPECT_EQ(v.ExCom.Port, 12);
    EXPECT_EQ(v.ExCom.BaudRate, 6);
    EXPECT_EQ(v.ExCom.DataBits, 4);
    EXPECT_EQ(v.ExCom.Parity, 0);
    EXPECT_EQ(v.ExCom.StopBits, 2);
    EXPECT_EQ(v.ExCom.Mode, 2);
    EXPECT_EQ(v.TCPPort, 5003);
    EXPECT_EQ(v.TCPMode, 7);
    EXPECT_EQ(v.GuideSpeed, 2.5);
    EXPECT_EQ(v.SetSpeed, 150);
    EXPECT_TRUE(v.EastSideOperation);
}

TEST(InitFile, TimeUpdateIntervalInMilliseconds) {
    ProfileFile f = ProfileFile::fromText("[TimeUpdate]\r\nInterval=5400000\r\nEnabled=1\r\n");
    TimeUpdateSettings t = ReadTimeUpdate(f, {});
    EXPECT_EQ(t.IntervalHours, 1.5);
    EXPECT_TRUE(t.Enabled);

    TimeUpdateSettings none = ReadTimeUpdate(ProfileFile(), {2.0, false});
    EXPECT_EQ(none.IntervalHours, 2.0);
    EXPECT_FALSE(none.Enabled);

    ProfileFile out;
    WriteTimeUpdate(out, {1.0 / 3.0, false});
    EXPECT_EQ(out.text(), "[TimeUpdate]\r\nInterval=1200000\r\nEnabled=0\r\n");
}

TEST(InitFile, PlaceFollowsDataDirElseTheConfigHome) {
    EXPECT_EQ(InitFilePath(std::string("/srv/orv")), "/srv/orv/WinOrv.ini");
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = xdg ? xdg : "";
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(InitFilePath(std::nullopt), "/cfg/orv/WinOrv.ini");
    ::unsetenv("XDG_CONFIG_HOME");
    if (const char* home = std::getenv("HOME")) {
        EXPECT_EQ(InitFilePath(std::nullopt), std::string(home) + "/.config/orv/WinOrv.ini");
    }
    if (xdg) ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
}

TEST(InitFile, AFirstSaveCreatesTheDirectoryAndARefusedOneKeepsTheOldFile) {
    ScratchDir dir;
    const std::string fresh = (dir.path() / "cfg" / "orv" / "WinOrv.ini").string();
    EXPECT_EQ(UpdateInitFile(fresh, [](ProfileFile& f) { f.writeInteger("TCPIPServer", "Port", 6000); }),
              std::nullopt);
    EXPECT_EQ(ReadWholeFile(fresh), "[TCPIPServer]\r\nPort=6000\r\n");

    // A full disk: the new file cannot be written whole.
    const std::string path = dir.file("WinOrv.ini");
    const std::string old = "; the observatory's\r\n[Colors]\r\nNightColors=1\r\n";
    WriteWholeFile(path, old);
    int rc = testing::RunWithFileSizeLimit(16, [&] {
        auto e = UpdateInitFile(path, [](ProfileFile& f) { WriteUserDefaults(f, UserDefaults{}); });
        return e == std::string("Unable to write to WinOrv.ini") ? 0 : 1;
    });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(ReadWholeFile(path), old);

    // No place to create the directory in.
    WriteWholeFile(dir.file("plain"), "x");
    EXPECT_EQ(UpdateInitFile(dir.file("plain") + "/orv/WinOrv.ini", [](ProfileFile&) {}),
              std::string("Unable to write to WinOrv.ini"));
}

}  // namespace
}  // namespace orv
