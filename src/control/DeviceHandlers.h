#pragma once
// The commands that move the focus, send the dome to an azimuth and operate the
// shutter. They run on the state machine thread and set StateCode back to 0.

namespace orv {

class System;

// Code 27: drives the focus motor until FocusReading is within 5 units of
// CommandParam[1], fast while 10 or more away, then slow.
void MoveFocus(System& system);
// Code 34: holds the dome at CommandParam[1] (azimuth, radians) in home mode.
void SendDomeToAzimuth(System& system);
// Code 36: CommandParam[1] >= 0.5 opens the shutter (not while clouds are
// detected), below 0.5 closes it; the drive is held for 80 s.
void OperateShutter(System& system);

// Texts of ShutterMessage.
inline constexpr const char* kShutterRefusedCloudy = " Shutter will not open if cloudy";
inline constexpr const char* kShutterOpening = " Shutter takes 80 seconds to open";
inline constexpr const char* kShutterClosing = " Shutter takes 80 seconds to close";
inline constexpr const char* kShutterFinished = " Shutter command finished";

}  // namespace orv
