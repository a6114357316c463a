#pragma once
// Numerical constants of the astronomy routines, named once.
// The truncated values (kHoursPerRadian, kArcsecToRad, kSiderealRatio, the Earth
// rotation rates) are the values this telescope's reductions have always used; they
// are kept as written, not recomputed, so that positions agree with past data.

namespace orv::astro {

// Angles.
inline constexpr double kDegToRad = 0.017453292519943295769;
inline constexpr double kRadToDeg = 57.295779513082320877;
inline constexpr double kHoursPerRadian = 3.819718634;   // 12/pi cut to ten digits
inline constexpr double kArcsecToRad = 4.848136812e-6;
inline constexpr double kPi = 3.1415926535897932385;
inline constexpr double kTwoPi = 6.283185307179586477;
inline constexpr double kDegPerHour = 15.0;
inline constexpr double kArcsecPerDeg = 3600.0;
inline constexpr double kArcsecPerHour = 54000.0;         // 15 * 3600

// Time.
inline constexpr double kHoursPerDay = 24.0;
inline constexpr double kDaysPerCentury = 36525.0;
inline constexpr double kSiderealRatio = 1.0027379;       // sidereal per solar time

// Earth rotation in the rate corrections: rad/s, and 15 times that for the
// hour-angle rate, whose model terms are in seconds of time.
inline constexpr double kEarthRate = 7.2722e-5;
inline constexpr double kEarthRateHA = 0.00109083;

// Sidereal time at 0 h UT, Newcomb's expression on days since 1900 January 0.5.
inline constexpr double kGmst0 = 6.6460656;               // hours
inline constexpr double kGmst1 = 2400.051262;             // hours per century
inline constexpr double kGmst2 = 0.00002581;              // hours per century^2

// Calendar.
inline constexpr double kDayNumberOffset = 694006.5;      // days, puts day 0 at 1900 Jan 0.5
inline constexpr double kCommonYearDays = 365.25;         // divisors of FractionalYear
inline constexpr double kLeapYearDays = 366.25;

// Precession: Newcomb's angles, arcseconds, referred to 1900.
inline constexpr double kZeta1 = 2304.25, kZeta1T = 1.395, kZeta2 = 0.302, kZeta3 = 0.018;
inline constexpr double kZ2Extra = 0.791;                 // z = zeta + 0.791 t^2
inline constexpr double kTheta1 = 2004.682, kTheta1T = -0.853, kTheta2 = -0.426, kTheta3 = -0.042;
inline constexpr double kCenturyBaseYear = 1900.0;
inline constexpr double kYearsPerCentury = 100.0;

// Annual aberration constant: 20.47 arcseconds in degrees.
inline constexpr double kAberration = 0.00568611;

// Pointing corrections.
// An hour-angle error is taken on the sky (times cos Dec) with the cosine held at
// its value at this Dec, so points close to the pole do not dominate a fit or a
// scatter (the corrections themselves use the true Dec up to kPoleCosFloor).
inline constexpr double kDecClamp = 88.5;                 // degrees
inline constexpr double kHorizonFloor = 0.02;             // least |cos z| (z about 88.85 degrees)
inline constexpr double kRefraction1 = 58.3;              // arcseconds, tan z term
inline constexpr double kRefraction3 = 0.067;             // arcseconds, tan^3 z term
// Hardie's air mass polynomial in (sec z - 1).
inline constexpr double kHardie1 = 0.0018167, kHardie2 = 0.002875, kHardie3 = 0.0008083;

// Nutation, aberration, pointing corrections: within this cosine of Dec (36
// arcseconds from a pole, where RA is ill-defined) the secant and tangent of Dec
// are held at their value there, so a place at the pole gets finite corrections
// (nutation and aberration at most about 2 h in RA).
inline constexpr double kPoleCosFloor = 1.7453292431333680e-4;   // cos(89.99 degrees)

// Dome geometry of this telescope, in the length unit of DomeRadius.
inline constexpr double kDomeArm = 30.0;                  // declination axis to optical axis
inline constexpr double kDomeOffsetWest = -1.0;           // mount centre from dome centre
inline constexpr double kDomeOffsetNorth = 16.0;
inline constexpr double kDomeOffsetUp = -6.0;

}  // namespace orv::astro
