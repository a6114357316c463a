#pragma once
// The text of a pointing-model fit for the operator: each term before and after
// with its standard error, the zero points, the RMS on the sky before and after,
// the worst points; the new lines of WinOrv.DAT; the remote command that gives a
// running Orv the terms it can take without a restart.

#include <array>
#include <string>
#include <vector>

#include "astro/PointingFit.h"

namespace orv::astro {

// `pointNames[i]` names point i ("run.pat:7"); `worst` points are listed.
std::string FitReportText(const FitResult& fit, const PointingTerms& current,
                          const std::vector<std::string>& pointNames, int worst);

// Lines 4 to 12 of WinOrv.DAT as the fit writes them, each with the term it holds.
std::string StateDataLinesText(const PointingTerms& terms);

// The eight parameters of code 24 for the new terms: terms 1 to 4, the
// refraction scale, term 9 and the two counter scales (arcseconds per count) as
// they are. Code 24 does not carry the periodic terms 5 to 8.
std::array<double, 8> Code24Parameters(const PointingTerms& terms, double refractionScale, double haScaleArcsec,
                                       double decScaleArcsec);

// The TCP/IP packet of code 24 with those parameters.
std::string Code24Packet(const PointingTerms& terms, double refractionScale, double haScaleArcsec,
                         double decScaleArcsec);

}  // namespace orv::astro
