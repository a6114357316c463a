#include "control/ShutDown.h"

#include <ostream>

#include "control/System.h"

namespace orv {

void StreamShutDownDisplay::open(int maximum) {
    maximum_ = maximum;
    out_ << kShutDownTitle << kShutDownPleaseWait << std::endl;
}

void StreamShutDownDisplay::setAction(const std::string& text) { out_ << kShutDownActionGroup << ": " << text << std::endl; }

void StreamShutDownDisplay::setProgress(int position) {
    out_ << kShutDownProgressGroup << ": " << position << "/" << maximum_ << std::endl;
}

void StreamShutDownDisplay::close() { out_ << kShutDownCaption << ": done" << std::endl; }

namespace {

// Waits `totalMs` in steps of at most 1000 ms, advancing the bar before each step;
// the waits end early once the system is stopping (nothing is left to wait for).
void WaitWithProgress(System& system, ShutDownDisplay& display, int& position, int64_t totalMs) {
    constexpr int64_t kStepMs = 1000;
    for (int64_t left = totalMs; left > 0; left -= kStepMs) {
        display.setProgress(++position);
        system.sleep(left < kStepMs ? left : kStepMs);
    }
}

}  // namespace

void ShutDownTelescope(System& system, ShutDownDisplay& display) {
    auto& s = system.state;
    try {
        int position = 0;
        display.open(kShutDownSteps);

        display.setAction(kShutDownActionDomeOff);
        s.DomeOn = 0;
        s.StopRequest = 1;
        s.StateCode = 13;
        WaitWithProgress(system, display, position, 5000);

        display.setAction(kShutDownActionTracking);
        for (int i = 1; i <= 4; ++i) s.CommandParam[i] = 0;
        s.StateCode = 14;
        WaitWithProgress(system, display, position, 500);
    } catch (...) {
        display.close();
        throw;
    }
    display.close();
}

}  // namespace orv
