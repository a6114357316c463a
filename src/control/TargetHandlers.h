#pragma once
// The commands that choose a target and drive the telescope there: load by
// coordinates, offset, library, mark, zenith or hour angle; slew; trail.

namespace orv {

class System;

void LoadTarget(System& system);         // code 6
void LoadOffsetTarget(System& system);   // code 7
void LoadLibraryObject(System& system);  // code 8
void LoadMark(System& system);           // code 9
void LoadZenith(System& system);         // code 10
void StartTrail(System& system);         // code 11
void StartSlew(System& system);          // code 12
void SlewToHourAngle(System& system);    // code 33

}  // namespace orv
