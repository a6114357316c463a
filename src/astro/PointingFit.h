#pragma once
// The least-squares fit of the nine-term pointing model to measured pointing
// errors.
//
// The model is linear in its terms once each periodic term P5 cos(H - P6),
// P7 cos(d - P8) is written as a cosine and a sine component (P5 cos P6, P5 sin P6
// and P7 cos P8, P7 sin P8). The fit solves for the change of the terms from those
// in force when the points were taken, plus two zero points (a constant error in
// hour angle and in declination), which the model has no terms for: setting the
// telescope position on one star absorbs them, and does so again after the new
// terms are applied.
//
// Each point gives two equations, both in arcseconds on the sky: the hour-angle
// error times 15 cos Dec, and the declination error. The columns are the model
// itself (PointingCorrections with one unit term and no refraction), so the fit
// and the corrections Orv applies can never disagree.
//
// Units: hour angle hours (positive west), Dec degrees, terms in the model's
// units (arcseconds, seconds of time, degrees), residuals and RMS in arcseconds.

#include <array>
#include <string>
#include <vector>

namespace orv::astro {

// PointingTerm[1..9] in the model's units; index 0 unused.
using PointingTerms = std::array<double, 10>;

// One measured point, in the observed frame. `ha`, `dec`: where the star really
// is (apparent place, the place the model is evaluated at). `dHA`, `dDec`: where
// the telescope believed it pointed minus where the star is (hours, degrees).
struct PointingObservation {
    double ha;
    double dec;
    double dHA;
    double dDec;
};

// The terms the fit may change. Terms 5 and 6 are one periodic term and are fitted
// together, as are 7 and 8.
using TermSelection = std::array<bool, 10>;
TermSelection AllTerms();

struct FitRequest {
    std::vector<PointingObservation> points;
    PointingTerms current{};    // the model in force when the points were taken
    double latitude = 40.0;     // degrees
    TermSelection fit = AllTerms();
};

// A point's error on the sky, arcseconds: RA times cos Dec (telescope minus
// star; east positive, the opposite sign of the hour-angle error) and Dec.
struct SkyError {
    double raCosDec;
    double dec;
};

struct PointResidual {
    double ha, dec;     // the star's place, hours and degrees
    SkyError before;    // as measured
    SkyError after;     // less the fitted change of the model and the zero points
};

struct FitResult {
    bool ok = false;
    // Why the fit was refused, one sentence per reason, each naming the terms.
    std::vector<std::string> refusals;

    PointingTerms terms{};        // the new model (unfitted terms as they were)
    PointingTerms stdError{};     // standard errors, 0 for terms not fitted
    TermSelection fitted{};
    double zeroPointHA = 0, zeroPointHAError = 0;     // seconds of time
    double zeroPointDec = 0, zeroPointDecError = 0;   // arcseconds
    double rmsBefore = 0, rmsAfter = 0;               // arcseconds on the sky, per point
    double sigma = 0;              // arcseconds, scatter of one equation after the fit
    int equations = 0, unknowns = 0;
    double haSpan = 0, decSpan = 0;                   // hours, degrees
    std::vector<PointResidual> residuals;             // in the order of the points
};

// Fits the selected terms. Refuses (ok false, reasons given) when there are fewer
// points than unknowns or when the points cannot tell a term from the others.
FitResult FitPointingModel(const FitRequest& request);

// The name of a term 1..9 ("polar axis elevation", ...) and its unit ("arcsec",
// "s of time", "deg").
const char* TermName(int term);
const char* TermUnit(int term);

}  // namespace orv::astro
