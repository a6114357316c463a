#include "control/StateMachine.h"

#include <string>

#include "control/DeviceHandlers.h"
#include "control/KAVHandlers.h"
#include "control/SetupHandlers.h"
#include "control/System.h"
#include "control/TargetHandlers.h"
#include "core/PortLayer.h"
#include "core/Ports.h"

namespace orv {

void StateMachine::InitStateMachine() {
    auto& s = system_.state;
    system_.bus.modify(ports::SlewShutter, ports::SlewShutterBit80, 0);
    s.HATargetMode = 0;
    s.TargetRA = 0;
    s.TargetDec = 0;
    s.HACorrection = 0;
    s.DecCorrection = 0;
    {
        std::lock_guard lock(system_.locks.CounterLock);
        LoadCounterChannel(system_.bus, ports::DomeCounter,
                           system_.params.DomeHomeAzimuth / system_.params.DomeCountScale);
    }
    for (int i = 1; i <= 4; ++i) s.CommandParam[static_cast<size_t>(i)] = 0;
    // The first pass sets date and time from the PC clock and, the position not
    // being set yet, takes the telescope to point at the zenith.
    s.StateCode = 1;
}

void StateMachine::Dispatch(int code) {
    System& sys = system_;
    switch (code) {
        case 1: SetDateAndTime(sys); break;
        case 2: SetDomePosition(sys); break;
        case 3: SetTelescopePosition(sys); break;
        case 4: SetRotatorCounter(sys); break;
        case 5: SetFocusCounter(sys); break;
        case 6: LoadTarget(sys); break;
        case 7: LoadOffsetTarget(sys); break;
        case 8: LoadLibraryObject(sys); break;
        case 9: LoadMark(sys); break;
        case 10: LoadZenith(sys); break;
        case 11: StartTrail(sys); break;
        case 12: StartSlew(sys); break;
        case 13: StopTelescope(sys); break;
        case 14: SetTrackingRates(sys); break;
        case 15: SetGuideRate(sys); break;
        case 16: SetSetRate(sys); break;
        case 17: SetTrailParameters(sys); break;
        case 18: SetCosineDeclination(sys); break;
        case 19: SetRateCorrection(sys); break;
        case 20: SetDomeOn(sys); break;
        case 21: SetDomeHomeTrack(sys); break;
        case 22: SetDisplayEquinox(sys); break;
        case 23: StoreMark(sys); break;
        case 24: SetMountParameters(sys); break;
        case 27: MoveFocus(sys); break;
        case 30: GoToFiducial(sys); break;
        case 33: SlewToHourAngle(sys); break;
        case 34: SendDomeToAzimuth(sys); break;
        case 36: OperateShutter(sys); break;
        case 41: SetKAVMotor(sys); break;
        case 42: SetKAVPort(sys); break;
        default: sys.state.StateCode = 0; break;
    }
}

void StateMachine::StateMachinePass() {
    auto& s = system_.state;
    // The code a commander wrote, or the next command waiting at the door.
    const int code = system_.commander.take();
    s.StateText.set(std::to_string(code));
    if (code == 0) {
        if (!system_.sleep(50)) return;
    } else {
        RecordTaken(s.LastTaken, code);
        Dispatch(code);
    }
    system_.sleep(50);
}

}  // namespace orv
