#pragma once
// Copies the date, site and pointing-model values out of a running system into
// the context the pure astronomy routines take.

#include "astro/AstroContext.h"

namespace orv {

class System;

// Reads the shared values without ClockLock: a caller racing the daily roll-over
// may see the day of one date with the time of the next, for one pass.
astro::AstroContext AstroContextOf(const System& system);

// The position the dome follows: the next object's while a slew runs (so the
// dome already turns towards the target), else the telescope's. Hours, degrees.
struct DomeSightLine {
    double ha;
    double dec;
};
DomeSightLine DomeSightLineOf(const System& system);

}  // namespace orv
