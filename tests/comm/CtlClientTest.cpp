// orvctl's logic: command line, reply packets, status names, the texts it prints.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "comm/CtlClient.h"

namespace orv::ctl {
namespace {

CtlArgs Args(const std::vector<std::string>& argv) {
    auto parsed = ParseCtlArgs(argv);
    if (auto* error = std::get_if<std::string>(&parsed)) ADD_FAILURE() << *error;
    return std::get_if<CtlArgs>(&parsed) ? std::get<CtlArgs>(parsed) : CtlArgs{};
}
std::string ArgsError(const std::vector<std::string>& argv) {
    auto parsed = ParseCtlArgs(argv);
    return std::get_if<std::string>(&parsed) ? std::get<std::string>(parsed) : "";
}

TEST(CtlArgsTest, OptionsBeforeTheCommand) {
    CtlArgs a = Args({"status"});
    EXPECT_EQ(a.host, "127.0.0.1");
    EXPECT_EQ(a.port, 5003);
    EXPECT_EQ(a.command, "status");

    a = Args({"--host", "telescope.local", "--port=6000", "target", "10:30:00", "-20.5"});
    EXPECT_EQ(a.host, "telescope.local");
    EXPECT_EQ(a.port, 6000);
    EXPECT_EQ(a.args, (std::vector<std::string>{"10:30:00", "-20.5"}));   // -20.5 is no option
    EXPECT_TRUE(Args({"--help"}).help);

    EXPECT_NE(ArgsError({}), "");
    EXPECT_NE(ArgsError({"--port", "70000", "status"}), "");
    EXPECT_NE(ArgsError({"--port"}), "");
    EXPECT_NE(ArgsError({"--colour", "status"}), "");
    EXPECT_NE(ArgsError({"fly"}), "");
    EXPECT_NE(ArgsError({"raw"}), "");
    EXPECT_NE(ArgsError({"status", "now"}), "");
    EXPECT_NE(ArgsError({"target", "10"}), "");
}

TEST(CtlReplyTest, OnlyWellFormedPacketsParse) {
    EXPECT_EQ(*ParseReplyPacket("#9,0,66;"), (std::vector<double>{9, 0, 66}));
    EXPECT_EQ(*ParseReplyPacket("#-1.500000,2000.00;"), (std::vector<double>{-1.5, 2000}));
    EXPECT_TRUE(std::isinf((*ParseReplyPacket("#1,INF;"))[1]));
    for (const char* bad : {"", "#;", "9,0,66;", "#9,0,66", "#9,,66;", "#9, 0;", "#9,x;", "#9,0;;"})
        EXPECT_FALSE(ParseReplyPacket(bad)) << bad;

    EXPECT_FALSE(StatusFromValues({1, 2}));
    EXPECT_FALSE(StatusFromValues({1.5, 0, 0}));
    EXPECT_FALSE(StatusFromValues({-1, 0, 0}));
    EXPECT_FALSE(PositionFromValues({1, 2, 3}));
    EXPECT_FALSE(FullFromValues(std::vector<double>(13, 0)));

    EXPECT_EQ(PacketCodes("xyz#12;#25;#6,1,2;#2"), (std::vector<int>{12, 25, 6}));
    EXPECT_EQ(PacketCodes("#6.9;#-1;"), (std::vector<int>{6, -1}));
    EXPECT_TRUE(PacketCodes("25").empty());
}

TEST(CtlStatusTest, WordsDecodeIntoTheirNames) {
    EXPECT_EQ(StatusNames(1, 9), (std::vector<std::string>{"INITIALIZED", "SLEW ENABLED"}));
    EXPECT_EQ(StatusNames(1, 0x80 | 0x200), (std::vector<std::string>{"SLEWING", "BIT 0x200"}));
    EXPECT_EQ(StatusNames(2, 0x60), (std::vector<std::string>{"COSINE DECLINATION", "RATE CORRECTION"}));
    EXPECT_EQ(StatusNames(3, 66), (std::vector<std::string>{"DOME TRACK", "TARGET LOADED"}));
    EXPECT_EQ(FormatStatus({9, 0, 66}),
              "StatusFlags1 9: INITIALIZED, SLEW ENABLED\n"
              "StatusFlags2 0: -\n"
              "StatusFlags3 66: DOME TRACK, TARGET LOADED\n");
    EXPECT_TRUE(IsSlewing({0x81, 0, 0}));
    EXPECT_FALSE(IsSlewing({0x108, 0, 0}));
}

TEST(CtlPositionTest, LabelledWithSexagesimalAngles) {
    const PositionBlock p{-1.5, 10.5, -20.25, 2000.0, 1.2345, 8.0, 23.999999, 2024.5};
    EXPECT_EQ(FormatPosition(p),
              "HA       -01 30 00.0\n"
              "RA        10 30 00.0\n"
              "Dec      -20 15 00.0\n"
              "Epoch     2000.00\n"
              "AirMass   1.234\n"
              "LST       08 00 00.0\n"
              "UT        24 00 00.0\n"
              "Year      2024.5000\n");
}

TEST(CtlTargetTest, AnglesAndThePacket) {
    EXPECT_EQ(*ParseAngle("10.5"), 10.5);
    EXPECT_EQ(*ParseAngle("10:30:00"), 10.5);
    EXPECT_EQ(*ParseAngle("10 30"), 10.5);
    EXPECT_EQ(*ParseAngle("-00:30:00"), -0.5);
    EXPECT_EQ(*ParseAngle("+20:15:36"), 20.26);
    for (const char* bad : {"", "abc", "10:60:00", "10::30", "10:-5", "1:2:3:4", "nan"})
        EXPECT_FALSE(ParseAngle(bad)) << bad;

    std::string error;
    EXPECT_EQ(*TargetPacketFromArgs({"10.5", "-20.25", "2000"}, error), "#6,10.5,-20.25,2000;");
    EXPECT_EQ(*TargetPacketFromArgs({"10:30:00", "-20:15:00"}, error), "#6,10.5,-20.25;");
    EXPECT_FALSE(TargetPacketFromArgs({"24", "0"}, error));
    EXPECT_NE(error.find("RA"), std::string::npos);
    EXPECT_FALSE(TargetPacketFromArgs({"1", "90"}, error));
    EXPECT_FALSE(TargetPacketFromArgs({"1", "10", "20"}, error));
}

TEST(CtlWaitTest, DistanceLeftToTheTarget) {
    EXPECT_NEAR(AngularDistance(0, 0, 1, 0), 15.0, 1e-9);
    EXPECT_NEAR(AngularDistance(23.9, 0, 0.1, 0), 3.0, 1e-9);   // across 0 h
    EXPECT_NEAR(AngularDistance(3, 89.999, 15, 89.999), 0.002, 1e-6);

    FullBlock f{};
    f.RA = 10.5; f.Dec = -20.25; f.Epoch = 2000;
    f.NextRA = 10.5; f.NextDec = -19.25; f.NextEpoch = 2000;
    EXPECT_NEAR(DistanceToTarget(f), 1.0, 1e-9);
    // A target entered for 2000 seen from a position of 2050: precession moves it
    // by a good half degree, so the raw difference would never reach 0.
    f.Epoch = 2050; f.NextDec = -20.25;
    const double moved = DistanceToTarget(f);
    EXPECT_GT(moved, 0.3);
    EXPECT_LT(moved, 1.0);
    EXPECT_EQ(SlewProgressLine(1.23456), "SLEWING  1.235 deg to go");
}

}  // namespace
}  // namespace orv::ctl
