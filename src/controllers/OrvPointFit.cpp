#include "controllers/OrvPointFit.h"

#include <filesystem>
#include <mutex>

#include "astro/PointReduction.h"
#include "astro/PointingFitReport.h"
#include "astro/TextFormats.h"
#include "config/PointList.h"
#include "config/StateDataFile.h"
#include "config/StateDataWriter.h"
#include "control/System.h"

namespace orv {

namespace {

constexpr int WorstShown = 5;
constexpr int SetMountParametersCode = 24;

bool Fitted(const astro::FitResult& fit, int term) { return fit.fitted[static_cast<size_t>(term)]; }

}  // namespace

astro::TermSelection OrvPointFit::Terms(bool periodic) {
    astro::TermSelection t{};
    for (int term : {1, 2, 3, 4, 9}) t[static_cast<size_t>(term)] = true;
    for (int term = 5; term <= 8; ++term) t[static_cast<size_t>(term)] = periodic;
    return t;
}

std::string OrvPointFit::dataPath() const {
    return (std::filesystem::path(system_.options.dataDir) / StateDataFileName).string();
}

const astro::FitResult& OrvPointFit::Fit(const PointList& points, bool periodic) {
    fit_ = {};
    refusedBecause_.clear();
    astro::FitRequest request;
    request.latitude = system_.params.Latitude;
    request.fit = Terms(periodic);
    {
        std::lock_guard lock(system_.locks.ParameterLock);
        const auto& p = system_.params;
        before_ = {0,
                   p.PointingTerm1, p.PointingTerm2, p.PointingTerm3, p.PointingTerm4, p.PointingTerm5,
                   p.PointingTerm6, p.PointingTerm7, p.PointingTerm8, p.PointingTerm9};
    }
    for (int i = 0; i < points.count(); ++i) {
        // A point without its conditions counts as taken under the terms in
        // force, its places as apparent places of the display equinox.
        const std::optional<PointConditions>& k = points.conditions(i);
        const astro::PointingTerms terms = k ? k->terms : before_;
        if (i == 0) {
            before_ = terms;
        } else if (terms != before_) {
            refusedBecause_ = "point " + std::to_string(i + 1) +
                              " was taken under other pointing terms than point 1: fit the points of one set of "
                              "terms (delete the others)";
            return fit_;
        }
        request.points.push_back(astro::ReducePoint(points.point(i), k ? k->frame : astro::PointFrame{}));
    }
    request.current = before_;
    fit_ = astro::FitPointingModel(request);
    return fit_;
}

std::string OrvPointFit::ReportText() const {
    if (!refusedBecause_.empty()) return "Not fitted: " + refusedBecause_ + ".\n";
    if (!fit_.ok) {
        std::string out;
        for (const std::string& why : fit_.refusals) out += "Not fitted: " + why + "\n";
        if (out.empty()) out = "Not fitted: no points.\n";
        return out + "Take points over more of the sky, or fit without the periodic terms.\n";
    }
    std::vector<std::string> names;
    for (size_t i = 0; i < fit_.residuals.size(); ++i) names.push_back("point " + std::to_string(i + 1));
    return astro::FitReportText(fit_, before_, names, WorstShown);
}

std::string OrvPointFit::SummaryText() const {
    if (!fit_.ok) return "";
    return "RMS on the sky: " + FormatFixed(fit_.rmsBefore, 1) + " arcsec before the fit, " +
           FormatFixed(fit_.rmsAfter, 2) + " arcsec after (" + std::to_string(fit_.residuals.size()) + " points)";
}

std::optional<std::string> OrvPointFit::Apply() {
    if (!fit_.ok) return std::string("There is no fit to apply.");
    if (auto failure = WritePointingTerms(dataPath(), fit_.terms)) return failure;
    std::array<double, 8> values;
    {
        // The refraction and counter scales go along as they are.
        std::lock_guard lock(system_.locks.ParameterLock);
        const auto& p = system_.params;
        values = astro::Code24Parameters(fit_.terms, p.RefractionScale, p.HAScale * 15 * 3600, p.DecScale * 3600);
    }
    system_.commander.issue(SetMountParametersCode, Commander::Params(values.begin(), values.end()));
    return std::nullopt;
}

std::string OrvPointFit::AppliedText() const {
    std::string out = "Terms 1-4 and 9 sent to Orv (command 24); " + dataPath() +
                      " written, the old file kept as WinOrv.DAT.bak.\n";
    if (Fitted(fit_, 5) || Fitted(fit_, 7)) out += "Terms 5-8 take effect at Orv's next start.\n";
    return out + "Set the telescope position on a star (Initialization, Telescope Position) to take up the zero points.";
}

}  // namespace orv
