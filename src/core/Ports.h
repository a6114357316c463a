#pragma once
// The port and bit map of the telescope interface electronics. Outputs that
// switch a motor or relay are active low (idle 1); inputs are active low except
// the drive interlock bit of the front-panel port.

#include <cstdint>

namespace orv::ports {

// Digital I/O groups at 0x280, 0x680 and 0xA80.
inline constexpr uint16_t Setup283 = 0x283, Setup284 = 0x284, Setup286 = 0x286;
inline constexpr uint16_t CloudInput = 0x288;   // bit 0x80: cloud sensor, 0 = clouds
inline constexpr uint16_t DriveControl = 0x289; // axis direction/fine step, shutter
inline constexpr uint16_t DividerMode = 0x28C;  // axis divider modes, start pulse
inline constexpr uint16_t Setup683 = 0x683, Setup686 = 0x686;
inline constexpr uint16_t PaddleInput = 0x688;  // hand paddle, active low
inline constexpr uint16_t DomeFocus = 0x689;    // dome and focus relays, active low
inline constexpr uint16_t SetupA83 = 0xA83, SetupA84 = 0xA84, SetupA86 = 0xA86;
inline constexpr uint16_t FrontPanel = 0xA88;   // interlock and front-panel inputs
inline constexpr uint16_t SlewShutter = 0xA89;  // slew signal, shutter close drive
inline constexpr uint16_t ADSelect = 0xA8C;     // out: channel select; in: bit 0x10 busy
inline constexpr uint16_t ADHigh = 0xE80;       // out: start conversion; in: result high byte
inline constexpr uint16_t ADLow = 0xE81;        // in: result low nibble

// Position counters: data port 0x8280 + 0x400 * n, control port one above.
inline constexpr uint16_t CounterData(int channel) { return static_cast<uint16_t>(0x8280 + 0x400 * channel); }
inline constexpr uint16_t CounterControl(int channel) { return static_cast<uint16_t>(CounterData(channel) + 1); }
inline constexpr int RACounter = 0, DecCounter = 1, DomeCounter = 2, FourthCounter = 3;
inline constexpr uint8_t CounterModeC3 = 0xC3, CounterMode80 = 0x80, CounterMode68 = 0x68;
inline constexpr uint8_t CounterStartTransfer = 0x01, CounterLatch = 0x02, CounterPresetToCount = 0x08;

// Axis interval timers: channel 0 at base, channel 1 at base + 1, control at base + 3.
inline constexpr uint16_t RATimerBase = 0x9280, DecTimerBase = 0x9680;
inline constexpr uint8_t TimerModeChannel0 = 0x36, TimerModeChannel1 = 0x76;

// Bits of DriveControl (0x289).
inline constexpr uint8_t RADirectionBit = 0x01, DecDirectionBit = 0x02;
inline constexpr uint8_t RAFineStepBit = 0x04, DecFineStepBit = 0x08;
inline constexpr uint8_t ShutterOpenDriveBit = 0x10, ShutterStrobeBit = 0x40;
// Bits of DividerMode (0x28C).
inline constexpr uint8_t RADividerBit = 0x01, DecDividerBit = 0x02, StartPulseBit = 0x10;
// Bits of DomeFocus (0x689).
inline constexpr uint8_t DomeLargerBit = 0x01, DomeSmallerBit = 0x02;
inline constexpr uint8_t FocusDecreaseBit = 0x04, FocusIncreaseBit = 0x08, FocusSlowBit = 0x10;
// Bits of SlewShutter (0xA89).
inline constexpr uint8_t SlewSignalBit = 0x01, ShutterCloseDriveBit = 0x08, SlewShutterBit80 = 0x80;
// Bits of FrontPanel (0xA88).
inline constexpr uint8_t InterlockBit = 0x01, SlewButtonBit = 0x02, DrivesOnBit = 0x04,
                         TrackSwitchBit = 0x08, DomeOnBit = 0x10, Input5Bit = 0x20,
                         RateSelectBit = 0x40, DomeTrackBit = 0x80;
// Bits of CloudInput (0x288).
inline constexpr uint8_t CloudBit = 0x80;
// Bits of PaddleInput (0x688), and of the paddle byte after inversion.
inline constexpr uint8_t PaddleNorth = 0x04, PaddleSouth = 0x08, PaddleEast = 0x10,
                         PaddleWest = 0x20, PaddleSetSpeed = 0x40, PaddleSlewSpeed = 0x80;
inline constexpr uint8_t PaddleDirectionMask = PaddleNorth | PaddleSouth | PaddleEast | PaddleWest;
inline constexpr uint8_t PaddleSpeedMask = PaddleSetSpeed | PaddleSlewSpeed;
inline constexpr uint8_t ADBusyBit = 0x10;

inline constexpr int FocusADChannel = 4;

}  // namespace orv::ports
