#pragma once
// The single-step commands: date and time, counter presets, stop, rates, trail
// parameters, switches, display equinox, marks and mount parameters.

#include "core/TelescopeState.h"

namespace orv {

class System;

// The display equinoxes code 22 accepts, years: within ten centuries of 2000,
// where the precession's series still hold.
inline constexpr double MinDisplayEquinox = 1000.0, MaxDisplayEquinox = 3000.0;

void SetDateAndTime(System& system);        // code 1
void SetDomePosition(System& system);       // code 2
void SetTelescopePosition(System& system);  // code 3
void SetRotatorCounter(System& system);     // code 4
void SetFocusCounter(System& system);       // code 5
void StopTelescope(System& system);         // code 13
void SetTrackingRates(System& system);      // code 14
void SetGuideRate(System& system);          // code 15
void SetSetRate(System& system);            // code 16
void SetTrailParameters(System& system);    // code 17
void SetCosineDeclination(System& system);  // code 18
void SetRateCorrection(System& system);     // code 19
void SetDomeOn(System& system);             // code 20
void SetDomeHomeTrack(System& system);      // code 21
void SetDisplayEquinox(System& system);     // code 22
void StoreMark(System& system);             // code 23
void SetMountParameters(System& system);    // code 24
void GoToFiducial(System& system);          // code 30

// The fiducial position of code 30, also the cover/dewar service position:
// hour angle (hours) and declination (degrees).
inline constexpr double FiducialHA = -4.83;
inline constexpr double FiducialDec = 0.0;

// Stores a hand-paddle rate (arcsec/s) as codes 15 and 16 do: the paddle gives
// the direction, so a negative value is ignored; above 1000 it is clamped.
void StorePaddleRate(SharedDouble& rate, double value);

// Presets the RA and Dec counters so that they read the mean place (ra, dec) of
// `epoch`. Takes CounterLock; the sidereal clock is read under ClockLock inside it.
void PresetTelescopePosition(System& system, double ra, double dec, double epoch);

}  // namespace orv
