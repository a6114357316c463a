#pragma once
// Numerical constants of the astronomy routines, named once.
// The truncated values (HoursPerRadian, ArcsecToRad, SiderealRatio, the Earth
// rotation rates) are the values this telescope's reductions have always used; they
// are kept as written, not recomputed, so that positions agree with past data.

namespace orv::astro {

// Angles.
inline constexpr double DegToRad = 0.017453292519943295769;
inline constexpr double RadToDeg = 57.295779513082320877;
inline constexpr double HoursPerRadian = 3.819718634;   // 12/pi cut to ten digits
inline constexpr double ArcsecToRad = 4.848136812e-6;
inline constexpr double Pi = 3.1415926535897932385;
inline constexpr double TwoPi = 6.283185307179586477;
inline constexpr double DegPerHour = 15.0;
inline constexpr double ArcsecPerDeg = 3600.0;
inline constexpr double ArcsecPerHour = 54000.0;         // 15 * 3600

// Time.
inline constexpr double HoursPerDay = 24.0;
inline constexpr double MsPerHour = 3600000.0;
inline constexpr double DaysPerCentury = 36525.0;
inline constexpr double SiderealRatio = 1.0027379;       // sidereal per solar time

// Earth rotation in the rate corrections: rad/s, and 15 times that for the
// hour-angle rate, whose model terms are in seconds of time.
inline constexpr double EarthRate = 7.2722e-5;
inline constexpr double EarthRateHA = 0.00109083;

// Sidereal time at 0 h UT, Newcomb's expression on days since 1900 January 0.5.
inline constexpr double Gmst0 = 6.6460656;               // hours
inline constexpr double Gmst1 = 2400.051262;             // hours per century
inline constexpr double Gmst2 = 0.00002581;              // hours per century^2

// Calendar.
inline constexpr double DayNumberOffset = 694006.5;      // days, puts day 0 at 1900 Jan 0.5
inline constexpr double CommonYearDays = 365.25;         // divisors of FractionalYear
inline constexpr double LeapYearDays = 366.25;

// Precession: Newcomb's angles, arcseconds, referred to 1900.
inline constexpr double Zeta1 = 2304.25, Zeta1T = 1.395, Zeta2 = 0.302, Zeta3 = 0.018;
inline constexpr double Z2Extra = 0.791;                 // z = zeta + 0.791 t^2
inline constexpr double Theta1 = 2004.682, Theta1T = -0.853, Theta2 = -0.426, Theta3 = -0.042;
inline constexpr double CenturyBaseYear = 1900.0;
inline constexpr double YearsPerCentury = 100.0;

// Annual aberration constant: 20.47 arcseconds in degrees.
inline constexpr double AberrationConstant = 0.00568611;

// Pointing corrections.
// An hour-angle error is taken on the sky (times cos Dec) with the cosine held at
// its value at this Dec, so points close to the pole do not dominate a fit or a
// scatter (the corrections themselves use the true Dec up to PoleCosFloor).
inline constexpr double DecClamp = 88.5;                 // degrees
inline constexpr double HorizonFloor = 0.02;             // least |cos z| (z about 88.85 degrees)
inline constexpr double Refraction1 = 58.3;              // arcseconds, tan z term
inline constexpr double Refraction3 = 0.067;             // arcseconds, tan^3 z term
// Hardie's air mass polynomial in (sec z - 1).
inline constexpr double Hardie1 = 0.0018167, Hardie2 = 0.002875, Hardie3 = 0.0008083;

// Nutation, aberration, pointing corrections: within this cosine of Dec (36
// arcseconds from a pole, where RA is ill-defined) the secant and tangent of Dec
// are held at their value there, so a place at the pole gets finite corrections
// (nutation and aberration at most about 2 h in RA).
inline constexpr double PoleCosFloor = 1.7453292431333680e-4;   // cos(89.99 degrees)

// Dome geometry of this telescope, in the length unit of DomeRadius.
inline constexpr double DomeArm = 30.0;                  // declination axis to optical axis
inline constexpr double DomeOffsetWest = -1.0;           // mount centre from dome centre
inline constexpr double DomeOffsetNorth = 16.0;
inline constexpr double DomeOffsetUp = -6.0;

}  // namespace orv::astro
