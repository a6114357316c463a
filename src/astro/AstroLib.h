#pragma once
// The astronomy routines: date arithmetic, sidereal time, the corrections between
// mean place, apparent place and the observed frame of the mount (refraction and
// the nine-term pointing model), horizon quantities and the dome geometry.
//
// Every routine is pure: it reads the date, site and model from the AstroContext
// the caller filled in and returns its results; none touches shared state, so any
// thread may call any routine without a lock.
//
// Units: RA, HA, sidereal time and UT in hours (HA positive west); Dec, latitude,
// azimuth and zenith distance in degrees; Longitude in hours, west positive;
// epochs and the year of date in years; rates in arcseconds per second.

#include <functional>

#include "astro/AstroContext.h"

namespace orv::astro {

// A correction or a place: RA part in hours, Dec part in degrees.
struct Pair {
    double ra;
    double dec;
};

// DaysSince1900: days since 1900 January 0.5 (Julian Date - 2415020.0) of the
// context's date and UT, fraction of day included. Reads Day, Month, Int(Year), UT.
// No century correction: exact for the years 1901 to 2099.
double DaysSince1900(const AstroContext& c);

// FractionalYear: year + day number / 365.25 (366.25 in a leap year), with the day
// number 0 on 1 January. year: only Trunc(year) is used; month 1..12; day 1..31.
double FractionalYear(double year, int month, int day);

// LocalSiderealTime: apparent local sidereal time, hours in 0..24, of the context's
// date and UT at its Longitude (hours, west positive). Mean sidereal time from
// Newcomb's expression plus the equation of the equinoxes from the nutation series.
double LocalSiderealTime(const AstroContext& c);

// Precession: rigorous, with Newcomb's angles referred to 1900.
// ra (hours), dec (degrees) of equinox fromEpoch; epochs in years.
// Returns (dRA hours, dDec degrees) to add to get the place of equinox toEpoch.
// Equal epochs give (0, 0); swapping the epochs gives the exact inverse.
Pair Precession(double ra, double dec, double fromEpoch, double toEpoch);

// Nutation: low-precision series, epoch 1900, for the context's date.
// ra (hours), dec (degrees) of the mean equinox of date.
// Returns (dRA hours, dDec degrees) to add for the true equinox of date.
Pair Nutation(double ra, double dec, const AstroContext& c);

// Aberration: annual aberration (E-terms not separated) for the context's date.
// ra (hours), dec (degrees). Returns (dRA hours, dDec degrees) to add.
Pair Aberration(double ra, double dec, const AstroContext& c);

// The results of PointingCorrections.
struct Corrections {
    double ZenithDistance;     // degrees, at most about 88.85 (horizon floor)
    double Azimuth;            // degrees 0..360, from north through east
    double AirMass;            // Hardie's formula
    double HACorrection;       // hours, observed HA = apparent HA + HACorrection
    double DecCorrection;      // degrees, observed Dec = apparent Dec + DecCorrection
    double HARateCorrection;   // arcseconds per second
    double DecRateCorrection;  // arcseconds per second
};

// PointingCorrections: refraction, pointing model, horizon quantities and the
// rates of the corrections, for a position ha (hours), dec (degrees) of the
// observed frame. Reads Latitude, SinLatitude, CosLatitude, RefractionScale and
// PointingTerm[1..9]. The cosine of Dec is held at its value 0.01 degrees from
// the pole (sign kept); |cos z| is floored at 0.02.
Corrections PointingCorrections(double ha, double dec, const AstroContext& c);

// AirMassAt: air mass (Hardie) at ha (hours), dec (degrees), without the horizon
// floor: a place on the horizon gives infinity. For places above the horizon.
double AirMassAt(double ha, double dec, const AstroContext& c);

// ZenithDistanceAt: zenith distance in degrees at ha (hours), dec (degrees),
// without the horizon floor (below the horizon gives more than 90).
double ZenithDistanceAt(double ha, double dec, const AstroContext& c);

// DomeAzimuthFor: azimuth (degrees 0..360, north through east) at which the line of
// sight at ha (hours), dec (degrees) leaves the dome of radius DomeRadius, for the
// telescope on the side given by EastSideOperation. The caller chooses the position
// (NextHA/NextDec while slewing, else HA/Dec).
double DomeAzimuthFor(double ha, double dec, const AstroContext& c);

// The work record of ObservedPlace: RA (hours), Dec (degrees), HA (hours), Epoch
// (years), and the three corrections applied on the way.
struct PlaceRecord {
    double RA = 0, Dec = 0, HA = 0, Epoch = 0;
    Pair PrecessionDelta{}, NutationDelta{}, AberrationDelta{};
};

// ObservedPlace: mean place (rec.RA, rec.Dec of equinox rec.Epoch) to the counter
// frame. Precesses to c.Year, adds nutation and aberration (rec.RA becomes the
// apparent RA, wrapped into 0..24), reads the sidereal clock (LST0), forms the HA,
// adds the pointing corrections (rec.Dec becomes the observed Dec), reads the clock
// again (LST1) and advances rec.HA by the HA correction and by LST1 - LST0.
// readSidereal() returns the local sidereal time in hours; it is called twice.
// Returns LST1, which the caller stores as LST.
double ObservedPlace(PlaceRecord& rec, const AstroContext& c,
                     const std::function<double()>& readSidereal);

// The results of one pass of the reverse chain (counters to mean place).
struct ReverseChainResult {
    Corrections corrections;   // at the observed place
    double ObservedHA;         // hours, counter HA less the HA correction
    double ObservedDec;        // degrees, counter Dec less the Dec correction
    double ApparentRA;         // hours, 0..24
    Pair aberration, nutation, precession;   // the corrections removed / applied
    double RA, Dec, HA;        // mean place of the display equinox; RA and HA unwrapped
    bool ThroughPole;          // ObservedDec <= -90
};

// ReverseChain: counter position to mean place of the display equinox.
// counterHA (hours) = RACount * HAScale; counterDec (degrees) = DecCount * DecScale;
// lst (hours): sidereal time of this pass; displayEpoch (years): the equinox to
// precess to from c.Year, the fractional year of date. The pointing corrections
// are taken at the observed place they lead to (found from the counter place by
// one refinement), so they are as exact near the pole as elsewhere.
ReverseChainResult ReverseChain(double counterHA, double counterDec, double lst, double displayEpoch,
                                const AstroContext& c);

}  // namespace orv::astro
