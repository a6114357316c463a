#include "comm/KAVProtocol.h"

#include <cstdlib>

#include "comm/serial/PortHelpers.h"

namespace orv {

namespace {

// ADU of each position, position 0 first.
constexpr int SouthWheelADU[] = {0, 181, 689, 1193, 1689, 2185, 2693, 3200, 3705};
constexpr int StageADU[] = {0, 2360, 20};
constexpr int OnAxisWheelADU[] = {0, 2488, 3173, 3856, 468, 1141, 1812};

// Position 0 is a motor target of every table, but only the on-axis wheel's
// readbacks are matched against it.
constexpr KAVCalibration SouthWheel{SouthWheelADU, int(std::size(SouthWheelADU)), 100, 1};
constexpr KAVCalibration Stage{StageADU, int(std::size(StageADU)), 50, 1};
constexpr KAVCalibration OnAxisWheel{OnAxisWheelADU, int(std::size(OnAxisWheelADU)), 200, 0};

bool IsUpperHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

}  // namespace

const KAVCalibration* KAVCalibrationOf(int device) {
    switch (device) {
    case KAVSouthWheel: return &SouthWheel;
    case KAVStage: return &Stage;
    case KAVOnAxisWheel: return &OnAxisWheel;
    default: return nullptr;
    }
}

std::optional<int> KAVCalibrationADU(int device, int position) {
    const KAVCalibration* table = KAVCalibrationOf(device);
    if (!table || position < 0 || position >= table->positions) return std::nullopt;
    return table->adu[position];
}

std::optional<int> KAVMatchPosition(int device, int adu) {
    const KAVCalibration* table = KAVCalibrationOf(device);
    if (!table) return std::nullopt;
    for (int p = table->firstSearched; p < table->positions; ++p)
        if (std::abs(table->adu[p] - adu) < table->tolerance) return p;
    return std::nullopt;
}

std::array<uint8_t, 2> KAVCommandBytes(int device, int value) {
    return {uint8_t(device * 16 + value / 256), uint8_t(value % 256)};
}

std::optional<int> ParseKAVReadback(std::string_view readback) {
    if (readback.size() != KAVReadbackBytes) return std::nullopt;
    for (size_t i = 1; i <= 3; ++i)
        if (!IsUpperHexDigit(readback[i])) return std::nullopt;
    return 256 * HexDigitValue(uint8_t(readback[1])) + 16 * HexDigitValue(uint8_t(readback[2])) +
           HexDigitValue(uint8_t(readback[3]));
}

std::string KAVStatusLine(std::optional<int> value) {
    return std::to_string(value.value_or(KAVUnknown)) + '\r';
}

}  // namespace orv
