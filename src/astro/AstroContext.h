#pragma once
// The date, site and pointing-model values the astronomy routines read, copied
// out of the shared state by the caller so that the routines stay pure.

#include <array>

namespace orv::astro {

struct AstroContext {
    // Date of observation.
    int Day = 1;
    int Month = 1;
    double Year = 1900.0;   // year with fraction (integral part = calendar year)
    double UT = 0;          // hours
    // Site.
    double Latitude = 40.0;     // degrees, north positive
    double SinLatitude = 0.6427876096865393;
    double CosLatitude = 0.766044443118978;
    double Longitude = 7.0;     // hours, west positive
    // Pointing model: RefractionScale and PointingTerm[1..9] (index 0 unused).
    double RefractionScale = 0.9;
    std::array<double, 10> PointingTerm{};
    // Dome geometry.
    double DomeRadius = 96.0;
    bool EastSideOperation = true;
};

}  // namespace orv::astro
