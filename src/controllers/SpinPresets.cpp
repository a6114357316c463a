#include "controllers/SpinPresets.h"

#include <utility>

namespace orv {

DegreeSpinSettings HoursOfDaySpin(std::string units) {
    DegreeSpinSettings s;
    s.MinValue = 0;
    s.MaxValue = 24;
    s.UseLimit = true;
    s.Wrap = true;
    s.UnitsString = std::move(units);
    return s;
}

DegreeSpinSettings DeclinationSpin(std::string units) {
    DegreeSpinSettings s;
    s.MinValue = -90;
    s.MaxValue = 90;
    s.UseLimit = true;
    s.Digits = 0;
    s.UnitsString = std::move(units);
    return s;
}

DegreeSpinSettings FreeDegreeSpin(std::string units) {
    DegreeSpinSettings s;
    s.UnitsString = std::move(units);
    return s;
}

RealSpinSettings FreeRealSpin(std::string units, double step) {
    RealSpinSettings s;
    s.Increment = step;
    s.UnitsString = std::move(units);
    return s;
}

RealSpinSettings LimitedRealSpin(std::string units, double minValue, double maxValue, double step) {
    RealSpinSettings s = FreeRealSpin(std::move(units), step);
    s.limits = {minValue, maxValue, true, false};
    return s;
}

}  // namespace orv
