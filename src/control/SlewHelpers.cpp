#include "control/SlewHelpers.h"

#include <algorithm>
#include <cmath>

#include "astro/AstroConstants.h"
#include "control/System.h"
#include "core/Ports.h"

namespace orv {

namespace {
constexpr double ArcsecToHours = 1.851852e-5;     // hour-angle axis: 1 / (15 * 3600)
constexpr double ArcsecToDegrees = 0.0002777778;  // 1 / 3600
constexpr double NegligibleRate = 0.0001;         // arcsec/s
}  // namespace

double WrapHours24(double hours) {
    if (hours < 0) return hours + 24.0;
    if (hours >= 24.0) return hours - 24.0;
    return hours;
}

double WrapHours12(double hours) {
    if (hours < -12.0) return hours + 24.0;
    if (hours > 12.0) return hours - 24.0;
    return hours;
}

double HourAngleOf(double ra, double lst) { return WrapHours12(lst - ra); }

double HourAngleToGo(double ra, double ha, double targetRA, double lst) {
    const double shortWay = WrapHours12(ra - targetRA);
    const double axisWay = HourAngleOf(targetRA, lst) - WrapHours12(ha);
    // The two agree up to the drift of the sidereal time between reads unless
    // the short way crosses +-12 h, where they differ by a whole turn.
    return std::fabs(axisWay - shortWay) > 12.0 ? axisWay : shortWay;
}

double ZenithDistanceOf(double dec, double ha, double sinLatitude, double cosLatitude) {
    const double d = dec * astro::DegToRad;
    const double h = 15.0 * ha * astro::DegToRad;
    const double c = std::sin(d) * sinLatitude + std::cos(d) * std::cos(h) * cosLatitude;
    // Rounding can carry the cosine a hair past 1 at the zenith itself.
    return std::acos(std::clamp(c, -1.0, 1.0)) * astro::RadToDeg;
}

double ApproachRate(double distance) {
    if (distance > 0.1) return std::min(std::sqrt(0.8 * distance), 0.277) * 3600.0;
    if (distance >= 0.04) return 360.0;
    if (distance >= 0.005) return 120.0;
    if (distance >= 0.0018) return 12.0;
    return 3.0;
}

SkyPoint TrailEndPoint(SkyPoint start, double angle, double length) {
    const double a = angle * astro::DegToRad;
    return {start.ra + std::sin(a) * length * ArcsecToHours,
            start.dec + std::cos(a) * length * ArcsecToDegrees};
}

AxisRates TrailAxisRates(double angle, double rate) {
    const double a = angle * astro::DegToRad;
    auto magnitude = [](double component) {
        const double m = std::fabs(component);
        return m < NegligibleRate ? 0.0 : m;
    };
    return {magnitude(std::sin(a) * rate), magnitude(std::cos(a) * rate)};
}

TrackRatePair GuidedTrackRates(uint8_t paddleBits, TrackRatePair base, double guideRate) {
    using namespace ports;
    double ra = 0, dec = 0;
    switch (paddleBits) {
    case PaddleNorth: dec = 1; break;
    case PaddleSouth: dec = -1; break;
    case PaddleEast: ra = -1; break;
    case PaddleEast | PaddleNorth: ra = -1; dec = 1; break;
    case PaddleEast | PaddleSouth: ra = -1; dec = -1; break;
    case PaddleWest: ra = 1; break;
    case PaddleWest | PaddleNorth: ra = 1; dec = 1; break;
    case PaddleWest | PaddleSouth: ra = 1; dec = -1; break;
    default: break;
    }
    return {base.ra + ra * guideRate, base.dec + dec * guideRate};
}

bool CheckTargetRange(System& system, double dec, double ha) {
    const double z = ZenithDistanceOf(dec, ha, system.params.SinLatitude, system.params.CosLatitude);
    // Written so that a zenith distance that is not a number counts as out of range.
    const bool outOfRange = !(z < system.params.ZenithLimit);
    assignBits(system.state.StatusFlags2, status2::TargetOutOfRange, outOfRange);
    return outOfRange;
}

void SlewSignalPulse(System& system) {
    system.bus.modify(ports::SlewShutter, ports::SlewSignalBit, 0);
    system.sleep(500);
    system.bus.modify(ports::SlewShutter, 0, ports::SlewSignalBit);
}

}  // namespace orv
