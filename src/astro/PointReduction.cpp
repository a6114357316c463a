#include "astro/PointReduction.h"

#include <cmath>

#include "astro/AstroConstants.h"
#include "astro/AstroLib.h"

namespace orv::astro {

namespace {

// Hours into -12..+12.
double Wrap12(double h) {
    h = std::fmod(h, HoursPerDay);
    if (h > 12.0) h -= HoursPerDay;
    if (h < -12.0) h += HoursPerDay;
    return h;
}

// Mean place of `equinox` to the apparent place of the context's date, in the
// order of the forward chain: precession, nutation, aberration.
Pair Apparent(double ra, double dec, double equinox, const AstroContext& c) {
    const Pair pr = Precession(ra, dec, equinox, c.Year);
    ra += pr.ra;
    dec += pr.dec;
    const Pair nu = Nutation(ra, dec, c);
    ra += nu.ra;
    dec += nu.dec;
    const Pair ab = Aberration(ra, dec, c);
    return {ra + ab.ra, dec + ab.dec};
}

}  // namespace

PointingObservation ReducePoint(const PointPlaces& p, const PointFrame& f) {
    const double lst = p.teleHA + p.teleRA;
    std::optional<double> display = f.displayEquinox;
    if (!display && f.date) display = f.date->year + 0.5;
    const std::optional<double> catalogue = f.catalogueEquinox ? f.catalogueEquinox : display;

    Pair star{p.nextRA, p.nextDec};
    Pair tele{p.teleRA, p.teleDec};
    if (f.date && display) {
        AstroContext c;
        c.Day = f.date->day;
        c.Month = f.date->month;
        c.Year = FractionalYear(f.date->year, f.date->month, f.date->day);
        c.UT = 0;
        star = Apparent(star.ra, star.dec, *catalogue, c);
        tele = Apparent(tele.ra, tele.dec, *display, c);
    } else if (catalogue && display && *catalogue != *display) {
        const Pair pr = Precession(star.ra, star.dec, *catalogue, *display);
        star = {star.ra + pr.ra, star.dec + pr.dec};
    }
    // The hour-angle error is the opposite of the RA error.
    return {Wrap12(lst - star.ra), star.dec, -Wrap12(tele.ra - star.ra), tele.dec - star.dec};
}

}  // namespace orv::astro
