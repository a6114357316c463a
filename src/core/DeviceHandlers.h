#pragma once
// The commands that move the focus, send the dome to an azimuth and operate the shutter.

namespace orv {

class System;

void MoveFocus(System& system);          // code 27
void SendDomeToAzimuth(System& system);  // code 34
void OperateShutter(System& system);     // code 36

}  // namespace orv
