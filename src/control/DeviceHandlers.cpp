#include "control/DeviceHandlers.h"

#include <cmath>
#include <mutex>

#include "control/System.h"
#include "core/Ports.h"

namespace orv {

namespace {

// Focus approach bands, focus units.
constexpr double kFocusCoarseBand = 10.0;
constexpr double kFocusFineBand = 5.0;
constexpr int64_t kFocusStepMs = 5;

constexpr int64_t kShutterStrobeMs = 10;
constexpr int64_t kShutterDriveMs = 80000;

constexpr uint8_t kFocusBits = ports::FocusDecreaseBit | ports::FocusIncreaseBit | ports::FocusSlowBit;

// One step of the focus approach: drives towards the target for 5 ms. The
// focus relays are active low; only the three focus bits of 0x689 change, the
// dome relays on the same port are left as they are. Returns |reading - target|
// as it was before the step, or a negative value when the program is ending.
double FocusStep(System& system, double target, bool slow) {
    const double d = system.state.FocusReading - target;
    const uint8_t speed = slow ? ports::FocusSlowBit : 0;
    if (d >= 0) {
        system.bus.modify(ports::DomeFocus, kFocusBits,
                          static_cast<uint8_t>(ports::FocusIncreaseBit | speed));   // decrease
    } else {
        system.bus.modify(ports::DomeFocus, kFocusBits,
                          static_cast<uint8_t>(ports::FocusDecreaseBit | speed));   // increase
    }
    if (!system.sleep(kFocusStepMs)) return -1;
    return std::abs(d);
}

// Output port 0x289 is shared with the axis tasks, whose sequences on it run
// under AxisLock; the shutter bits change under the same lock.
void ModifyDriveControl(System& system, uint8_t clearMask, uint8_t setMask) {
    std::lock_guard lock(system.locks.AxisLock);
    system.bus.modify(ports::DriveControl, clearMask, setMask);
}

}  // namespace

void MoveFocus(System& system) {
    auto& s = system.state;
    const double target = s.CommandParam[1];
    // A stop that ended an earlier motion must not cut this move short.
    s.StopRequest = 0;
    setBits(s.StatusFlags2, status2::FocusMoving);

    double d;
    do {
        d = FocusStep(system, target, false);
    } while (d >= kFocusCoarseBand && !s.StopRequest);
    if (d >= 0) {
        do {
            d = FocusStep(system, target, true);
        } while (d >= kFocusFineBand && !s.StopRequest);
    }

    system.bus.modify(ports::DomeFocus, 0, kFocusBits);   // motor off
    clearBits(s.StatusFlags2, status2::FocusMoving);
    s.StateCode = 0;
}

void SendDomeToAzimuth(System& system) {
    auto& s = system.state;
    s.DomeAzimuthOffset = s.CommandParam[1] - system.params.DomeHomeAzimuth;
    s.DomeOn = 1;
    s.DomeTrack = 0;
    s.StateCode = 0;
}

void OperateShutter(System& system) {
    auto& s = system.state;
    const bool open = s.CommandParam[1] >= 0.5;

    if (open && s.CloudDetected) {
        // The refusal stays the message: nothing moved, nothing finished.
        s.ShutterMessage.set(kShutterRefusedCloudy);
        s.StateCode = 0;
        return;
    }

    // Command strobe: 10 ms low on bit 0x40 of 0x289.
    ModifyDriveControl(system, ports::ShutterStrobeBit, 0);
    system.sleep(kShutterStrobeMs);
    ModifyDriveControl(system, 0, ports::ShutterStrobeBit);
    system.sleep(kShutterStrobeMs);

    // The drive has no end-position input: it is held for the full travel time.
    // Ending the program ends the wait, and the drive is released either way.
    if (open) {
        ModifyDriveControl(system, ports::ShutterOpenDriveBit, 0);
        s.ShutterMessage.set(kShutterOpening);
        system.sleep(kShutterDriveMs);
        ModifyDriveControl(system, 0, ports::ShutterOpenDriveBit);
    } else {
        system.bus.modify(ports::SlewShutter, ports::ShutterCloseDriveBit, 0);
        s.ShutterMessage.set(kShutterClosing);
        system.sleep(kShutterDriveMs);
        system.bus.modify(ports::SlewShutter, 0, ports::ShutterCloseDriveBit);
    }

    s.ShutterMessage.set(kShutterFinished);
    s.StateCode = 0;
}

}  // namespace orv
