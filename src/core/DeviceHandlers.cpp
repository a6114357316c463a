#include "core/DeviceHandlers.h"

#include "core/System.h"

namespace orv {

void MoveFocus(System& system) { system.state.StateCode = 0; }
void SendDomeToAzimuth(System& system) { system.state.StateCode = 0; }
void OperateShutter(System& system) { system.state.StateCode = 0; }

}  // namespace orv
