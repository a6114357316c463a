#pragma once
// The spin settings the dialogs share: a time of day or right ascension, a
// declination, a real number with or without limits.

#include <string>

#include "controllers/DegreeSpinModel.h"
#include "controllers/RealSpinModel.h"

namespace orv {

// 0 to 24 hours, limited, wrapping by whole days (right ascension, UT).
DegreeSpinSettings HoursOfDaySpin(std::string units);
// -90 to 90 degrees, limited, no decimals on the seconds.
DegreeSpinSettings DeclinationSpin(std::string units);
// Sexagesimal without limits (hour angle and declination of a fixed position).
DegreeSpinSettings FreeDegreeSpin(std::string units);

// A real spin stepping by `step`, without limits.
RealSpinSettings FreeRealSpin(std::string units, double step);
// A real spin held within [minValue, maxValue].
RealSpinSettings LimitedRealSpin(std::string units, double minValue, double maxValue, double step);

}  // namespace orv
