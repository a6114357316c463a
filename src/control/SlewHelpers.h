#pragma once
// The small pieces the target, slew and trail commands are built from: angle
// wrapping, the approach speed table, the trail geometry and the guiding table
// used while trailing. The pure ones take every input as an argument so they can
// be checked alone; the last three act on a running system.

#include <cstdint>

namespace orv {

class System;

// Right ascension or sidereal time into 0 <= x < 24 hours, for values at most
// one turn outside that range.
double WrapHours24(double hours);

// Hour-angle difference into -12 .. +12 hours, for values at most one turn outside.
double WrapHours12(double hours);

// Hour angle (hours, -12 .. +12, positive west) of right ascension `ra` at local
// sidereal time `lst` (both hours).
double HourAngleOf(double ra, double lst);

// Hour angle still to travel (hours, positive west) from the telescope at mean
// place `ra` and hour angle `ha` to the target at `targetRA`, at sidereal time
// `lst`. The hour-angle axis never passes through +-12 h, so a target on the
// other side of that line is reached the long way round, through the meridian;
// otherwise the distance is the plain RA difference taken across 0 h, which
// needs no sidereal time and so cannot be torn by a clock update.
double HourAngleToGo(double ra, double ha, double targetRA, double lst);

// Zenith distance in degrees of declination `dec` (degrees) at hour angle `ha`
// (hours) for a site given by the sine and cosine of its latitude.
double ZenithDistanceOf(double dec, double ha, double sinLatitude, double cosLatitude);

// The slew speed, arcseconds per second of axis motion, for a remaining distance
// of `distance` degrees on one axis: proportional to the square root of the
// distance far out (at most 997.2), then fixed steps of 360, 120, 12 and 3 on
// the way in.
double ApproachRate(double distance);

// Distance below which a slew counts an axis as arrived, degrees (1.44 arcsec).
inline constexpr double SlewArrivalTolerance = 0.0004;

struct SkyPoint {
    double ra = 0;   // hours
    double dec = 0;  // degrees
};

// Far end of a trail of `length` arcseconds along position angle `angle`
// (degrees, north 0, east 90) from `start`. The RA part is arcseconds of hour-angle
// axis motion, not of great circle, just as the trail's axis rates are.
SkyPoint TrailEndPoint(SkyPoint start, double angle, double length);

// The two axis speeds of a trail at `rate` arcsec/s along position angle `angle`
// (degrees): the magnitudes of its hour-angle and declination components.
// Components below 0.0001 arcsec/s are 0, so an axis at right angles to the
// trail stays still.
struct AxisRates {
    double ha = 0;   // arcsec/s
    double dec = 0;  // arcsec/s
};
AxisRates TrailAxisRates(double angle, double rate);

// Tracking rates while a trail leg runs with paddle direction bits `paddleBits`
// (the paddle byte AND 0x3C): the kept tracking rates `base` moved by `guideRate`
// along each pressed direction (north +Dec, south -Dec, east -RA, west +RA);
// any combination outside the eight single and diagonal presses guides nothing.
struct TrackRatePair {
    double ra = 0;   // arcsec/s
    double dec = 0;  // arcsec/s
};
TrackRatePair GuidedTrackRates(uint8_t paddleBits, TrackRatePair base, double guideRate);

// Sets or clears TARGET OUT OF RANGE by the zenith distance of (dec, ha) against
// ZenithLimit; returns true when the target is out of range, as a place that is
// not a number always is.
bool CheckTargetRange(System& system, double dec, double ha);

// Drops the slew signal (bit 0x01 of 0xA89) for 500 ms, then raises it again.
void SlewSignalPulse(System& system);

}  // namespace orv
