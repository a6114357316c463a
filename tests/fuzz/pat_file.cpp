// Pointing point files (".pat") from Orv, an editor or another program. Findings
// besides the sanitizers': points that Orv's own text of them does not give back.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "config/PatFile.h"

using orv::fuzz::Require;

namespace {

// Orv writes six decimals.
bool SameValue(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return a == b || std::fabs(a - b) <= 5.000001e-7 + 1e-15 * std::fabs(a);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto first = orv::ParsePatFile(std::string(reinterpret_cast<const char*>(data), size));
    const auto again = orv::ParsePatFile(orv::PatFileText(first.points));
    Require(again.error.empty(), "Orv's own point file does not read");
    Require(again.points.size() == first.points.size(), "points lost on writing");
    for (size_t i = 0; i < first.points.size(); ++i) {
        const auto& a = first.points[i];
        const auto& b = again.points[i];
        Require(SameValue(a.nextRA, b.nextRA) && SameValue(a.nextDec, b.nextDec) && SameValue(a.teleRA, b.teleRA) &&
                    SameValue(a.teleDec, b.teleDec) && SameValue(a.teleHA, b.teleHA),
                "a point changed on writing");
    }
    return 0;
}
