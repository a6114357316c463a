#pragma once
// The shut-down sequence run when the program is closed: dome off and all
// motion cancelled, then tracking off, with about 5.5 s for the state machine
// to act on both; a shutter close that is running is waited for first, and each
// of the two commands is made sure to have been taken. Whoever shows the progress (the shut-down window, or the
// console when running headless) implements ShutDownDisplay.

#include <cstdint>
#include <iosfwd>
#include <string>

namespace orv {

class System;

// Texts of the shut-down window.
inline constexpr const char* ShutDownCaption = "Telescope Shut Down";
inline constexpr const char* ShutDownTitle = "Telescope Is Shutting Down ";
inline constexpr const char* ShutDownPleaseWait = "Please Wait";
inline constexpr const char* ShutDownProgressGroup = "Progress";
inline constexpr const char* ShutDownActionGroup = "Action";
inline constexpr const char* ShutDownActionDomeOff = "Dome Off and Cancel All Motion";
inline constexpr const char* ShutDownActionTracking = "Turn Off Tracking";
inline constexpr const char* ShutDownActionClosingShutter = "Closing shutter";
// "Closing shutter: 64 s left".
std::string ShutDownClosingShutterText(int64_t secondsLeft);

inline constexpr int ShutDownSteps = 6;

class ShutDownDisplay {
public:
    virtual ~ShutDownDisplay() = default;
    // Shows the window with the progress bar at 0 of `maximum`.
    virtual void open(int maximum) = 0;
    virtual void setAction(const std::string& text) = 0;
    virtual void setProgress(int position) = 0;
    // Called once at the end, also when a step failed.
    virtual void close() = 0;
};

// Prints the sequence as lines of text (for the headless program).
class StreamShutDownDisplay final : public ShutDownDisplay {
public:
    explicit StreamShutDownDisplay(std::ostream& out) : out_(out) {}
    void open(int maximum) override;
    void setAction(const std::string& text) override;
    void setProgress(int position) override;
    void close() override;

private:
    std::ostream& out_;
    int maximum_ = 0;
};

// Runs the sequence on the calling thread, blocking it for about 5.5 s of system time:
// DomeOn = 0, StopRequest, code 13; five 1 s steps; tracking rates 0 (code 14);
// one 0.5 s step; then the display is closed. A running shutter open ends at the
// start. A running shutter close is waited for (80 s at most, "Closing shutter"
// with the time left), and a code that it wiped out is issued again; each wait
// for the state machine is bounded.
void ShutDownTelescope(System& system, ShutDownDisplay& display);

}  // namespace orv
