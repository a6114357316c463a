#include "astro/PointingFit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "astro/AstroConstants.h"
#include "astro/AstroLib.h"

namespace orv::astro {

namespace {

// A column whose scaled normal-matrix diagonal is explained by the other columns
// to within this fraction cannot be determined: its standard error would be more
// than 30 times that of a column independent of the others.
constexpr double MinTolerance = 1e-3;
// Eigenvalues of the scaled normal matrix below this fraction of the largest are
// taken as zero (an exact degeneracy, up to rounding).
constexpr double ZeroEigen = 1e-13;
// Spreads below these are named as the reason when terms cannot be determined.
constexpr double NarrowHourAngle = 1.0;    // hours
constexpr double NarrowDeclination = 10.0; // degrees

// The unknowns of the fit.
enum class Unknown { P1, P2, P3, P4, P5Cos, P5Sin, P9, P7Cos, P7Sin, ZeroHA, ZeroDec };

// The term an unknown belongs to (5 for the periodic hour-angle pair, 7 for the
// declination pair, 0 for the zero points).
int TermOf(Unknown u) {
    switch (u) {
        case Unknown::P1: return 1;
        case Unknown::P2: return 2;
        case Unknown::P3: return 3;
        case Unknown::P4: return 4;
        case Unknown::P5Cos:
        case Unknown::P5Sin: return 5;
        case Unknown::P9: return 9;
        case Unknown::P7Cos:
        case Unknown::P7Sin: return 7;
        default: return 0;
    }
}

std::string UnknownLabel(Unknown u) {
    switch (u) {
        case Unknown::ZeroHA: return "the hour-angle zero point";
        case Unknown::ZeroDec: return "the declination zero point";
        default: break;
    }
    const int t = TermOf(u);
    if (t == 5) return "5/6";
    if (t == 7) return "7/8";
    return std::to_string(t);
}

double CosDecOnSky(double dec) { return std::cos(std::min(dec, DecClamp) * DegToRad); }

// The two rows of one point for one unknown: the hour-angle error times
// 15 cos Dec and the declination error, arcseconds, per unit of the unknown.
struct Rows {
    double ha;
    double dec;
};

Rows ColumnAt(Unknown u, double ha, double dec, const AstroContext& site) {
    const double cosd = CosDecOnSky(dec);
    if (u == Unknown::ZeroHA) return {DegPerHour * cosd, 0.0};   // one second of time
    if (u == Unknown::ZeroDec) return {0.0, 1.0};                 // one arcsecond
    AstroContext c = site;
    c.RefractionScale = 0;
    c.PointingTerm.fill(0);
    switch (u) {
        case Unknown::P5Cos: c.PointingTerm[5] = 1; break;
        case Unknown::P5Sin: c.PointingTerm[5] = 1; c.PointingTerm[6] = 90; break;
        case Unknown::P7Cos: c.PointingTerm[7] = 1; break;
        case Unknown::P7Sin: c.PointingTerm[7] = 1; c.PointingTerm[8] = 90; break;
        default: c.PointingTerm[static_cast<size_t>(TermOf(u))] = 1; break;
    }
    const Corrections k = PointingCorrections(ha, dec, c);
    return {k.HACorrection * ArcsecPerHour * cosd, k.DecCorrection * ArcsecPerDeg};
}

using Matrix = std::vector<std::vector<double>>;

// Eigen-decomposition of the symmetric matrix `a` by cyclic Jacobi rotations:
// on return `values` holds the eigenvalues and the columns of `vectors` the
// eigenvectors. Accurate to rounding for the small matrices of the fit.
void SymmetricEigen(Matrix a, std::vector<double>& values, Matrix& vectors) {
    const size_t n = a.size();
    vectors.assign(n, std::vector<double>(n, 0.0));
    for (size_t i = 0; i < n; ++i) vectors[i][i] = 1.0;
    for (int sweep = 0; sweep < 100; ++sweep) {
        double off = 0;
        for (size_t p = 0; p < n; ++p)
            for (size_t q = p + 1; q < n; ++q) off += a[p][q] * a[p][q];
        if (off == 0.0) break;
        for (size_t p = 0; p < n; ++p) {
            for (size_t q = p + 1; q < n; ++q) {
                if (a[p][q] == 0.0) continue;
                const double theta = (a[q][q] - a[p][p]) / (2 * a[p][q]);
                const double t = (theta >= 0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
                const double c = 1 / std::sqrt(t * t + 1), s = t * c;
                for (size_t k = 0; k < n; ++k) {
                    const double akp = a[k][p], akq = a[k][q];
                    a[k][p] = c * akp - s * akq;
                    a[k][q] = s * akp + c * akq;
                }
                for (size_t k = 0; k < n; ++k) {
                    const double apk = a[p][k], aqk = a[q][k];
                    a[p][k] = c * apk - s * aqk;
                    a[q][k] = s * apk + c * aqk;
                }
                for (size_t k = 0; k < n; ++k) {
                    const double vkp = vectors[k][p], vkq = vectors[k][q];
                    vectors[k][p] = c * vkp - s * vkq;
                    vectors[k][q] = s * vkp + c * vkq;
                }
            }
        }
    }
    values.resize(n);
    for (size_t i = 0; i < n; ++i) values[i] = a[i][i];
}

// "1, 3 and 7/8"
std::string JoinLabels(const std::vector<std::string>& labels) {
    std::string out;
    for (size_t i = 0; i < labels.size(); ++i) {
        if (i > 0) out += i + 1 == labels.size() ? " and " : ", ";
        out += labels[i];
    }
    return out;
}

std::string FixedText(double v, int decimals) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

// The sentence naming undeterminable unknowns and, where the points' spread
// explains it, why.
std::string Undeterminable(const std::vector<Unknown>& flagged, double haSpan, double decSpan) {
    std::vector<std::string> terms;
    std::vector<std::string> zeroPoints;
    for (Unknown u : flagged) {
        std::string label = UnknownLabel(u);
        auto& list = TermOf(u) == 0 ? zeroPoints : terms;
        if (std::find(list.begin(), list.end(), label) == list.end()) list.push_back(label);
    }
    std::string what;
    if (!terms.empty()) what = (terms.size() == 1 ? "term " : "terms ") + JoinLabels(terms);
    if (!zeroPoints.empty()) what += (what.empty() ? "" : " and ") + JoinLabels(zeroPoints);

    std::vector<std::string> why;
    if (decSpan < NarrowDeclination)
        why.push_back("the declinations span only " + FixedText(decSpan, 1) + " degrees");
    if (haSpan < NarrowHourAngle)
        why.push_back("the hour angles span only " + FixedText(haSpan, 2) + " hours");
    if (why.empty())
        return "the points cannot tell " + what + " apart from the other terms: spread them over more of the sky";
    return "cannot determine " + what + ": " + JoinLabels(why);
}

}  // namespace

TermSelection AllTerms() {
    TermSelection all{};
    all.fill(true);
    all[0] = false;
    return all;
}

FitResult FitPointingModel(const FitRequest& request) {
    FitResult r;
    r.terms = request.current;
    const auto& pts = request.points;

    // The unknowns asked for; 5 or 6 selects the hour-angle periodic pair, 7 or 8
    // the declination pair.
    const auto& sel = request.fit;
    std::vector<Unknown> unknowns;
    auto add = [&](bool on, std::initializer_list<Unknown> us) {
        if (on) unknowns.insert(unknowns.end(), us);
    };
    add(sel[1], {Unknown::P1});
    add(sel[2], {Unknown::P2});
    add(sel[3], {Unknown::P3});
    add(sel[4], {Unknown::P4});
    add(sel[5] || sel[6], {Unknown::P5Cos, Unknown::P5Sin});
    add(sel[9], {Unknown::P9});
    add(sel[7] || sel[8], {Unknown::P7Cos, Unknown::P7Sin});
    add(true, {Unknown::ZeroHA, Unknown::ZeroDec});
    const size_t p = unknowns.size();
    r.unknowns = static_cast<int>(p);
    r.equations = static_cast<int>(2 * pts.size());

    // The measured errors on the sky, and the spread of the points.
    double sumBefore = 0;
    double haMin = 0, haMax = 0, decMin = 0, decMax = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
        const auto& o = pts[i];
        const SkyError e{-o.dHA * ArcsecPerHour * CosDecOnSky(o.dec), o.dDec * ArcsecPerDeg};
        r.residuals.push_back({o.ha, o.dec, e, e});
        sumBefore += e.raCosDec * e.raCosDec + e.dec * e.dec;
        haMin = i == 0 ? o.ha : std::min(haMin, o.ha);
        haMax = i == 0 ? o.ha : std::max(haMax, o.ha);
        decMin = i == 0 ? o.dec : std::min(decMin, o.dec);
        decMax = i == 0 ? o.dec : std::max(decMax, o.dec);
    }
    r.haSpan = haMax - haMin;
    r.decSpan = decMax - decMin;
    if (!pts.empty()) r.rmsBefore = std::sqrt(sumBefore / static_cast<double>(pts.size()));

