#include "astro/AstroLib.h"

#include <algorithm>
#include <cmath>

#include "astro/AstroConstants.h"

namespace orv::astro {

namespace {

// Hours to radians the way the sky-position formulae take them: via degrees.
double HoursToRad(double hours) { return hours * kDegPerHour * kDegToRad; }

// Brings hours into 0..24 (24 itself becomes 0).
double WrapHours24(double hours) {
    if (hours < 0) hours += kHoursPerDay;
    if (hours >= kHoursPerDay || hours < 0) {
        hours = std::fmod(hours, kHoursPerDay);
        if (hours < 0) hours += kHoursPerDay;
    }
    return hours;
}

// Brings an hour angle into -12..+12 by one addition or subtraction of 24.
double WrapHourAngle(double ha) {
    if (ha < -12.0) return ha + kHoursPerDay;
    if (ha > 12.0) return ha - kHoursPerDay;
    return ha;
}

// Cosine of a declination (radians) for the secants and tangents of the nutation
// and aberration series: its magnitude is held at kPoleCosFloor or more, with its
// sign kept, so a mount pointed through the pole (|dec| > 90) keeps consistent signs.
double GuardedCos(double decRad) {
    const double cd = std::cos(decRad);
    if (std::fabs(cd) >= kPoleCosFloor) return cd;
    return cd < 0 ? -kPoleCosFloor : kPoleCosFloor;
}

// The move of the place at hour angle H, declination d (radians) by `refraction`
// (radians) towards the zenith of a site at latitude (sin phi, cos phi), as
// changes of hour angle and declination (radians). It is taken from the move
// itself rather than from its first-order split R sin q / cos d, R cos q (q the
// parallactic angle): near the pole the refraction is no longer small against
// the polar distance (69" against 2650" at Polaris), where the split errs by
// about R^2 / polar distance, an arcsecond on the sky. A mount pointed through
// the pole (|d| > 90 degrees) sees the sky place on the other side of it: that
// place moves, and the change of declination is mirrored back.
Pair RefractionMove(double H, double d, double refraction, double sphi, double cphi) {
    if (refraction == 0) return {0.0, 0.0};
    const bool throughPole = std::cos(d) < 0;
    if (throughPole) {
        H += kPi;
        d = (d > 0 ? kPi : -kPi) - d;
    }
    const double sH = std::sin(H), cH = std::cos(H), sd = std::sin(d), cd = std::cos(d);
    const double e[3] = {cd * cH, cd * sH, sd};   // x to the meridian, y to the west, z to the pole
    const double cz = e[0] * cphi + e[2] * sphi;
    const double t[3] = {cphi - cz * e[0], -cz * e[1], sphi - cz * e[2]};   // towards the zenith
    const double sinz = std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2]);
    if (sinz < 1e-12) return {0.0, 0.0};   // at the zenith refraction moves nothing
    const double cR = std::cos(refraction), sR = std::sin(refraction) / sinz;
    const double m[3] = {e[0] * cR + t[0] * sR, e[1] * cR + t[1] * sR, e[2] * cR + t[2] * sR};
    // The changes straight from the moved vector, without differencing angles.
    const double rho = std::hypot(m[0], m[1]);
    const double dH = std::atan2(m[1] * cH - m[0] * sH, m[0] * cH + m[1] * sH);
    const double dd = std::atan2(m[2] * cd - rho * sd, rho * cd + m[2] * sd);
    return {dH, throughPole ? -dd : dd};
}

// The nutation in longitude and obliquity (arcseconds) and the mean obliquity
// (radians) for d days since 1900 January 0.5.
struct NutationAngles {
    double dpsi;
    double deps;
    double eps;
};

