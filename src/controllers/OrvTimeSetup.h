#pragma once
// The Time Setup dialog's model: keeps Orv's UT clock in step with the PC clock.
// While synchronisation is on, the synchronisation timer sends the set-date-and-
// time command (code 1) with zero parameters at a fixed interval, which makes the
// state machine take date and time from the PC clock. The timer runs whether the
// dialog is shown or not, from program start when the stored settings say so.
//
// Runs on the user-interface thread: Poll() is the timer and must be called
// often (the display tick does, every 50 ms); the due time follows the system
// clock, so a scaled or manual clock runs it too.

#include <cstdint>
#include <optional>
#include <string>

#include "config/InitFile.h"

namespace orv {

class Clock;
class Commander;

// "H:MM:SS": whole hours without a leading zero, so 25 hours show as 25:00:00.
std::string ElapsedTimeText(int64_t ms);

class OrvTimeSetup {
public:
    // Creation: TimeUpdate/Interval (default 1 hour) and TimeUpdate/Enabled
    // (default off) from the initialisation file at `iniPath`, applied as the
    // spin and the check box would (a stored Enabled=1 starts the timer); then
    // LastSyncTime = now. An unreadable file leaves the defaults.
    OrvTimeSetup(Clock& clock, Commander& commander, std::string iniPath);

    // IntervalSpin, hours (no limit; 0 or less never fires).
    double IntervalHours() const { return settings_.IntervalHours; }
    void SetIntervalHours(double hours);
    // SynchronizeChk.
    bool Synchronize() const { return settings_.Enabled; }
    void SetSynchronize(bool on);
    // The synchronisation timer's interval: hours x 3600000, rounded.
    int64_t TimerIntervalMs() const { return intervalMs_; }

    // The synchronisation timer: sends code 1 with zero parameters through the
    // commander and sets LastSyncTime when the interval has passed.
    void Poll();

    // UTC milliseconds of the last request (or of creation).
    int64_t LastSyncTime() const { return lastSyncUtcMs_; }
    // LastUpdateDis: the time since LastSyncTime.
    std::string LastUpdateText() const;

    // "Save Settings": TimeUpdate/Interval and Enabled. The failure message when
    // the file cannot be written (the old file stays).
    std::optional<std::string> SaveSettings() const;

private:
    void restart();

    Clock& clock_;
    Commander& commander_;
    std::string iniPath_;
    TimeUpdateSettings settings_;
    int64_t intervalMs_ = 0;
    int64_t dueMs_ = 0;   // system clock time of the next request
    int64_t lastSyncUtcMs_ = 0;
};

}  // namespace orv