    // At least as many points as unknowns: as many equations to spare as to solve.
    const size_t fittedTerms = static_cast<size_t>(std::count_if(sel.begin() + 1, sel.end(), [](bool b) { return b; }));
    if (pts.size() < p) {
        r.refusals.push_back("too few points: " + std::to_string(pts.size()) + " points for " + std::to_string(p) +
                             " unknowns (" + std::to_string(fittedTerms) +
                             " terms asked for and the two zero points); at least " + std::to_string(p) +
                             " points are needed");
        return r;
    }

    // Design matrix A (2 rows per point) and the measured hour-angle and
    // declination errors y, arcseconds on the sky.
    AstroContext site;
    site.Latitude = request.latitude;
    site.SinLatitude = std::sin(request.latitude * DegToRad);
    site.CosLatitude = std::cos(request.latitude * DegToRad);
    const size_t m = 2 * pts.size();
    Matrix A(m, std::vector<double>(p));
    std::vector<double> y(m);
    for (size_t i = 0; i < pts.size(); ++i) {
        for (size_t j = 0; j < p; ++j) {
            const Rows c = ColumnAt(unknowns[j], pts[i].ha, pts[i].dec, site);
            A[2 * i][j] = c.ha;
            A[2 * i + 1][j] = c.dec;
        }
        y[2 * i] = -r.residuals[i].before.raCosDec;
        y[2 * i + 1] = r.residuals[i].before.dec;
    }