NutationAngles NutationSeries(double d) {
    const double d2 = d * d * 1e-8;
    const double T = d / kDaysPerCentury;
    // Fundamental arguments, degrees: Moon's node, elongation, argument of
    // latitude, Sun's and Moon's mean anomalies.
    const double Om = (259.1833 - 0.0529539 * d + 0.00016 * d2) * kDegToRad;
    const double Dm = (350.7375 + 12.1907492 * d - 0.0001 * d2) * kDegToRad;
    const double F = (11.2509 + 13.22935045 * d - 0.00024 * d2) * kDegToRad;
    const double M = (358.4758 + 0.98560027 * d) * kDegToRad;
    const double Mm = (296.1046 + 13.06499245 * d + 0.000689 * d2) * kDegToRad;
    const double L2 = 2 * Om - 2 * Dm + 2 * F;   // twice the Sun's mean longitude
    const double L2m = 2 * Om + 2 * F;           // twice the Moon's mean longitude

    NutationAngles n{};
    n.dpsi = -(17.2327 + 0.0174 * T) * std::sin(Om) + 0.209 * std::sin(2 * Om) -
             1.2729 * std::sin(L2) - 0.2037 * std::sin(L2m) + 0.1261 * std::sin(M) +
             0.0675 * std::sin(Mm) - 0.0497 * std::sin(L2 + M);
    n.deps = (9.21 + 0.00091 * T) * std::cos(Om) - 0.0904 * std::cos(2 * Om) +
             0.5522 * std::cos(L2) + 0.0884 * std::cos(L2m);
    n.eps = (23.45229 - 0.0130125 * T - 0.00000164 * T * T) * kDegToRad;
    return n;
}

}  // namespace

double DaysSince1900(const AstroContext& c) {
    const double Y = std::trunc(c.Year);
    const double M = c.Month;
    const double D = c.Day;
    const double a = std::trunc((M + 9) / 12);
    const double b = std::trunc((a + Y) * 7 / 4);
    const double cm = std::trunc(M * 275 / 9);
    return 367 * Y - b + cm + D - kDayNumberOffset + c.UT / kHoursPerDay;
}

double FractionalYear(double year, int month, int day) {
    const long long y = static_cast<long long>(std::trunc(year));
    const long long r = y % 4;   // sign of y, as the calendar formula expects
    const bool leap = r == 0 && !(y % 100 == 0 && y % 400 != 0);
    const double M = month;
    const double rr = static_cast<double>(r);
    // Day number of the year, 0 on 1 January: all quotients real.
    const double n = std::trunc(M * 275 / 9 - ((rr + 2) / 3 + 1) * ((M + 9) / 12) + day - 30);
    return static_cast<double>(y) + n / (leap ? kLeapYearDays : kCommonYearDays);
}

double LocalSiderealTime(const AstroContext& c) {
    const double d = DaysSince1900(c);
    const double d0 = d - c.UT / kHoursPerDay;   // days at 0 h UT
    const double T0 = d0 / kDaysPerCentury;
    const double gmst =
        std::fmod(kGmst0 + kGmst1 * T0 + kGmst2 * T0 * T0 + kSiderealRatio * c.UT, kHoursPerDay);
    // Equation of the equinoxes: dpsi cos(eps), arcseconds to hours.
    const NutationAngles n = NutationSeries(d);
    const double eqeq = n.dpsi * std::cos(n.eps) / kArcsecPerHour;
    return WrapHours24(gmst + eqeq - c.Longitude);
}

Pair Precession(double ra, double dec, double fromEpoch, double toEpoch) {
    const double base = std::min(fromEpoch, toEpoch);
    const double T0 = (base - kCenturyBaseYear) / kYearsPerCentury;
    const double t = std::fabs(toEpoch - fromEpoch) / kYearsPerCentury;
    const double t2 = t * t, t3 = t2 * t;

    // Newcomb's angles, radians.
    double zeta = ((kZeta1 + kZeta1T * T0) * t + kZeta2 * t2 + kZeta3 * t3) * kArcsecToRad;
    double z = zeta + kZ2Extra * t2 * kArcsecToRad;
    double theta = ((kTheta1 + kTheta1T * T0) * t + kTheta2 * t2 + kTheta3 * t3) * kArcsecToRad;
    if (toEpoch < fromEpoch) {
        // Backwards: the inverse rotation.
        theta = -theta;
        const double zetaF = zeta;
        zeta = -z;
        z = -zetaF;
    }

    const double alpha = ra / kHoursPerRadian;
    const double delta = dec * kDegToRad;
    const double A = alpha + zeta;
    const double sd = std::sin(delta), cd = std::cos(delta);
    const double sA = std::sin(A), cA = std::cos(A);

    // q = sin(theta) (tan(delta) + tan(theta/2) cos A) is taken multiplied by
    // cos(delta), so that no tangent of Dec is formed: the rotation stays exact up
    // to the pole and for a mount pointed through it. The RA change is
    // atan2(q sin A, 1 - q cos A) + zeta + z, whose quadrant matters within theta of
    // the pole, where the change exceeds 90 degrees.
    const double qc = std::sin(theta) * (sd + std::tan(theta / 2) * cA * cd);
    double dalpha = std::atan2(qc * sA, cd - qc * cA) + zeta + z;
    if (dalpha > kPi) dalpha -= kTwoPi;
    if (dalpha < -kPi) dalpha += kTwoPi;

    const double s = std::clamp(std::cos(theta) * sd + std::sin(theta) * cd * cA, -1.0, 1.0);
    const double deltaNew = std::asin(s);
    return {dalpha * kHoursPerRadian, deltaNew * kRadToDeg - dec};
}

