#pragma once
// The Initialization window's model: what the program cannot measure itself,
// the universal date and time, where the telescope points, and the dome,
// rotator and focus counters. Every "Apply" loads the command parameters and
// requests a state code through the Commander; the state machine does the work.

#include "controllers/DegreeSpinModel.h"
#include "controllers/RealSpinModel.h"

namespace orv {

class System;

// State codes the Initialization window requests.
namespace init_code {
inline constexpr int SetDateTime = 1, SetDome = 2, SetTelescope = 3, SetRotator = 4, SetFocus = 5;
}

inline constexpr int InitHelpTopic = 1;

// The universal date and the time of day in hours.
struct DateTimeFields {
    int Year = 0, Month = 0, Day = 0;
    double UT = 0;
    bool operator==(const DateTimeFields&) const = default;
};

// A position: right ascension in hours, declination in degrees, epoch in years.
struct PositionFields {
    double RA = 0, Dec = 0, Epoch = 0;
};

// The UTC date and time of a wall-clock reading (milliseconds since 1970);
// the time as hours + minutes / 60 + seconds / 3600 + milliseconds / 3600000.
DateTimeFields UtcDateTime(int64_t utcMs);

class OrvInitDlg {
public:
    explicit OrvInitDlg(System& system) : system_(system) {}

    static DegreeSpinSettings UTSpin();       // "Hour", 0 to 24, wraps
    static DegreeSpinSettings RASpin();       // "Hours", 0 to 24, wraps
    static DegreeSpinSettings DecSpin();      // "Degs", -90 to 90, whole seconds
    static RealSpinSettings EpochSpin();      // step 0.5
    static RealSpinSettings DomeSpin();       // 0 to 360, step 1, two decimals
    static RealSpinSettings RotatorSpin();    // -180 to 180, step 1
    static RealSpinSettings FocusSpin();      // 0 to 4096, step 1

    // At the window's creation: the telescope-position fields take the zenith
    // of that moment (RA = sidereal time, Dec = latitude, the display epoch).
    PositionFields FormCreate() const;
    // Opening from the menu: the program's current UT date and time. The
    // position fields keep what they hold.
    DateTimeFields InitMnuClick() const;

    // "Date/Time" page.
    void ApplyDateTimeBtnClick(const DateTimeFields& fields);   // 1: year, month, day, UT
    // Reads the PC clock in UTC, sends it as "Apply" does, and returns it for the fields.
    DateTimeFields WinDateBtnClick();

    // "Telescope Position" page.
    PositionFields UseNOBtnClick() const;   // the next object's RA, Dec and epoch
    void ApplyTelePosBtnClick(const PositionFields& fields);   // 3

    // "Other Positions" page.
    // The azimuth the dome should have for the telescope's position now, degrees.
    double TeleAzmBtnClick() const;
    void ApplyDomeBtnClick(double degrees);       // 2 (0: the handler takes the telescope's azimuth)
    void ApplyRotatorBtnClick(double position);   // 4
    void ApplyFocusBtnClick(double position);     // 5

private:
    System& system_;
};

}  // namespace orv
