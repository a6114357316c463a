#include "app/indi/OrvSky.h"

#include <erfa.h>
#include <erfam.h>

#include <algorithm>
#include <cmath>

namespace orv::indi {

namespace {

constexpr double HourToRad = ERFA_D2PI / 24.0;
constexpr double DegToRad = ERFA_DD2R;

// TT (two-part Julian Date) of a UTC date and time of day.
void TerrestrialTime(const OrvDate& date, double& tt1, double& tt2) {
    const double seconds = std::fmod(std::max(date.utHours, 0.0), 24.0) * 3600.0;
    const int hour = int(seconds / 3600.0);
    const int minute = int((seconds - hour * 3600.0) / 60.0);
    const double second = seconds - hour * 3600.0 - minute * 60.0;
    double utc1 = 0, utc2 = 0, tai1 = 0, tai2 = 0;
    // A date ERFA refuses cannot come from Orv's clock; ERFA's own status for a
    // date beyond its leap second table ("dubious year") is still a usable time.
    eraDtf2d("UTC", date.year, date.month, date.day, hour, minute, second, &utc1, &utc2);
    eraUtctai(utc1, utc2, &tai1, &tai2);
    eraTaitt(tai1, tai2, &tt1, &tt2);
}

// The bias-precession matrix from the GCRS to the mean equator and equinox of `epoch`.
void MeanFrameOf(double epoch, double rbp[3][3]) {
    double jd1 = 0, jd2 = 0;
    eraEpj2jd(epoch, &jd1, &jd2);
    eraPmat06(jd1, jd2, rbp);
}

RaDec FromVector(double v[3]) {
    double theta = 0, phi = 0;
    eraC2s(v, &theta, &phi);
    return {eraAnp(theta) / HourToRad, phi / DegToRad};
}

}  // namespace

RaDec ApparentFromMean(RaDec mean, double epoch, const OrvDate& date) {
    double rbp[3][3], v[3], icrs[3];
    MeanFrameOf(epoch, rbp);
    eraS2c(mean.ra * HourToRad, mean.dec * DegToRad, v);
    eraTrxp(rbp, v, icrs);   // back to the ICRS directions
    double rc = 0, dc = 0;
    eraC2s(icrs, &rc, &dc);

    double tt1 = 0, tt2 = 0;
    TerrestrialTime(date, tt1, tt2);
    double ri = 0, di = 0, eo = 0;
    eraAtci13(rc, dc, 0, 0, 0, 0, tt1, tt2, &ri, &di, &eo);   // CIRS place; RA from the CIO
    return {eraAnp(ri - eo) / HourToRad, di / DegToRad};    // RA from the true equinox
}

RaDec MeanFromApparent(RaDec apparent, double epoch, const OrvDate& date) {
    double tt1 = 0, tt2 = 0;
    TerrestrialTime(date, tt1, tt2);
    eraASTROM astrom;
    double eo = 0;
    eraApci13(tt1, tt2, &astrom, &eo);
    double rc = 0, dc = 0;
    eraAticq(eraAnp(apparent.ra * HourToRad + eo), apparent.dec * DegToRad, &astrom, &rc, &dc);

    double rbp[3][3], icrs[3], v[3];
    MeanFrameOf(epoch, rbp);
    eraS2c(rc, dc, icrs);
    eraRxp(rbp, icrs, v);
    return FromVector(v);
}

double SeparationArcsec(RaDec a, RaDec b) {
    return eraSeps(a.ra * HourToRad, a.dec * DegToRad, b.ra * HourToRad, b.dec * DegToRad) / ERFA_DAS2R;
}

}  // namespace orv::indi
