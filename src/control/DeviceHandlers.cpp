#include "control/DeviceHandlers.h"

#include <cmath>
#include <cstdio>
#include <mutex>
#include <string>

#include "control/System.h"
#include "core/Ports.h"

namespace orv {

namespace {

// Focus approach bands, focus units.
constexpr double FocusCoarseBand = 10.0;
constexpr double FocusFineBand = 5.0;
constexpr int64_t FocusStepMs = 5;

constexpr int64_t ShutterStrobeMs = 10;
constexpr int64_t ShutterDriveMs = 80000;

constexpr uint8_t FocusBits = ports::FocusDecreaseBit | ports::FocusIncreaseBit | ports::FocusSlowBit;

// One step of the focus approach: drives towards the target for 5 ms. The
// focus relays are active low; only the three focus bits of 0x689 change, the
// dome relays on the same port are left as they are. Returns |reading - target|
// as it was before the step, or a negative value when the program is ending.
double FocusStep(System& system, double target, bool slow) {
    const double d = system.state.FocusReading - target;
    const uint8_t speed = slow ? ports::FocusSlowBit : 0;
    if (d >= 0) {
        system.bus.modify(ports::DomeFocus, FocusBits,
                          static_cast<uint8_t>(ports::FocusIncreaseBit | speed));   // decrease
    } else {
        system.bus.modify(ports::DomeFocus, FocusBits,
                          static_cast<uint8_t>(ports::FocusDecreaseBit | speed));   // increase
    }
    if (!system.sleep(FocusStepMs)) return -1;
    return std::abs(d);
}

// Tells a focus that moves from one that does not: the reading must leave a
// band of FocusStillUnits around where it last moved to within FocusStallMs.
class StallWatch {
public:
    StallWatch(double reading, int64_t nowMs) : anchor_(reading), sinceMs_(nowMs) {}
    bool stalled(double reading, int64_t nowMs) {
        if (std::abs(reading - anchor_) >= FocusStillUnits) {
            anchor_ = reading;
            sinceMs_ = nowMs;
            return false;
        }
        return nowMs - sinceMs_ >= FocusStallMs;
    }

private:
    double anchor_;
    int64_t sinceMs_;
};

std::string FocusText(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

// Output port 0x289 is shared with the axis tasks, whose sequences on it run
// under AxisLock; the shutter bits change under the same lock.
void ModifyDriveControl(System& system, uint8_t clearMask, uint8_t setMask) {
    std::lock_guard lock(system.locks.AxisLock);
    system.bus.modify(ports::DriveControl, clearMask, setMask);
}

}  // namespace

void ReleaseFocusDrive(System& system) { system.bus.modify(ports::DomeFocus, 0, FocusBits); }

void MoveFocus(System& system) {
    auto& s = system.state;
    const double target = s.CommandParam[1];
    // No motion starts while the drive interlock is open.
    if (s.InterlockOpen) {
        s.StateCode = 0;
        return;
    }
    if (!(target >= FocusLowest && target <= FocusHighest)) {
        system.log.AddLog("Focus target " + FocusText(target) + " refused: outside " + FocusText(FocusLowest) +
                          " to " + FocusText(FocusHighest));
        s.StateCode = 0;
        return;
    }
    // A stop that ended an earlier motion must not cut this move short.
    s.StopRequest = 0;
    s.FocusStopRequest = 0;
    setBits(s.StatusFlags2, status2::FocusMoving);

    // A focus that does not move (jammed, at its end, reading lost) must not hold
    // the state machine, and with it the cloud close, for ever.
    StallWatch watch(s.FocusReading, system.clock.nowMs());
    bool stalled = false;
    auto step = [&](bool slow) {
        const double d = FocusStep(system, target, slow);
        if (d >= 0 && watch.stalled(s.FocusReading, system.clock.nowMs())) stalled = true;
        return d;
    };
    // A stop of everything, or of the focus alone, ends the move at the next check.
    const auto stopped = [&] { return s.StopRequest || s.FocusStopRequest || stalled; };
    double d;
    do {
        d = step(false);
    } while (d >= FocusCoarseBand && !stopped());
    if (d >= 0 && !stalled && !s.FocusStopRequest) {
        do {
            d = step(true);
        } while (d >= FocusFineBand && !stopped());
    }

    ReleaseFocusDrive(system);   // motor off
    if (stalled) system.log.AddLog(FocusNotMoving);
    clearBits(s.StatusFlags2, status2::FocusMoving);
    s.StateCode = 0;
}

void SendDomeToAzimuth(System& system) {
    auto& s = system.state;
    if (s.InterlockOpen) {   // no motion starts while the drive interlock is open
        s.StateCode = 0;
        return;
    }
    s.DomeAzimuthOffset = s.CommandParam[1] - system.params.DomeHomeAzimuth;
    s.DomeOn = 1;
    s.DomeTrack = 0;
    s.StateCode = 0;
}

void OperateShutter(System& system) {
    auto& s = system.state;
    const bool open = s.CommandParam[1] >= 0.5;

    if (s.InterlockOpen) {
        // No drive starts while the interlock is open. An automatic cloud close
        // is not lost: the Commander posts it again and it runs once the
        // interlock has closed.
        system.commander.putBackSafety();
        s.ShutterMessage.set(ShutterRefusedInterlock);
        s.StateCode = 0;
        return;
    }
    if (open && s.CloudDetected) {
        // The refusal stays the message: nothing moved, nothing finished.
        s.ShutterMessage.set(ShutterRefusedCloudy);
        s.StateCode = 0;
        return;
    }

    if (open && system.isClosing()) {
        // The program is closing: no shutter opens now.
        s.ShutterMessage.set(ShutterFinished);
        s.StateCode = 0;
        return;
    }
    if (!open) s.ShutterCloseEndMs = system.clock.nowMs() + 2 * ShutterStrobeMs + ShutterDriveMs;

    // Command strobe: 10 ms low on bit 0x40 of 0x289, held whole even at a stop.
    ModifyDriveControl(system, ports::ShutterStrobeBit, 0);
    system.clock.sleepMs(ShutterStrobeMs);
    ModifyDriveControl(system, 0, ports::ShutterStrobeBit);
    system.clock.sleepMs(ShutterStrobeMs);

    // The drive has no end-position input: it is held for the full travel time.
    // An open ends when the program begins to close. A close runs to its end
    // even then: released part-way, it would leave the dome open to the weather
    // after Orv has gone (the shut-down and the stop wait for it, 80 s at most).
    // The state follows the drive: travelling while it is held, at the end once
    // it was held for the whole travel time, unknown if it was cut short.
    bool travelled;
    if (open) {
        ModifyDriveControl(system, ports::ShutterOpenDriveBit, 0);
        s.ShutterState = shutter::Opening;
        s.ShutterMessage.set(ShutterOpening);
        travelled = system.clock.sleepMs(ShutterDriveMs, &system.closing);
        ModifyDriveControl(system, 0, ports::ShutterOpenDriveBit);
    } else {
        system.bus.modify(ports::SlewShutter, ports::ShutterCloseDriveBit, 0);
        s.ShutterState = shutter::Closing;
        s.ShutterMessage.set(ShutterClosing);
        travelled = system.clock.sleepMs(ShutterDriveMs);
        system.bus.modify(ports::SlewShutter, 0, ports::ShutterCloseDriveBit);
        s.ShutterCloseEndMs = 0;
    }
    s.ShutterState = !travelled ? shutter::Unknown : open ? shutter::Open : shutter::Closed;

    s.ShutterMessage.set(ShutterFinished);
    s.StateCode = 0;
}

}  // namespace orv