    // Columns scaled to unit length, so the normal matrix compares like with like.
    std::vector<double> scale(p, 0.0);
    for (size_t j = 0; j < p; ++j) {
        double s = 0;
        for (size_t k = 0; k < m; ++k) s += A[k][j] * A[k][j];
        scale[j] = s > 0 ? 1.0 / std::sqrt(s) : 0.0;
    }
    Matrix N(p, std::vector<double>(p, 0.0));
    std::vector<double> b(p, 0.0);
    for (size_t j = 0; j < p; ++j) {
        for (size_t l = 0; l < p; ++l) {
            double s = 0;
            for (size_t k = 0; k < m; ++k) s += A[k][j] * A[k][l];
            N[j][l] = s * scale[j] * scale[l];
        }
        double s = 0;
        for (size_t k = 0; k < m; ++k) s += A[k][j] * y[k];
        b[j] = s * scale[j];
    }

    // Inverse through the eigen-decomposition; a column with no length or an
    // (almost) null direction makes its diagonal of the inverse huge.
    std::vector<double> lambda;
    Matrix V;
    SymmetricEigen(N, lambda, V);
    const double lambdaMax = *std::max_element(lambda.begin(), lambda.end());
    Matrix Ninv(p, std::vector<double>(p, 0.0));
    for (size_t k = 0; k < p; ++k) {
        const double inv = lambda[k] > ZeroEigen * lambdaMax ? 1.0 / lambda[k] : 1e30;
        for (size_t j = 0; j < p; ++j)
            for (size_t l = 0; l < p; ++l) Ninv[j][l] += V[j][k] * V[l][k] * inv;
    }
    std::vector<Unknown> flagged;
    for (size_t j = 0; j < p; ++j)
        if (scale[j] == 0.0 || Ninv[j][j] * MinTolerance > 1.0) flagged.push_back(unknowns[j]);
    if (!flagged.empty()) {
        r.refusals.push_back(Undeterminable(flagged, r.haSpan, r.decSpan));
        return r;
    }

