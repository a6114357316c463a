#pragma once
// The commands that move the focus, send the dome to an azimuth and operate the
// shutter. They run on the state machine thread and set StateCode back to 0.
// None of them starts a drive while the drive interlock is open.

#include <cstdint>

namespace orv {

class System;

// Code 27: drives the focus motor until FocusReading is within 5 units of
// CommandParam[1], fast while 10 or more away, then slow. A target outside
// FocusLowest..FocusHighest is refused, and a move whose reading stands still
// for FocusStallMs ends, each with a status-log line. StopRequest or
// FocusStopRequest ends it early.
void MoveFocus(System& system);
// Code 34: holds the dome at CommandParam[1] (azimuth, radians) in home mode.
void SendDomeToAzimuth(System& system);
// Code 36: CommandParam[1] >= 0.5 opens the shutter (not while clouds are
// detected), below 0.5 closes it; the drive is held for 80 s. A close runs to its
// end even when the program stops; an open ends when the program begins to close.
// ShutterState tells opening/closing meanwhile, open/closed after the full drive.
void OperateShutter(System& system);
// The focus relays off (the state machine's last act when the system stops).
void ReleaseFocusDrive(System& system);

// The focus range (focus units) that the drive can reach and the Misc dialog
// offers; a target outside it would drive the focus against its end for ever.
inline constexpr double FocusLowest = 1050.0;
inline constexpr double FocusHighest = 3500.0;
// A focus move whose reading stays within FocusStillUnits for this long has stalled.
inline constexpr int64_t FocusStallMs = 5000;
inline constexpr double FocusStillUnits = 2.0;   // A/D noise of a count either way is no motion
inline constexpr const char* FocusNotMoving = "Focus not moving";

// Texts of ShutterMessage.
inline constexpr const char* ShutterRefusedCloudy = " Shutter will not open if cloudy";
inline constexpr const char* ShutterRefusedInterlock = " Shutter will not move while the interlock is open";
inline constexpr const char* ShutterOpening = " Shutter takes 80 seconds to open";
inline constexpr const char* ShutterClosing = " Shutter takes 80 seconds to close";
inline constexpr const char* ShutterFinished = " Shutter command finished";

}  // namespace orv