Pair Nutation(double ra, double dec, const AstroContext& c) {
    const NutationAngles n = NutationSeries(DaysSince1900(c));
    const double alpha = HoursToRad(ra);
    const double delta = dec * kDegToRad;
    const double tand = std::sin(delta) / GuardedCos(delta);
    const double se = std::sin(n.eps), ce = std::cos(n.eps);
    const double sa = std::sin(alpha), ca = std::cos(alpha);
    const double dra = ((ce + se * sa * tand) * n.dpsi - ca * tand * n.deps) / kArcsecPerHour;
    const double ddec = (se * ca * n.dpsi + sa * n.deps) / kArcsecPerDeg;
    return {dra, ddec};
}

Pair Aberration(double ra, double dec, const AstroContext& c) {
    const double T = DaysSince1900(c) / kDaysPerCentury;
    const double eps = (23.452 - 0.013 * T) * kDegToRad;
    const double Mdeg = 358.476 + 35999.05 * T;   // Sun's mean anomaly, degrees
    const double Ldeg = 279.691 + 36000.769 * T;  // Sun's mean longitude, degrees
    const double M = Mdeg * kDegToRad;
    // Sun's true longitude: the equation of the centre is in degrees.
    const double S =
        (Ldeg + ((1.919 - 0.0048 * T) * std::sin(M) + 0.02 * std::sin(2 * M))) * kDegToRad;

    const double k = kAberration;
    const double alpha = HoursToRad(ra);
    const double delta = dec * kDegToRad;
    const double sS = std::sin(S), cS = std::cos(S);
    const double ce = std::cos(eps), te = std::tan(eps);
    const double sa = std::sin(alpha), ca = std::cos(alpha);
    const double sd = std::sin(delta), cd = std::cos(delta);
    const double dra = (-k * sS * sa - k * cS * ce * ca) / GuardedCos(delta) / kDegPerHour;
    const double ddec = -k * sS * ca * sd + k * cS * ce * sa * sd - k * cS * ce * te * cd;
    return {dra, ddec};
}

