#pragma once
// The Kavallo instrument's byte protocol without the line: device numbers, the
// calibration tables that turn a position readback (A/D units, ADU) into a
// filter or stage position, the two-byte commands, the hexadecimal readback and
// the status lines the hosts receive. Only KAVLink touches a port.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orv {

// The high nibble of a command's first byte.
enum KAVDevice : int {
    KAVSouthWheel = 0,   // south filter wheel, positions 1 ... 8
    KAVStage = 1,        // translating stage, 1 stow, 2 on axis
    KAVMirror = 2,       // rotating mirror, 0 north, 1 west, 2 south, 3 east
    KAVOnAxisWheel = 3,  // on-axis filter wheel, positions 1 ... 6
    KAVPort = 4,         // the 8-bit output port "KAV I/O"
};
inline constexpr int KAVDeviceCount = 5;

inline constexpr uint8_t KAVAttentionByte = 0xF5;   // to the KAV
inline constexpr uint8_t KAVAcknowledgeByte = 0xEA; // from the KAV: attention acknowledged
// The command value that asks a device for its readback instead of moving it.
inline constexpr int KAVStatusRequest = 4095;
inline constexpr int KAVMaxValue = 4095;            // commands carry 12 bits
inline constexpr int KAVMirrorPositions = 4;        // 0 ... 3
inline constexpr int KAVPortMax = 255;
// Bytes of a position readback: a character, three hexadecimal digits, one more byte.
inline constexpr size_t KAVReadbackBytes = 5;
// Bytes of an I/O readback: the port value and one more byte.
inline constexpr size_t KAVIOReadbackBytes = 2;

// What a host is told and the window shows for a position nobody knows.
inline constexpr int KAVUnknown = -9999;

// A device's calibration: the ADU of each position (index 0 is position 0, at
// 0 ADU), how close a readback must come (strictly less than), and the first
// position a readback is matched against.
struct KAVCalibration {
    const int* adu;
    int positions;       // entries in adu, position 0 included
    int tolerance;
    int firstSearched;
};
// The table of a wheel or the stage; nullptr for the mirror and the port.
const KAVCalibration* KAVCalibrationOf(int device);
// The ADU a motor command drives to for `position`; nothing when the device has
// no table or the position is not in it.
std::optional<int> KAVCalibrationADU(int device, int position);
// The first searched position whose calibration differs from `adu` by less than
// the tolerance; nothing when none does.
std::optional<int> KAVMatchPosition(int device, int adu);

// The two command bytes: device * 16 + value div 256, then value mod 256.
std::array<uint8_t, 2> KAVCommandBytes(int device, int value);
// The ADU of a position readback: its characters 2 to 4 as upper-case
// hexadecimal digits, most significant first. Nothing when the text is not five
// bytes or a digit is not one: a reply garbled on the line is not a position.
std::optional<int> ParseKAVReadback(std::string_view readback);

// A status line for the hosts: the number and CR, or "-9999" CR.
std::string KAVStatusLine(std::optional<int> value);

// The status panel's colours.
enum class KAVColour { Lime, Yellow, Red };

// The guide probe's position from A/D channels 3 (x) and 0 (y), in A/D units
// from the centre the probe's potentiometers read 2403 and 152 at.
struct GuideProbePosition {
    int x = 0;
    int y = 0;
};
inline GuideProbePosition GuideProbeFromADU(int channel3, int channel0) {
    return {-(channel3 - 2403), channel0 - 152};
}
inline constexpr int GuideProbeXChannel = 3;
inline constexpr int GuideProbeYChannel = 0;

}  // namespace orv
