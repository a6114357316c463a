// Reading WinOrv.DAT over the built-in defaults.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "config/StateDataFile.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

class StateDataFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("orv-statedata-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        SetStateDefaults(params_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::optional<std::string> load(const std::string& text) {
        auto path = dir_ / "WinOrv.DAT";
        std::ofstream(path, std::ios::binary) << text;
        auto error = LoadStateData(path.string(), "WinOrv.DAT", params_, failed_);
        DeriveStateValues(params_);
        return error;
    }
    // The 29 values of a complete file of a plausible installation, one per
    // line, with `replace` applied.
    static std::string fullFile(std::map<int, std::string> replace = {}) {
        static const char* const values[29] = {
            "41.5", "105.5", "0.95", "1.5", "2.5", "3.5", "4.5", "5.5", "6.5", "9.5",
            "7.5", "8.5", "180.5", "74.5", "0.1", "0.11", "0.000003", "1.07", "1.02", "359000",
            "12.5", "96.5", "2.75", "1.25", "1.5", "26.5", "27.5", "28.5", "29.5"};
        std::string out;
        for (int line = 1; line <= 29; ++line)
            out += (replace.count(line) ? replace[line] : values[line - 1]) + std::string("\r\n");
        return out;
    }

    fs::path dir_;
    Parameters params_;
    std::string failed_;
};

TEST_F(StateDataFileTest, MissingFileKeepsTheDefaultsAndIsListed) {
    auto error = LoadStateData((dir_ / "WinOrv.DAT").string(), "WinOrv.DAT", params_, failed_);
    DeriveStateValues(params_);
    EXPECT_FALSE(error);
    EXPECT_EQ(failed_, "WinOrv.DAT\r\n");
    EXPECT_DOUBLE_EQ(params_.Latitude, 40.0);
    EXPECT_DOUBLE_EQ(params_.Longitude, 7.0);
    EXPECT_DOUBLE_EQ(params_.RefractionScale, 0.9);
    EXPECT_DOUBLE_EQ(params_.PointingTerm1, 0.0);
    EXPECT_DOUBLE_EQ(params_.PointingTerm9, 0.0);
    EXPECT_DOUBLE_EQ(params_.ZenithLimit, 74.9);
    EXPECT_DOUBLE_EQ(params_.UTTicksPerHour, 720000.0);  // exact for an accurate host clock
    EXPECT_NEAR(params_.DomeHomeAzimuth, 270.0 * 3.14159265358979323846 / 180, 1e-12);
    EXPECT_NEAR(params_.SinLatitude, std::sin(40.0 * 3.14159265358979323846 / 180), 1e-15);
}

TEST_F(StateDataFileTest, AFileThatIsADirectoryCountsAsUnreadable) {
    fs::create_directories(dir_ / "WinOrv.DAT");
    LoadStateData((dir_ / "WinOrv.DAT").string(), "WinOrv.DAT", params_, failed_);
    EXPECT_EQ(failed_, "WinOrv.DAT\r\n");
}

TEST_F(StateDataFileTest, ValuesAreConvertedToTheirHeldUnitsAndCommentsIgnored) {
    auto error = load(fullFile({{2, "-70.8 west longitude"}, {13, "180 home"}, {18, "1.08"}, {19, "3.6"},
                                {20, "180000"}, {23, "2.5"}}));
    ASSERT_FALSE(error);
    EXPECT_TRUE(failed_.empty());
    EXPECT_DOUBLE_EQ(params_.Latitude, 41.5);
    EXPECT_DOUBLE_EQ(params_.Longitude, -70.8 / 15);
    EXPECT_NEAR(params_.DomeHomeAzimuth, 3.14159265358979323846, 1e-12);
    EXPECT_DOUBLE_EQ(params_.HAScale, 1.08 / 15 / 3600);
    EXPECT_DOUBLE_EQ(params_.DecScale, 3.6 / 3600);
    EXPECT_DOUBLE_EQ(params_.UTTicksPerHour, 360000.0);
    EXPECT_DOUBLE_EQ(params_.SidTicksPerHour, 360000.0 / 1.00273790935);
    EXPECT_NEAR(params_.DomeStartThreshold, 2.5 * 3.14159265358979323846 / 180, 1e-15);
    EXPECT_DOUBLE_EQ(params_.Reserved29, 29.5);
}

