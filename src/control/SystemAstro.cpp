#include "control/SystemAstro.h"

#include "control/System.h"

namespace orv {

astro::AstroContext AstroContextOf(const System& system) {
    const auto& s = system.state;
    const auto& p = system.params;
    astro::AstroContext c;
    c.Day = s.Day;
    c.Month = s.Month;
    c.Year = s.Year;
    c.UT = s.UT;
    c.Latitude = p.Latitude;
    c.SinLatitude = p.SinLatitude;
    c.CosLatitude = p.CosLatitude;
    c.Longitude = p.Longitude;
    c.RefractionScale = p.RefractionScale;
    c.PointingTerm = {0,
                      p.PointingTerm1, p.PointingTerm2, p.PointingTerm3,
                      p.PointingTerm4, p.PointingTerm5, p.PointingTerm6,
                      p.PointingTerm7, p.PointingTerm8, p.PointingTerm9};
    c.DomeRadius = p.DomeRadius;
    c.EastSideOperation = s.EastSideOperation != 0;
    return c;
}

DomeSightLine DomeSightLineOf(const System& system) {
    const auto& s = system.state;
    if (s.SlewInProgress) return {s.NextHA, s.NextDec};
    return {s.HA, s.Dec};
}

}  // namespace orv
