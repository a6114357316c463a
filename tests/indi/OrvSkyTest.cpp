// The driver's conversions between the place of date and Orv's mean place,
// checked against Orv's own reductions (precession, nutation, aberration of
// the astronomy library, themselves cross-checked against ERFA's IAU 1976/1980
// models): two independent computations of the same place.

#include "app/indi/OrvSky.h"

#include <gtest/gtest.h>

#include <cmath>

#include "astro/AstroLib.h"

namespace orv::indi {
namespace {

TEST(OrvSky, ThePlaceOfDateAgreesWithOrvsOwnReductions) {
    const OrvDate dates[] = {{2026, 3, 20, 3.0}, {2026, 12, 8, 21.5}, {2031, 7, 1, 12.25}, {2019, 1, 31, 0.1}};
    for (const OrvDate& date : dates) {
        astro::AstroContext c;
        c.Day = date.day;
        c.Month = date.month;
        c.UT = date.utHours;
        c.Year = astro::FractionalYear(date.year, date.month, date.day);
        const double epoch = date.year + 0.5;   // Orv's display equinox
        for (double dec = -80; dec <= 85; dec += 23.5) {
            for (double ra = 0.7; ra < 24; ra += 3.3) {
                const RaDec ours = ApparentFromMean({ra, dec}, epoch, date);
                // Orv's chain: precess to the equinox of date, then nutation and aberration.
                const astro::Pair p = astro::Precession(ra, dec, epoch, c.Year);
                double r = ra + p.ra, d = dec + p.dec;
                const astro::Pair n = astro::Nutation(r, d, c);
                r += n.ra;
                d += n.dec;
                const astro::Pair a = astro::Aberration(r, d, c);
                r += a.ra;
                d += a.dec;
                // Orv's low-precision series and its E-terms of aberration differ from
                // ERFA's IAU 2006/2000A by some tenths of an arcsecond; a slip of sign,
                // unit or epoch would give arcseconds to arcminutes.
                EXPECT_LT(SeparationArcsec(ours, {std::fmod(r + 24, 24), d}), 1.0)
                    << date.year << "-" << date.month << " ra " << ra << " dec " << dec;
            }
        }
    }
}

TEST(OrvSky, MeanFromApparentUndoesApparentFromMean) {
    const OrvDate date{2026, 12, 8, 21.5};
    for (const RaDec place : {RaDec{0.0, 0.0}, RaDec{23.99, -45.0}, RaDec{6.5, 89.2}, RaDec{13.4, 20.7}}) {
        const RaDec back = MeanFromApparent(ApparentFromMean(place, 2026.5, date), 2026.5, date);
        EXPECT_LT(SeparationArcsec(back, place), 1e-6);
    }
}

}  // namespace
}  // namespace orv::indi