TEST_F(StateDataFileTest, TheTenthLineIsTheNinthPointingTerm) {
    ASSERT_FALSE(load(fullFile({{10, "9.25"}, {11, "7.25"}, {12, "8.25"}})));
    EXPECT_DOUBLE_EQ(params_.PointingTerm9, 9.25);
    EXPECT_DOUBLE_EQ(params_.PointingTerm7, 7.25);
    EXPECT_DOUBLE_EQ(params_.PointingTerm8, 8.25);
    EXPECT_DOUBLE_EQ(params_.PointingTerm6, 6.5);
}

// A short file would leave zero scales and a clock that stands still: the
// missing values keep their defaults and the operator is told how many it held.
TEST_F(StateDataFileTest, AShortFileKeepsTheDefaultsOfTheMissingValuesAndSaysSo) {
    std::string twelve;
    for (int i = 1; i <= 12; ++i) twelve += "1\n";
    EXPECT_EQ(load(twelve), "WinOrv.DAT holds 12 of its 29 values; the missing ones keep their defaults.");
    EXPECT_DOUBLE_EQ(params_.PointingTerm8, 1.0);
    EXPECT_NEAR(params_.DomeHomeAzimuth, 270.0 * 3.14159265358979323846 / 180, 1e-12);
    EXPECT_DOUBLE_EQ(params_.HAScale, 1.062566 / 15 / 3600);
    EXPECT_DOUBLE_EQ(params_.DomeCountScale, 0.00000342);
    EXPECT_DOUBLE_EQ(params_.UTTicksPerHour, 720000.0);
    EXPECT_DOUBLE_EQ(params_.Reserved28, 2129.0);

    SetStateDefaults(params_);
    EXPECT_EQ(load(""), "WinOrv.DAT holds 0 of its 29 values; the missing ones keep their defaults.");
    EXPECT_DOUBLE_EQ(params_.Latitude, 40.0);
    EXPECT_TRUE(failed_.empty());
}

TEST_F(StateDataFileTest, BlankLinesAreNotLinesOfTheirOwn) {
    load("41.5\n\n\n  \t-105 comment\n0.8\n");
    EXPECT_DOUBLE_EQ(params_.Latitude, 41.5);
    EXPECT_DOUBLE_EQ(params_.Longitude, -7.0);
    EXPECT_DOUBLE_EQ(params_.RefractionScale, 0.8);
}

// Each value outside its physical range keeps its default and is reported with
// its line in the file; the values around it load as usual.
TEST_F(StateDataFileTest, ValuesOutOfTheirRangeKeepTheirDefaults) {
    const auto message = load("\n" + fullFile({{1, "1e300"}, {3, "-0.9"}, {14, "1e308"}, {15, "0"},
                                               {18, "-1.06"}, {20, "-5 clock"}, {22, "0"}, {24, "200"}}));
    ASSERT_TRUE(message);
    std::vector<std::string> lines;
    for (size_t at = 0; at <= message->size();) {
        const size_t end = std::min(message->find("\r\n", at), message->size());
        lines.push_back(message->substr(at, end - at));
        at = end + 2;
    }
    // The file begins with a blank line: each value stands one line further down.
    const std::vector<std::string> starts = {
        "Invalid value in WinOrv.DAT line 2: \"1e300\" (latitude",
        "Invalid value in WinOrv.DAT line 4: \"-0.9\"",
        "Invalid value in WinOrv.DAT line 15: \"1e308\" (zenith limit",
        "Invalid value in WinOrv.DAT line 16: \"0\"",
        "Invalid value in WinOrv.DAT line 19: \"-1.06\"",
        "Invalid value in WinOrv.DAT line 21: \"-5\"",
        "Invalid value in WinOrv.DAT line 23: \"0\"",
        "Invalid value in WinOrv.DAT line 25: \"200\"",
    };
    ASSERT_EQ(lines.size(), starts.size()) << *message;
    for (size_t i = 0; i < starts.size(); ++i) EXPECT_EQ(lines[i].rfind(starts[i], 0), 0u) << lines[i];
    EXPECT_NE(lines[0].find("the default 40 is used"), std::string::npos) << lines[0];

    EXPECT_DOUBLE_EQ(params_.Latitude, 40.0);
    EXPECT_DOUBLE_EQ(params_.RefractionScale, 0.9);
    EXPECT_DOUBLE_EQ(params_.ZenithLimit, 74.9);
    EXPECT_DOUBLE_EQ(params_.RAStepSize, 0.10756564);
    EXPECT_DOUBLE_EQ(params_.HAScale, 1.062566 / 15 / 3600);
    EXPECT_DOUBLE_EQ(params_.UTTicksPerHour, 720000.0);
    EXPECT_DOUBLE_EQ(params_.DomeRadius, 96.0);
    EXPECT_NEAR(params_.DomeStopThreshold, 1.0 * 3.14159265358979323846 / 180, 1e-15);
    EXPECT_DOUBLE_EQ(params_.Longitude, 105.5 / 15);     // the good values around them load
    EXPECT_DOUBLE_EQ(params_.DecStepSize, 0.11);
    EXPECT_DOUBLE_EQ(params_.DecScale, 1.02 / 3600);
    EXPECT_TRUE(failed_.empty());
}

