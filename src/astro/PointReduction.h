#pragma once
// From a collected pointing point to the error the pointing model describes.
//
// A point holds mean places: the next object's RA and Dec as entered (equinox of
// the catalogue it came from), and the telescope's RA, Dec and HA of the display
// equinox, all read at the moment the star was centred. The sidereal time of the
// point is the telescope's HA plus its RA, exactly, since Orv forms the one from
// the other. The error the model describes lives in the observed frame: both
// places are carried to the apparent place of date (precession, nutation,
// aberration), the star's hour angle is the sidereal time less its apparent RA,
// and the error is the telescope's belief less the star's place.
//
// A point does not record the equinoxes or the date. Without a date both places
// are taken as apparent places of date once the next place is precessed to the
// display equinox; with Orv's display equinox of the current year's middle the
// frame then differs from the apparent one by under 0.5 year of precession plus
// nutation and aberration (about a minute of arc), which changes an error of a few
// minutes of arc by well under 0.1 arcsecond. A display equinox years away from
// the date needs the date for the same accuracy.

#include <optional>

#include "astro/PointingFit.h"

namespace orv::astro {

// One point as the Point Data list holds it: hours, degrees.
struct PointPlaces {
    double nextRA, nextDec;     // the star, mean place of the catalogue equinox
    double teleRA, teleDec;     // where the telescope believed it pointed, display equinox
    double teleHA;              // hours, the display's hour angle (sidereal time - teleRA)
    bool operator==(const PointPlaces&) const = default;
};

struct CalendarDate {
    int year, month, day;
};

// What the point file leaves out; each is optional.
struct PointFrame {
    std::optional<double> displayEquinox;     // years; with a date, default its year + 0.5
    std::optional<double> catalogueEquinox;   // years; default the display equinox
    std::optional<CalendarDate> date;         // the night's date (0 h UT is used)
};

PointingObservation ReducePoint(const PointPlaces& point, const PointFrame& frame);

}  // namespace orv::astro
