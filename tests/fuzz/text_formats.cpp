// The number and angle texts that operators type and files carry. Findings
// besides the sanitizers': a real that does not come back from its own text
// (15 significant digits, or its fixed-point decimals).

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "astro/TextFormats.h"
#include "controllers/MarkGrid.h"

using orv::fuzz::Require;

namespace {

void CheckRoundTrips(double x, int decimals) {
    if (!std::isfinite(x)) return;
    double back = 0;
    Require(orv::ParseReal(orv::FormatGeneral(x), back), "a general real text does not parse");
    Require(std::fabs(back - x) <= 1e-14 * std::fabs(x), "a general real text is not the value");
    if (std::fabs(x) < 1e15) {
        Require(orv::ParseReal(orv::FormatFixed(x, decimals), back), "a fixed real text does not parse");
        Require(std::fabs(back - x) <= 0.5000001 * std::pow(10.0, -decimals) + 1e-15 * std::fabs(x),
                "a fixed real text is not the value");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const int knob = data[0];
    const std::string s(reinterpret_cast<const char*>(data) + 1, size - 1);
    const char separator = knob & 1 ? ',' : '.';

    orv::ScanNumber(s, separator);
    orv::ContainsNumber(s, separator);
    int pos = 1;
    double v = 0;
    for (int n = 0; n < 64 && pos <= int(s.size()); ++n) {
        const int before = pos;
        orv::ExtractNumber(s, pos, v, separator);
        CheckRoundTrips(v, knob % 19);
        if (pos <= before) ++pos;   // ExtractNumber stands after what it used
    }
    if (orv::ParseReal(s, v, separator)) {
        CheckRoundTrips(v, knob % 19);
        orv::FormatFloatField(v, knob % 40 - 8, knob % 21, separator);
        orv::FormatSexagesimal(knob & 2, v);
        orv::SplitSexagesimal(v);
        orv::SignedPower(v, knob - 128);
        orv::SignedPower(knob % 7 - 3, v);
    }
    const double cell = orv::ParseSexagesimalCell(s);
    orv::FormatSexagesimal(true, cell);
    orv::TMarkEntry entry;
    for (int column = 0; column < orv::MarkGridColumns; ++column) entry = orv::ApplyMarkCellEdit(entry, column, s);
    orv::FormatEpochCell(entry.Epoch);

    const std::string head = s.substr(0, s.size() / 2), tail = s.substr(s.size() / 2);
    orv::PosIgnoreCase(head, tail);
    orv::PosWildcard(head, tail, '?');
    orv::PadLeft(head, knob % 80 - 8, '0');
    orv::PadRight(tail, knob % 80 - 8, ' ');
    orv::IntToStrZeroPad(long(knob) - 128, knob % 24 - 4);
    return 0;
}
