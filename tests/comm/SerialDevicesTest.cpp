// The serial lines offered to the operator, on a made-up /dev and /sys/class/tty.

#include "comm/serial/SerialDevices.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "config/ScratchDir.h"

namespace orv {
namespace {

namespace fs = std::filesystem;

TEST(SerialDevicesTest, ListsEachGroupInNumericOrderAndSkipsPortsWithoutUart) {
    testing::ScratchDir scratch;
    const fs::path dev = fs::path(scratch.path()) / "dev", sys = fs::path(scratch.path()) / "tty";
    fs::create_directories(dev / "serial" / "by-id");
    for (const char* name : {"ttyS10", "ttyS2", "ttyS3", "ttyACM1", "ttyUSB0", "ttyS1x", "tty5", "ttyACM0"})
        std::ofstream(dev / name).put('\n');
    std::ofstream(dev / "serial" / "by-id" / "usb-b").put('\n');
    std::ofstream(dev / "serial" / "by-id" / "usb-a").put('\n');
    for (const auto& [name, type] : {std::pair{"ttyS2", "4"}, std::pair{"ttyS3", "0"}}) {
        fs::create_directories(sys / name);
        std::ofstream(sys / name / "type") << type << '\n';
    }
    const std::string d = dev.string() + "/";
    EXPECT_EQ(ListSerialDevices(dev.string(), sys.string()),
              (std::vector<std::string>{d + "ttyS2", d + "ttyS10", d + "ttyUSB0", d + "ttyACM0", d + "ttyACM1",
                                        d + "serial/by-id/usb-a", d + "serial/by-id/usb-b"}));
    EXPECT_EQ(TtySOrdinal("/dev/ttyS12"), 12);
    EXPECT_EQ(TtySOrdinal("/dev/ttyS256"), -1);
    EXPECT_EQ(TtySOrdinal("/dev/ttyS01"), -1);
    EXPECT_EQ(TtySOrdinal("/dev/ttyUSB0"), -1);
}

}  // namespace
}  // namespace orv
