#pragma once
// The conversions between the place of date that INDI clients send and expect
// (EQUATORIAL_EOD_COORD, "JNow": geocentric apparent place, true equator and
// equinox of date, aberration and light deflection included, no refraction)
// and the frame of Orv's displayed position and targets (mean place of an
// equinox, catalogue-like: no aberration, no nutation). Computed with ERFA's
// IAU 2006/2000A models through the ICRS, to a few milliarcseconds.

namespace orv::indi {

// A place: RA in hours (0 ... 24), Dec in degrees.
struct RaDec {
    double ra;
    double dec;
};

// A UTC date and time of day as Orv keeps it.
struct OrvDate {
    int year, month, day;
    double utHours;
};

// The place of date at `date` of the mean place `mean` of equinox `epoch`
// (a Julian epoch in years, e.g. Orv's display equinox 2026.5).
RaDec ApparentFromMean(RaDec mean, double epoch, const OrvDate& date);
// The mean place of equinox `epoch` whose place of date at `date` is `apparent`.
RaDec MeanFromApparent(RaDec apparent, double epoch, const OrvDate& date);

// Angle between two places, arcseconds.
double SeparationArcsec(RaDec a, RaDec b);

}  // namespace orv::indi
