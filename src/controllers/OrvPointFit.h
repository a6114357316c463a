#pragma once
// The Point Data window's fit of the pointing model to the points in the list,
// and its application on the operator's word.
//
// Each point is reduced with the date, the equinoxes and the pointing terms it
// was taken under (PointConditions), exactly as orvfit reduces a point file
// given the date and equinoxes. The fit measures the change from the terms in
// force at the points, so points taken under different terms are not fitted
// together. Terms 1 to 4 and 9 are always fitted; the periodic terms 5 to 8 on
// request.
//
// "Apply" writes all nine terms into WinOrv.DAT (the old file kept as
// WinOrv.DAT.bak, both written whole) and then gives the running Orv terms 1 to
// 4 and 9 through code 24, the terms that code carries; terms 5 to 8 take effect
// at the next start. If the file cannot be written nothing is sent, so the
// running terms and the file never disagree.
//
// A fit of 100 points takes about a millisecond: it runs on the user-interface
// thread.

#include <optional>
#include <string>

#include "astro/PointingFit.h"

namespace orv {

class System;
class PointList;

class OrvPointFit {
public:
    explicit OrvPointFit(System& system) : system_(system) {}

    // The terms a fit changes: 1 to 4 and 9, and 5 to 8 when `periodic`.
    static astro::TermSelection Terms(bool periodic);

    // Fits the list's points. The result stays for the report and Apply; a
    // refused fit (too few points, too small a spread, points of different
    // terms) leaves nothing to apply.
    const astro::FitResult& Fit(const PointList& points, bool periodic);
    bool canApply() const { return fit_.ok; }
    const astro::FitResult& result() const { return fit_; }
    // The terms the points were taken under (those the fit started from).
    const astro::PointingTerms& termsBefore() const { return before_; }

    // The result for the operator: each term before and after with its standard
    // error, the zero points, the RMS on the sky before and after and the worst
    // points; or why the points were not fitted.
    std::string ReportText() const;
    // One line above it: the RMS on the sky before and after; empty without a fit.
    std::string SummaryText() const;

    // WinOrv.DAT, then code 24. Returns why nothing was applied, or nullopt.
    std::optional<std::string> Apply();
    // The question before Apply and what to do after it.
    static constexpr const char* ApplyQuestion =
        "Apply the fitted pointing terms?\r\nTerms 1-4 and 9 take effect now, all nine are written to WinOrv.DAT.";
    std::string AppliedText() const;

    // Where the state data file is written.
    std::string dataPath() const;

private:
    System& system_;
    astro::FitResult fit_;
    astro::PointingTerms before_{};
    std::string refusedBecause_;   // a refusal of the window's own (mixed terms, no points)
};

}  // namespace orv
