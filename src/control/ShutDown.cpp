#include "control/ShutDown.h"

#include <ostream>
#include <vector>

#include "control/System.h"
#include "core/Commander.h"

namespace orv {

void StreamShutDownDisplay::open(int maximum) {
    maximum_ = maximum;
    out_ << ShutDownTitle << ShutDownPleaseWait << std::endl;
}

void StreamShutDownDisplay::setAction(const std::string& text) { out_ << ShutDownActionGroup << ": " << text << std::endl; }

void StreamShutDownDisplay::setProgress(int position) {
    out_ << ShutDownProgressGroup << ": " << position << "/" << maximum_ << std::endl;
}

void StreamShutDownDisplay::close() { out_ << ShutDownCaption << ": done" << std::endl; }

namespace {

// How long the sequence waits for the state machine to take each of its codes
// once no shutter close holds it (a stop ends every other motion at once).
constexpr int64_t TakenWaitMs = 5000;
constexpr int TakenAttempts = 3;
// Scheduling lag allowed for a shutter close to release its drive after its end time.
constexpr int64_t ShutterLagMs = 2000;

// Waits `totalMs` in steps of at most 1000 ms, advancing the bar before each step;
// the waits end early once the system is stopping (nothing is left to wait for).
void WaitWithProgress(System& system, ShutDownDisplay& display, int& position, int64_t totalMs) {
    constexpr int64_t StepMs = 1000;
    for (int64_t left = totalMs; left > 0; left -= StepMs) {
        display.setProgress(++position);
        system.sleep(left < StepMs ? left : StepMs);
    }
}

// While a shutter close runs, shows "Closing shutter" with the seconds left,
// once a second, until its drive is released (80 s at most).
void WaitForShutterClose(System& system, ShutDownDisplay& display) {
    auto& s = system.state;
    for (;;) {
        const int64_t end = s.ShutterCloseEndMs;
        const int64_t now = system.clock.nowMs();
        if (end == 0 || now >= end + ShutterLagMs) return;
        const int64_t left = end > now ? end - now : 0;
        display.setAction(ShutDownClosingShutterText((left + 999) / 1000));
        if (!system.sleep(left > 0 && left < 1000 ? left : 1000)) return;
    }
}

// Makes sure the state machine took `code` after `mark` and has finished it. A
// handler that was running when the code was written (a shutter close runs up to
// 80 s) sets StateCode to 0 when it ends and so wipes the code out; then the code
// is issued again through the door once the state machine is idle.
bool MakeSureTaken(System& system, Commander& door, ShutDownDisplay& display, int code,
                   const std::vector<double>& params, uint64_t mark) {
    auto& s = system.state;
    for (int attempt = 1;; ++attempt) {
        WaitForShutterClose(system, display);
        const bool idle = door.waitUntilIdle(TakenWaitMs);
        const uint64_t last = s.LastTaken;
        if (idle && TakenCount(last) != TakenCount(mark) && TakenCode(last) == code) return true;
        if (attempt == TakenAttempts) return false;
        if (idle) {
            mark = last;
            door.issue(code, params);
        }
    }
}

}  // namespace

std::string ShutDownClosingShutterText(int64_t secondsLeft) {
    return std::string(ShutDownActionClosingShutter) + ": " + std::to_string(secondsLeft) + " s left";
}

void ShutDownTelescope(System& system, ShutDownDisplay& display) {
    auto& s = system.state;
    Commander& door = system.commander;
    const std::vector<double> trackingOff{0, 0, 0, 0};
    try {
        int position = 0;
        display.open(ShutDownSteps);

        display.setAction(ShutDownActionDomeOff);
        s.DomeOn = 0;
        system.beginClosing();   // a shutter open ends now; a close runs to its end
        const uint64_t beforeStop = s.LastTaken;
        door.stop();
        WaitWithProgress(system, display, position, 5000);
        MakeSureTaken(system, door, display, 13, {}, beforeStop);

        display.setAction(ShutDownActionTracking);
        const uint64_t beforeTracking = s.LastTaken;
        door.issue(14, trackingOff);
        WaitWithProgress(system, display, position, 500);
        MakeSureTaken(system, door, display, 14, trackingOff, beforeTracking);
    } catch (...) {
        display.close();
        throw;
    }
    display.close();
}

}  // namespace orv