// UTF-16 reads as one digit per line (latitude 4, a clock that runs a day in
// under a second); such a file is refused whole and everything keeps its default.
TEST_F(StateDataFileTest, AFileThatIsNotPlainTextIsRefused) {
    std::string utf16 = "\xFF\xFE";
    for (char c : fullFile()) utf16 += std::string{c, '\0'};
    EXPECT_EQ(load(utf16), "WinOrv.DAT is not a plain text file: it is UTF-16 text (it begins with a "
                           "UTF-16 byte-order mark).");
    EXPECT_EQ(failed_, "WinOrv.DAT\r\n");
    EXPECT_DOUBLE_EQ(params_.Latitude, 40.0);
    EXPECT_DOUBLE_EQ(params_.UTTicksPerHour, 720000.0);

    failed_.clear();
    EXPECT_EQ(load(fullFile({{5, std::string("2.5\0", 4)}})),
              "WinOrv.DAT is not a plain text file: it holds NUL bytes.");
    EXPECT_EQ(failed_, "WinOrv.DAT\r\n");
    EXPECT_DOUBLE_EQ(params_.Latitude, 40.0);

    // A UTF-8 byte-order mark, as some editors write, is plain text.
    failed_.clear();
    EXPECT_FALSE(load("\xEF\xBB\xBF" + fullFile()));
    EXPECT_DOUBLE_EQ(params_.Latitude, 41.5);
}

// A FIFO or a device under the file's name would hang the start or never end;
// a huge file would take minutes and gigabytes. Each is refused at once.
TEST_F(StateDataFileTest, OnlyASmallRegularFileIsRead) {
    const auto path = dir_ / "WinOrv.DAT";
    const auto refused = [&](const std::string& why) {
        failed_.clear();
        SetStateDefaults(params_);
        const auto start = std::chrono::steady_clock::now();
        const auto message = LoadStateData(path.string(), "WinOrv.DAT", params_, failed_);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << why;
        EXPECT_EQ(message, "WinOrv.DAT cannot be read: " + why + ".");
        EXPECT_EQ(failed_, "WinOrv.DAT\r\n");
        EXPECT_DOUBLE_EQ(params_.Latitude, 40.0);
        fs::remove(path);
    };
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    refused("not a regular file");
    fs::create_symlink("/dev/zero", path);
    refused("not a regular file");
    std::ofstream(path, std::ios::binary) << fullFile() << std::string(StateDataMaxBytes, '#');
    refused("larger than 65536 bytes");

    // A symbolic link to a state data file is as good as the file.
    std::ofstream(dir_ / "site.dat", std::ios::binary) << fullFile();
    fs::create_symlink(dir_ / "site.dat", path);
    failed_.clear();
    EXPECT_FALSE(LoadStateData(path.string(), "WinOrv.DAT", params_, failed_));
    EXPECT_DOUBLE_EQ(params_.Latitude, 41.5);
}

TEST_F(StateDataFileTest, AnUnreadableNumberKeepsWhatWasReadAndTheDefaultsForTheRest) {
    auto error = load("41.5\n-105\nabc refraction\n12\n");
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("Invalid numeric input"), std::string::npos);
    EXPECT_NE(error->find("line 3"), std::string::npos);
    EXPECT_DOUBLE_EQ(params_.Latitude, 41.5);
    EXPECT_DOUBLE_EQ(params_.Longitude, -7.0);
    EXPECT_DOUBLE_EQ(params_.RefractionScale, 0.9);  // the failing line keeps its default
    EXPECT_DOUBLE_EQ(params_.PointingTerm1, 0.0);
    EXPECT_DOUBLE_EQ(params_.ZenithLimit, 74.9);
}

TEST_F(StateDataFileTest, ANumberRunIntoLettersIsNotANumber) {
    auto error = load("40.5deg\n");
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("line 1"), std::string::npos);
    EXPECT_DOUBLE_EQ(params_.Latitude, 40.0);
}

}  // namespace
}  // namespace orv