Corrections PointingCorrections(double ha, double dec, const AstroContext& c) {
    const auto& P = c.PointingTerm;
    const double sphi = c.SinLatitude, cphi = c.CosLatitude;

    // The true declination everywhere, its cosine held at the pole guard (with
    // its sign) as in nutation and aberration: a catalogue star near the pole
    // gets its full refraction and model terms, a place at the pole finite ones,
    // and a mount pointed through the pole (|dec| > 90) consistent signs.
    const double dr = dec * kDegToRad;
    const double cosd = GuardedCos(dr);
    const double sind = std::sin(dr);
    const double tand = sind / cosd;

    const double H = HoursToRad(ha);
    const double sH = std::sin(H), cH = std::cos(H);

    // Cosine of the zenith distance, floored near the horizon. It is also held at
    // 1: rounding at the zenith, or the guarded cosine at a site near the pole, can
    // push it past 1, where the arccosine and the refraction would give NaN.
    double cz = std::fabs(sphi * sind + cphi * cosd * cH);
    if (cz < kHorizonFloor) cz = kHorizonFloor;
    if (cz > 1.0) cz = 1.0;

    Corrections out{};
    out.ZenithDistance = std::acos(cz) * kRadToDeg;

    // Azimuth from the arcsine, then the quadrant from the meridian test.
    const double h = std::asin(cz);
    const double x = std::clamp(-cosd * sH / std::cos(h), -1.0, 1.0);
    double A = std::asin(x) + 0.0;   // + 0.0: no negative zero on the meridian
    if (A < 0) A += kTwoPi;
    if (c.Latitude * cH > dec) A = kTwoPi - A + kPi;
    if (A > kTwoPi) A -= kTwoPi;
    out.Azimuth = A * kRadToDeg;

    // Hardie's air mass.
    const double X = 1.0 / cz;
    const double X1 = X - 1.0;
    out.AirMass = X - kHardie1 * X1 - kHardie2 * X1 * X1 - kHardie3 * X1 * X1 * X1;

    // Refraction factor (58.3 tan z - 0.067 tan^3 z) / sin z, arcseconds, and the
    // refraction's share in each axis: rH seconds of time, rD arcseconds.
    const double sinz = std::sqrt(1.0 - cz * cz);
    const double tanz = sinz / cz;
    const double R = (kRefraction1 / cz - kRefraction3 * tanz * tanz / cz) * c.RefractionScale;
    const double flexure = (sphi - sind * cz) / cosd;   // (sin phi - sin d cos z) / cos d
    const Pair move = RefractionMove(H, dr, R * sinz / (kRadToDeg * kArcsecPerDeg), sphi, cphi);
    const double rH = move.ra * kRadToDeg * kArcsecPerDeg / kDegPerHour;
    const double rD = move.dec * kRadToDeg * kArcsecPerDeg;

    const double P6 = P[6] * kDegToRad;
    const double P8 = P[8] * kDegToRad;
    out.DecCorrection =
        (P[7] * std::cos(dr - P8) + P[1] * cH + P[2] * sH + P[9] * flexure + rD) / kArcsecPerDeg;
    out.HACorrection = (P[5] * std::cos(H - P6) + P[3] / cosd + P[4] * tand +
                        (P[1] / kDegPerHour) * sH * tand - (P[2] / kDegPerHour) * cH * tand -
                        P[9] * cphi * sH / (kDegPerHour * cosd) + rH) /
                       kArcsecPerDeg;

    // Rates: derivatives of the corrections in HA times the Earth's rotation.
    out.DecRateCorrection =
        kEarthRate * (-P[1] * sH + P[2] * cH + P[9] * cphi * sind * sH + R * cphi * sphi * sH / cz);
    out.HARateCorrection =
        kEarthRateHA * ((P[1] / kDegPerHour) * cH * tand + (P[2] / kDegPerHour) * sH * tand -
                        P[5] * std::sin(H - P6) - P[9] * cphi * cH / (kDegPerHour * cosd) -
                        R * cphi * (cz * cH + cphi * cosd * sH * sH) / (kDegPerHour * cosd * cz));
    return out;
}

double AirMassAt(double ha, double dec, const AstroContext& c) {
    const double H = HoursToRad(ha);
    const double d = dec * kDegToRad;
    const double cz = c.SinLatitude * std::sin(d) + c.CosLatitude * std::cos(d) * std::cos(H);
    const double X = 1.0 / std::fabs(cz);
    const double X1 = X - 1.0;
    return X - kHardie1 * X1 - kHardie2 * X1 * X1 - kHardie3 * X1 * X1 * X1;
}

double ZenithDistanceAt(double ha, double dec, const AstroContext& c) {
    const double H = HoursToRad(ha);
    const double d = dec * kDegToRad;
    const double cz = c.SinLatitude * std::sin(d) + c.CosLatitude * std::cos(d) * std::cos(H);
    return std::acos(std::clamp(cz, -1.0, 1.0)) * kRadToDeg;
}

