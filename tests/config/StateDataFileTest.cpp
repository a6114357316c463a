// Reading WinOrv.DAT over the built-in defaults.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <unistd.h>
#include <fstream>

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
    // The 29 values of a complete file, one per line, with `replace` applied.
    static std::string fullFile(std::map<int, std::string> replace = {}) {
        std::string out;
        for (int line = 1; line <= 29; ++line)
            out += (replace.count(line) ? replace[line] : std::to_string(line) + ".5") + "\r\n";
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
    EXPECT_DOUBLE_EQ(params_.Latitude, 1.5);
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
    EXPECT_DOUBLE_EQ(params_.PointingTerm6, 9.5);
}

TEST_F(StateDataFileTest, AShortFileReadsZeroForTheMissingLines) {
    std::string twelve;
    for (int i = 1; i <= 12; ++i) twelve += "1\n";
    ASSERT_FALSE(load(twelve));
    EXPECT_DOUBLE_EQ(params_.PointingTerm8, 1.0);
    EXPECT_DOUBLE_EQ(params_.DomeHomeAzimuth, 0.0);
    EXPECT_DOUBLE_EQ(params_.DomeStartThreshold, 0.0);
    EXPECT_DOUBLE_EQ(params_.HAScale, 0.0);
    EXPECT_DOUBLE_EQ(params_.DomeCountScale, 0.0);
    EXPECT_DOUBLE_EQ(params_.Reserved28, 0.0);
}

TEST_F(StateDataFileTest, BlankLinesAreNotLinesOfTheirOwn) {
    ASSERT_FALSE(load("41.5\n\n\n  \t-105 comment\n0.8\n"));
    EXPECT_DOUBLE_EQ(params_.Latitude, 41.5);
    EXPECT_DOUBLE_EQ(params_.Longitude, -7.0);
    EXPECT_DOUBLE_EQ(params_.RefractionScale, 0.8);
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
