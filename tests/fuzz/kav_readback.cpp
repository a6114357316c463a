// A readback as it comes off the instrument's line, for the device the first
// byte names: read as ADU, matched against that device's calibration, and
// turned into the status line a host receives. Findings besides the
// sanitizers': an ADU beyond 12 bits or not the one its digits spell, a match
// outside the device's table or its tolerance, a status line that does not
// read back as its number, a command that does not carry its device and value.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "comm/KAVProtocol.h"

using orv::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const int device = data[0] % orv::KAVDeviceCount;
    const std::string_view readback(reinterpret_cast<const char*>(data + 1), size - 1);

    const auto adu = orv::ParseKAVReadback(readback);
    if (!adu) return 0;
    Require(readback.size() == orv::KAVReadbackBytes, "a readback of the wrong length was read");
    Require(*adu >= 0 && *adu <= orv::KAVMaxValue, "an ADU beyond 12 bits");
    char digits[8];
    std::snprintf(digits, sizeof digits, "%03X", unsigned(*adu));
    Require(readback.substr(1, 3) == digits, "the ADU is not the one its digits spell");

    const auto position = orv::KAVMatchPosition(device, *adu);
    if (position) {
        const orv::KAVCalibration* table = orv::KAVCalibrationOf(device);
        Require(table != nullptr, "a match for a device without a table");
        Require(*position >= table->firstSearched && *position < table->positions, "a match outside the table");
        const auto expected = orv::KAVCalibrationADU(device, *position);
        Require(expected && std::abs(*expected - *adu) < table->tolerance, "a match outside the tolerance");
    }

    const std::string line = orv::KAVStatusLine(position);
    Require(!line.empty() && line.back() == '\r', "a status line without its CR");
    Require(std::atoi(line.c_str()) == (position ? *position : orv::KAVUnknown), "a status line that is not its number");

    const auto bytes = orv::KAVCommandBytes(device, *adu);
    Require(bytes[0] >> 4 == device && (bytes[0] & 0x0F) * 256 + bytes[1] == *adu,
            "a command that does not carry its device and value");
    return 0;
}
