#include "astro/PointingFitReport.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "astro/TextFormats.h"

namespace orv::astro {

namespace {

// Decimals shown: seconds of time to 0.001 (0.015 arcsec), arcseconds to 0.01,
// degrees to 0.1.
int DecimalsOf(int term) {
    const std::string unit = TermUnit(term);
    return unit == "s of time" ? 3 : unit == "deg" ? 1 : 2;
}

std::string Field(double v, int decimals, int width) {
    return PadLeft(std::isfinite(v) ? FormatFixed(v, decimals) : "-", width, ' ');
}

// The file's order of the terms: 1 to 6, 9, 7, 8.
constexpr int FileOrder[9] = {1, 2, 3, 4, 5, 6, 9, 7, 8};

}  // namespace

std::string FitReportText(const FitResult& fit, const PointingTerms& current,
                          const std::vector<std::string>& pointNames, int worst) {
    std::string out;
    out += "term                                     was         now     std.err  unit\n";
    for (int t = 1; t <= 9; ++t) {
        const auto i = static_cast<size_t>(t);
        const int d = DecimalsOf(t);
        out += " " + std::to_string(t) + "  " + PadRight(TermName(t), 32, ' ') + Field(current[i], d, 10) +
               Field(fit.terms[i], d, 12);
        out += fit.fitted[i] ? Field(fit.stdError[i], d, 12) : PadLeft("(kept)", 12, ' ');
        out += "  " + std::string(TermUnit(t)) + "\n";
    }
    out += "    " + PadRight("hour-angle zero point", 42, ' ') + Field(fit.zeroPointHA, 3, 12) +
           Field(fit.zeroPointHAError, 3, 12) + "  s of time\n";
    out += "    " + PadRight("declination zero point", 42, ' ') + Field(fit.zeroPointDec, 2, 12) +
           Field(fit.zeroPointDecError, 2, 12) + "  arcsec\n";
    out += "    (the zero points are not terms: setting the position on a star takes them up)\n\n";

    out += "RMS on the sky: before " + FormatFixed(fit.rmsBefore, 2) + " arcsec, after " +
           FormatFixed(fit.rmsAfter, 2) + " arcsec (" + std::to_string(fit.residuals.size()) + " points, " +
           std::to_string(fit.equations) + " equations, " + std::to_string(fit.unknowns) + " unknowns, " +
           FormatFixed(fit.sigma, 2) + " arcsec per equation)\n";

    // The worst points after the fit, largest error first.
    std::vector<size_t> order(fit.residuals.size());
    std::iota(order.begin(), order.end(), size_t{0});
    auto size = [&](const SkyError& e) { return std::hypot(e.raCosDec, e.dec); };
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return size(fit.residuals[a].after) > size(fit.residuals[b].after); });
    const size_t shown = std::min(order.size(), static_cast<size_t>(std::max(worst, 0)));
    if (shown > 0) {
        out += "Worst points after the fit (arcsec on the sky):\n";
        out += "  " + PadRight("point", 24, ' ') + "     HA h    Dec deg    before   after RA*cosDec    Dec\n";
        for (size_t k = 0; k < shown; ++k) {
            const size_t i = order[k];
            const auto& r = fit.residuals[i];
            const std::string name = i < pointNames.size() ? pointNames[i] : std::to_string(i + 1);
            out += "  " + PadRight(name, 24, ' ') + Field(r.ha, 2, 9) + Field(r.dec, 1, 11) +
                   Field(size(r.before), 1, 10) + Field(size(r.after), 2, 8) + Field(r.after.raCosDec, 2, 12) +
                   Field(r.after.dec, 2, 7) + "\n";
        }
    }
    return out;
}

std::string StateDataLinesText(const PointingTerms& terms) {
    std::string out;
    for (int k = 0; k < 9; ++k) {
        const int t = FileOrder[k];
        out += PadRight(FormatFixed(terms[static_cast<size_t>(t)], 4), 14, ' ') + "line " + std::to_string(k + 4) +
               ": PointingTerm" + std::to_string(t) + ", " + TermName(t) + " (" + TermUnit(t) + ")\n";
    }
    return out;
}

std::array<double, 8> Code24Parameters(const PointingTerms& terms, double refractionScale, double haScaleArcsec,
                                       double decScaleArcsec) {
    return {terms[1], terms[2], terms[3], terms[4], refractionScale, terms[9], haScaleArcsec, decScaleArcsec};
}

std::string Code24Packet(const PointingTerms& terms, double refractionScale, double haScaleArcsec,
                         double decScaleArcsec) {
    const std::array<double, 8> v = Code24Parameters(terms, refractionScale, haScaleArcsec, decScaleArcsec);
    std::string out = "#24";
    for (size_t i = 0; i < v.size(); ++i) {
        // The terms to 0.0001 of their units; the scales as exactly as they are.
        const bool scale = i == 4 || i >= 6;
        out += "," + (scale ? FormatGeneral(v[i]) : FormatFixed(v[i], 4));
    }
    return out + ";";
}

}  // namespace orv::astro
