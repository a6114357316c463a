#include "core/TargetHandlers.h"

#include "core/System.h"

namespace orv {

void LoadTarget(System& system) { system.state.StateCode = 0; }
void LoadOffsetTarget(System& system) { system.state.StateCode = 0; }
void LoadLibraryObject(System& system) { system.state.StateCode = 0; }
void LoadMark(System& system) { system.state.StateCode = 0; }
void LoadZenith(System& system) { system.state.StateCode = 0; }
void StartTrail(System& system) { system.state.StateCode = 0; }
void StartSlew(System& system) { system.state.StateCode = 0; }
void SlewToHourAngle(System& system) { system.state.StateCode = 0; }

}  // namespace orv
