#include "controllers/AboutVersion.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>

namespace orv {
namespace {

TEST(AboutVersionTest, LineFromTheProgramFilesLocalDate) {
    EXPECT_EQ(AboutVersionLine(2002, 6, 19), "Version 0.02.6.19");
    EXPECT_EQ(AboutVersionLine(2025, 1, 5), "Version 0.25.1.5");
    EXPECT_EQ(AboutVersionLine(2100, 12, 31), "Version 0.00.12.31");

    // A file last written at 23:30 local time on 19 June 2002.
    const auto path = std::filesystem::temp_directory_path() / ("orv-about-" + std::to_string(::getpid()));
    std::ofstream(path) << "x";
    std::tm local{};
    local.tm_year = 2002 - 1900;
    local.tm_mon = 5;
    local.tm_mday = 19;
    local.tm_hour = 23;
    local.tm_min = 30;
    local.tm_isdst = -1;
    const utimbuf times{std::mktime(&local), std::mktime(&local)};
    ASSERT_EQ(::utime(path.c_str(), &times), 0);
    EXPECT_EQ(AboutVersionLineOfFile(path.string()), "Version 0.02.6.19");
    std::filesystem::remove(path);
    EXPECT_FALSE(AboutVersionLineOfFile(path.string()).has_value());
}

}  // namespace
}  // namespace orv