    // Solution, residuals, scatter and covariance (unscaled).
    std::vector<double> x(p, 0.0);
    for (size_t j = 0; j < p; ++j) {
        double s = 0;
        for (size_t l = 0; l < p; ++l) s += Ninv[j][l] * b[l];
        x[j] = s * scale[j];
    }
    double rss = 0, sumAfter = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
        double fitHA = 0, fitDec = 0;
        for (size_t j = 0; j < p; ++j) {
            fitHA += A[2 * i][j] * x[j];
            fitDec += A[2 * i + 1][j] * x[j];
        }
        auto& res = r.residuals[i];
        res.after = {-(y[2 * i] - fitHA), y[2 * i + 1] - fitDec};
        const double e2 = res.after.raCosDec * res.after.raCosDec + res.after.dec * res.after.dec;
        rss += e2;
        sumAfter += e2;
    }
    r.rmsAfter = std::sqrt(sumAfter / static_cast<double>(pts.size()));
    const size_t dof = m - p;
    r.sigma = dof > 0 ? std::sqrt(rss / static_cast<double>(dof)) : 0.0;
    auto cov = [&](size_t j, size_t l) { return r.sigma * r.sigma * Ninv[j][l] * scale[j] * scale[l]; };

    // Back to terms: linear terms add to the current ones; the periodic pairs add
    // as cosine and sine components and become amplitude and phase again.
    auto indexOf = [&](Unknown u) {
        return static_cast<size_t>(std::find(unknowns.begin(), unknowns.end(), u) - unknowns.begin());
    };
    for (Unknown u : {Unknown::P1, Unknown::P2, Unknown::P3, Unknown::P4, Unknown::P9}) {
        const size_t j = indexOf(u);
        if (j == p) continue;
        const auto t = static_cast<size_t>(TermOf(u));
        r.terms[t] = request.current[t] + x[j];
        r.stdError[t] = std::sqrt(cov(j, j));
        r.fitted[t] = true;
    }
    auto periodic = [&](Unknown cu, Unknown su, size_t ampTerm) {
        const size_t jc = indexOf(cu), js = indexOf(su);
        if (jc == p) return;
        const double phase0 = request.current[ampTerm + 1] * DegToRad;
        const double c = request.current[ampTerm] * std::cos(phase0) + x[jc];
        const double s = request.current[ampTerm] * std::sin(phase0) + x[js];
        const double amp = std::hypot(c, s);
        r.terms[ampTerm] = amp;
        r.terms[ampTerm + 1] = amp > 0 ? std::atan2(s, c) * RadToDeg : 0.0;
        const double vcc = cov(jc, jc), vss = cov(js, js), vcs = cov(jc, js);
        if (amp > 0) {
            r.stdError[ampTerm] = std::sqrt(std::max(0.0, (c * c * vcc + s * s * vss + 2 * c * s * vcs) / (amp * amp)));
            r.stdError[ampTerm + 1] =
                std::sqrt(std::max(0.0, s * s * vcc + c * c * vss - 2 * c * s * vcs)) / (amp * amp) * RadToDeg;
        } else {
            r.stdError[ampTerm] = std::sqrt(0.5 * (vcc + vss));
            r.stdError[ampTerm + 1] = std::numeric_limits<double>::infinity();
        }
        r.fitted[ampTerm] = r.fitted[ampTerm + 1] = true;
    };
    periodic(Unknown::P5Cos, Unknown::P5Sin, 5);
    periodic(Unknown::P7Cos, Unknown::P7Sin, 7);
    const size_t jh = indexOf(Unknown::ZeroHA), jd = indexOf(Unknown::ZeroDec);
    r.zeroPointHA = x[jh];
    r.zeroPointHAError = std::sqrt(cov(jh, jh));
    r.zeroPointDec = x[jd];
    r.zeroPointDecError = std::sqrt(cov(jd, jd));
    r.ok = true;
    return r;
}

const char* TermName(int term) {
    switch (term) {
        case 1: return "polar axis elevation";
        case 2: return "polar axis azimuth";
        case 3: return "collimation";
        case 4: return "axis non-perpendicularity";
        case 5: return "hour-angle periodic, amplitude";
        case 6: return "hour-angle periodic, phase";
        case 7: return "declination periodic, amplitude";
        case 8: return "declination periodic, phase";
        case 9: return "tube flexure";
        default: return "";
    }
}

const char* TermUnit(int term) {
    switch (term) {
        case 3:
        case 4:
        case 5: return "s of time";
        case 6:
        case 8: return "deg";
        default: return "arcsec";
    }
}

}  // namespace orv::astro
