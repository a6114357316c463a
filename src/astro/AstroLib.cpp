#include "astro/AstroLib.h"

#include <algorithm>
#include <cmath>

#include "astro/AstroConstants.h"

namespace orv::astro {

namespace {

// Hours to radians the way the sky-position formulae take them: via degrees.
double HoursToRad(double hours) { return hours * DegPerHour * DegToRad; }

// Brings hours into 0..24 (24 itself becomes 0).
double WrapHours24(double hours) {
    if (hours < 0) hours += HoursPerDay;
    if (hours >= HoursPerDay || hours < 0) {
        hours = std::fmod(hours, HoursPerDay);
        if (hours < 0) hours += HoursPerDay;
    }
    return hours;
}

// Brings an hour angle into -12..+12 by one addition or subtraction of 24.
double WrapHourAngle(double ha) {
    if (ha < -12.0) return ha + HoursPerDay;
    if (ha > 12.0) return ha - HoursPerDay;
    return ha;
}

// Cosine of a declination (radians) for the secants and tangents of the nutation
// and aberration series: its magnitude is held at PoleCosFloor or more, with its
// sign kept, so a mount pointed through the pole (|dec| > 90) keeps consistent signs.
double GuardedCos(double decRad) {
    const double cd = std::cos(decRad);
    if (std::fabs(cd) >= PoleCosFloor) return cd;
    return cd < 0 ? -PoleCosFloor : PoleCosFloor;
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
        H += Pi;
        d = (d > 0 ? Pi : -Pi) - d;
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
    const double T = d / DaysPerCentury;
    // Fundamental arguments, degrees: Moon's node, elongation, argument of
    // latitude, Sun's and Moon's mean anomalies.
    const double Om = (259.1833 - 0.0529539 * d + 0.00016 * d2) * DegToRad;
    const double Dm = (350.7375 + 12.1907492 * d - 0.0001 * d2) * DegToRad;
    const double F = (11.2509 + 13.22935045 * d - 0.00024 * d2) * DegToRad;
    const double M = (358.4758 + 0.98560027 * d) * DegToRad;
    const double Mm = (296.1046 + 13.06499245 * d + 0.000689 * d2) * DegToRad;
    const double L2 = 2 * Om - 2 * Dm + 2 * F;   // twice the Sun's mean longitude
    const double L2m = 2 * Om + 2 * F;           // twice the Moon's mean longitude

    NutationAngles n{};
    n.dpsi = -(17.2327 + 0.0174 * T) * std::sin(Om) + 0.209 * std::sin(2 * Om) -
             1.2729 * std::sin(L2) - 0.2037 * std::sin(L2m) + 0.1261 * std::sin(M) +
             0.0675 * std::sin(Mm) - 0.0497 * std::sin(L2 + M);
    n.deps = (9.21 + 0.00091 * T) * std::cos(Om) - 0.0904 * std::cos(2 * Om) +
             0.5522 * std::cos(L2) + 0.0884 * std::cos(L2m);
    n.eps = (23.45229 - 0.0130125 * T - 0.00000164 * T * T) * DegToRad;
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
    return 367 * Y - b + cm + D - DayNumberOffset + c.UT / HoursPerDay;
}

double FractionalYear(double year, int month, int day) {
    const long long y = static_cast<long long>(std::trunc(year));
    const long long r = y % 4;   // sign of y, as the calendar formula expects
    const bool leap = r == 0 && !(y % 100 == 0 && y % 400 != 0);
    const double M = month;
    const double rr = static_cast<double>(r);
    // Day number of the year, 0 on 1 January: all quotients real.
    const double n = std::trunc(M * 275 / 9 - ((rr + 2) / 3 + 1) * ((M + 9) / 12) + day - 30);
    return static_cast<double>(y) + n / (leap ? LeapYearDays : CommonYearDays);
}

double LocalSiderealTime(const AstroContext& c) {
    const double d = DaysSince1900(c);
    const double d0 = d - c.UT / HoursPerDay;   // days at 0 h UT
    const double T0 = d0 / DaysPerCentury;
    const double gmst =
        std::fmod(Gmst0 + Gmst1 * T0 + Gmst2 * T0 * T0 + SiderealRatio * c.UT, HoursPerDay);
    // Equation of the equinoxes: dpsi cos(eps), arcseconds to hours.
    const NutationAngles n = NutationSeries(d);
    const double eqeq = n.dpsi * std::cos(n.eps) / ArcsecPerHour;
    return WrapHours24(gmst + eqeq - c.Longitude);
}

Pair Precession(double ra, double dec, double fromEpoch, double toEpoch) {
    const double base = std::min(fromEpoch, toEpoch);
    const double T0 = (base - CenturyBaseYear) / YearsPerCentury;
    const double t = std::fabs(toEpoch - fromEpoch) / YearsPerCentury;
    const double t2 = t * t, t3 = t2 * t;

    // Newcomb's angles, radians.
    double zeta = ((Zeta1 + Zeta1T * T0) * t + Zeta2 * t2 + Zeta3 * t3) * ArcsecToRad;
    double z = zeta + Z2Extra * t2 * ArcsecToRad;
    double theta = ((Theta1 + Theta1T * T0) * t + Theta2 * t2 + Theta3 * t3) * ArcsecToRad;
    if (toEpoch < fromEpoch) {
        // Backwards: the inverse rotation.
        theta = -theta;
        const double zetaF = zeta;
        zeta = -z;
        z = -zetaF;
    }

    const double alpha = ra / HoursPerRadian;
    const double delta = dec * DegToRad;
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
    if (dalpha > Pi) dalpha -= TwoPi;
    if (dalpha < -Pi) dalpha += TwoPi;

    const double s = std::clamp(std::cos(theta) * sd + std::sin(theta) * cd * cA, -1.0, 1.0);
    const double deltaNew = std::asin(s);
    return {dalpha * HoursPerRadian, deltaNew * RadToDeg - dec};
}

Pair Nutation(double ra, double dec, const AstroContext& c) {
    const NutationAngles n = NutationSeries(DaysSince1900(c));
    const double alpha = HoursToRad(ra);
    const double delta = dec * DegToRad;
    const double tand = std::sin(delta) / GuardedCos(delta);
    const double se = std::sin(n.eps), ce = std::cos(n.eps);
    const double sa = std::sin(alpha), ca = std::cos(alpha);
    const double dra = ((ce + se * sa * tand) * n.dpsi - ca * tand * n.deps) / ArcsecPerHour;
    const double ddec = (se * ca * n.dpsi + sa * n.deps) / ArcsecPerDeg;
    return {dra, ddec};
}

Pair Aberration(double ra, double dec, const AstroContext& c) {
    const double T = DaysSince1900(c) / DaysPerCentury;
    const double eps = (23.452 - 0.013 * T) * DegToRad;
    const double Mdeg = 358.476 + 35999.05 * T;   // Sun's mean anomaly, degrees
    const double Ldeg = 279.691 + 36000.769 * T;  // Sun's mean longitude, degrees
    const double M = Mdeg * DegToRad;
    // Sun's true longitude: the equation of the centre is in degrees.
    const double S =
        (Ldeg + ((1.919 - 0.0048 * T) * std::sin(M) + 0.02 * std::sin(2 * M))) * DegToRad;

    const double k = AberrationConstant;
    const double alpha = HoursToRad(ra);
    const double delta = dec * DegToRad;
    const double sS = std::sin(S), cS = std::cos(S);
    const double ce = std::cos(eps), te = std::tan(eps);
    const double sa = std::sin(alpha), ca = std::cos(alpha);
    const double sd = std::sin(delta), cd = std::cos(delta);
    const double dra = (-k * sS * sa - k * cS * ce * ca) / GuardedCos(delta) / DegPerHour;
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
    const double dr = dec * DegToRad;
    const double cosd = GuardedCos(dr);
    const double sind = std::sin(dr);
    const double tand = sind / cosd;

    const double H = HoursToRad(ha);
    const double sH = std::sin(H), cH = std::cos(H);

    // Cosine of the zenith distance, floored near the horizon. It is also held at
    // 1: rounding at the zenith, or the guarded cosine at a site near the pole, can
    // push it past 1, where the arccosine and the refraction would give NaN.
    double cz = std::fabs(sphi * sind + cphi * cosd * cH);
    if (cz < HorizonFloor) cz = HorizonFloor;
    if (cz > 1.0) cz = 1.0;

    Corrections out{};
    out.ZenithDistance = std::acos(cz) * RadToDeg;

    // Azimuth from the arcsine, then the quadrant from the meridian test.
    const double h = std::asin(cz);
    const double x = std::clamp(-cosd * sH / std::cos(h), -1.0, 1.0);
    double A = std::asin(x) + 0.0;   // + 0.0: no negative zero on the meridian
    if (A < 0) A += TwoPi;
    if (c.Latitude * cH > dec) A = TwoPi - A + Pi;
    if (A > TwoPi) A -= TwoPi;
    out.Azimuth = A * RadToDeg;

    // Hardie's air mass.
    const double X = 1.0 / cz;
    const double X1 = X - 1.0;
    out.AirMass = X - Hardie1 * X1 - Hardie2 * X1 * X1 - Hardie3 * X1 * X1 * X1;

    // Refraction factor (58.3 tan z - 0.067 tan^3 z) / sin z, arcseconds, and the
    // refraction's share in each axis: rH seconds of time, rD arcseconds.
    const double sinz = std::sqrt(1.0 - cz * cz);
    const double tanz = sinz / cz;
    const double R = (Refraction1 / cz - Refraction3 * tanz * tanz / cz) * c.RefractionScale;
    const double flexure = (sphi - sind * cz) / cosd;   // (sin phi - sin d cos z) / cos d
    const Pair move = RefractionMove(H, dr, R * sinz / (RadToDeg * ArcsecPerDeg), sphi, cphi);
    const double rH = move.ra * RadToDeg * ArcsecPerDeg / DegPerHour;
    const double rD = move.dec * RadToDeg * ArcsecPerDeg;

    const double P6 = P[6] * DegToRad;
    const double P8 = P[8] * DegToRad;
    out.DecCorrection =
        (P[7] * std::cos(dr - P8) + P[1] * cH + P[2] * sH + P[9] * flexure + rD) / ArcsecPerDeg;
    out.HACorrection = (P[5] * std::cos(H - P6) + P[3] / cosd + P[4] * tand +
                        (P[1] / DegPerHour) * sH * tand - (P[2] / DegPerHour) * cH * tand -
                        P[9] * cphi * sH / (DegPerHour * cosd) + rH) /
                       ArcsecPerDeg;

    // Rates: derivatives of the corrections in HA times the Earth's rotation.
    out.DecRateCorrection =
        EarthRate * (-P[1] * sH + P[2] * cH + P[9] * cphi * sind * sH + R * cphi * sphi * sH / cz);
    out.HARateCorrection =
        EarthRateHA * ((P[1] / DegPerHour) * cH * tand + (P[2] / DegPerHour) * sH * tand -
                        P[5] * std::sin(H - P6) - P[9] * cphi * cH / (DegPerHour * cosd) -
                        R * cphi * (cz * cH + cphi * cosd * sH * sH) / (DegPerHour * cosd * cz));
    return out;
}

double AirMassAt(double ha, double dec, const AstroContext& c) {
    const double H = HoursToRad(ha);
    const double d = dec * DegToRad;
    const double cz = c.SinLatitude * std::sin(d) + c.CosLatitude * std::cos(d) * std::cos(H);
    const double X = 1.0 / std::fabs(cz);
    const double X1 = X - 1.0;
    return X - Hardie1 * X1 - Hardie2 * X1 * X1 - Hardie3 * X1 * X1 * X1;
}

double ZenithDistanceAt(double ha, double dec, const AstroContext& c) {
    const double H = HoursToRad(ha);
    const double d = dec * DegToRad;
    const double cz = c.SinLatitude * std::sin(d) + c.CosLatitude * std::cos(d) * std::cos(H);
    return std::acos(std::clamp(cz, -1.0, 1.0)) * RadToDeg;
}

double DomeAzimuthFor(double ha, double dec, const AstroContext& c) {
    const double H = HoursToRad(ha);
    const double d = dec * DegToRad;
    const double sphi = c.SinLatitude, cphi = c.CosLatitude;
    const double sH = std::sin(H), cH = std::cos(H);
    const double sd = std::sin(d), cd = std::cos(d);
    const double arm = c.EastSideOperation ? -DomeArm : DomeArm;

    // Line of sight: unit direction (west, north, up) and origin from the dome centre.
    const double w = sH * cd;
    const double n = sd * cphi - cH * cd * sphi;
    const double u = sphi * sd + cphi * cd * cH;
    const double ow = arm * cH + DomeOffsetWest;
    const double on = arm * sH * sphi + DomeOffsetNorth;
    const double ou = -arm * sH * cphi + DomeOffsetUp;

    // Distance along the line of sight to the dome, two fixed passes.
    double rho = c.DomeRadius;
    for (int pass = 0; pass < 2; ++pass) {
        const double pw = ow + rho * w, pn = on + rho * n, pu = ou + rho * u;
        const double r = std::sqrt(pw * pw + pn * pn + pu * pu);
        rho = rho * c.DomeRadius / r;
    }
    const double pw = ow + rho * w;
    const double pn = on + rho * n;

    double az = TwoPi - std::atan2(pw, pn);
    if (az < 0) az += TwoPi;
    if (az > TwoPi) az -= TwoPi;
    return az * RadToDeg;
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
    if (elapsed < -12.0) elapsed += HoursPerDay;
    else if (elapsed > 12.0) elapsed -= HoursPerDay;
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
    if (r.ApparentRA < 0) r.ApparentRA += HoursPerDay;
    else if (r.ApparentRA >= HoursPerDay) r.ApparentRA -= HoursPerDay;
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