double DomeAzimuthFor(double ha, double dec, const AstroContext& c) {
    const double H = HoursToRad(ha);
    const double d = dec * kDegToRad;
    const double sphi = c.SinLatitude, cphi = c.CosLatitude;
    const double sH = std::sin(H), cH = std::cos(H);
    const double sd = std::sin(d), cd = std::cos(d);
    const double arm = c.EastSideOperation ? -kDomeArm : kDomeArm;

    // Line of sight: unit direction (west, north, up) and origin from the dome centre.
    const double w = sH * cd;
    const double n = sd * cphi - cH * cd * sphi;
    const double u = sphi * sd + cphi * cd * cH;
    const double ow = arm * cH + kDomeOffsetWest;
    const double on = arm * sH * sphi + kDomeOffsetNorth;
    const double ou = -arm * sH * cphi + kDomeOffsetUp;

    // Distance along the line of sight to the dome, two fixed passes.
    double rho = c.DomeRadius;
    for (int pass = 0; pass < 2; ++pass) {
        const double pw = ow + rho * w, pn = on + rho * n, pu = ou + rho * u;
        const double r = std::sqrt(pw * pw + pn * pn + pu * pu);
        rho = rho * c.DomeRadius / r;
    }
    const double pw = ow + rho * w;
    const double pn = on + rho * n;

    double az = kTwoPi - std::atan2(pw, pn);
    if (az < 0) az += kTwoPi;
    if (az > kTwoPi) az -= kTwoPi;
    return az * kRadToDeg;
}

double ObservedPlace(PlaceRecord& rec, const AstroContext& c,
                     const std::function<double()>& readSidereal) {
    // Mean place of rec.Epoch to the apparent place of date.
    rec.PrecessionDelta = Precession(rec.RA, rec.Dec, rec.Epoch, c.Year);
    rec.RA += rec.PrecessionDelta.ra;
    rec.Dec += rec.PrecessionDelta.dec;
    rec.NutationDelta = Nutation(rec.RA, rec.Dec, c);
    rec.RA += rec.NutationDelta.ra;
    rec.Dec += rec.NutationDelta.dec;
    rec.AberrationDelta = Aberration(rec.RA, rec.Dec, c);
    rec.RA = WrapHours24(rec.RA + rec.AberrationDelta.ra);
    rec.Dec += rec.AberrationDelta.dec;

    // Apparent to observed at the sidereal time read now.
    const double lst0 = readSidereal();
    rec.HA = WrapHourAngle(lst0 - rec.RA);
    const Corrections corr = PointingCorrections(rec.HA, rec.Dec, c);
    rec.Dec += corr.DecCorrection;

    // Advance the HA by the sidereal time the computation took; a roll-over of the
    // sidereal clock at 24 h between the readings is not a day's jump.
    const double lst1 = readSidereal();
    double elapsed = lst1 - lst0;
    if (elapsed < -12.0) elapsed += kHoursPerDay;
    else if (elapsed > 12.0) elapsed -= kHoursPerDay;
    rec.HA += corr.HACorrection + elapsed;
    return lst1;
}

ReverseChainResult ReverseChain(double counterHA, double counterDec, double lst, double displayEpoch,
                                const AstroContext& c) {
    ReverseChainResult r{};
    // The observed place is the counter place less the corrections at the
    // observed place. Taken at the counter place, the corrections are off by their
    // own change over their size; taken once more at the place that gives, the
    // rest is the square of that (near the pole, where the HA terms grow with
    // sec d, well under 0.1").
    const Corrections first = PointingCorrections(counterHA, counterDec, c);
    r.corrections =
        PointingCorrections(counterHA - first.HACorrection, counterDec - first.DecCorrection, c);
    r.ObservedHA = counterHA - r.corrections.HACorrection;
    r.ApparentRA = lst - r.ObservedHA;
    if (r.ApparentRA < 0) r.ApparentRA += kHoursPerDay;
    else if (r.ApparentRA >= kHoursPerDay) r.ApparentRA -= kHoursPerDay;
    r.ObservedDec = counterDec - r.corrections.DecCorrection;
    r.ThroughPole = r.ObservedDec <= -90.0;

    // Apparent place to the mean place of date, then to the display equinox.
    r.aberration = Aberration(r.ApparentRA, r.ObservedDec, c);
    const double ra1 = r.ApparentRA - r.aberration.ra;
    const double dec1 = r.ObservedDec - r.aberration.dec;
    r.nutation = Nutation(ra1, dec1, c);
    const double ra2 = ra1 - r.nutation.ra;
    const double dec2 = dec1 - r.nutation.dec;
    r.precession = Precession(ra2, dec2, c.Year, displayEpoch);
    r.Dec = dec2 + r.precession.dec;
    r.RA = ra2 + r.precession.ra;
    r.HA = lst - r.RA;
    return r;
}

}  // namespace orv::astro
