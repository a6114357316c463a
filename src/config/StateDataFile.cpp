#include "astro/AstroConstants.h"
#include "config/StateDataFile.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace orv {
namespace {


// Stores one file value into its parameter, converted to the held unit.
void StoreLine(Parameters& p, int line, double v) {
    switch (line) {
        case 1: p.Latitude = v; break;
        case 2: p.Longitude = v / 15.0; break;
        case 3: p.RefractionScale = v; break;
        case 4: p.PointingTerm1 = v; break;
        case 5: p.PointingTerm2 = v; break;
        case 6: p.PointingTerm3 = v; break;
        case 7: p.PointingTerm4 = v; break;
        case 8: p.PointingTerm5 = v; break;
        case 9: p.PointingTerm6 = v; break;
        case 10: p.PointingTerm9 = v; break;  // the file gives the ninth term before the seventh
        case 11: p.PointingTerm7 = v; break;
        case 12: p.PointingTerm8 = v; break;
        case 13: p.DomeHomeAzimuth = v * astro::kDegToRad; break;
        case 14: p.ZenithLimit = v; break;
        case 15: p.RAStepSize = v; break;
        case 16: p.DecStepSize = v; break;
        case 17: p.DomeCountScale = v; break;
        case 18: p.HAScale = v / 15.0 / 3600.0; break;
        case 19: p.DecScale = v / 3600.0; break;
        case 20: p.UTTicksPerHour = v * 2.0; break;
        case 21: p.DomeSlitHalfWidth = v; break;
        case 22: p.DomeRadius = v; break;
        case 23: p.DomeStartThreshold = v * astro::kDegToRad; break;
        case 24: p.DomeStopThreshold = v * astro::kDegToRad; break;
        case 25: p.FocusCountScale = v; break;
        case 26: p.Reserved26 = v; break;
        case 27: p.Reserved27 = v; break;
        case 28: p.Reserved28 = v; break;
        case 29: p.Reserved29 = v; break;
        default: break;
    }
}

bool IsSeparator(char c) { return c == ' ' || static_cast<unsigned char>(c) < 0x20; }

}  // namespace

// The UT clock default of 360000 (held 720000 ticks per hour) is exact for the
// 5 ms software clock on a host whose timer keeps time, as Linux's monotonic clock
// does; a file may still give another value to calibrate a host that drifts.
void SetStateDefaults(Parameters& p) {
    const double defaults[29] = {40.0, 105.0, 0.9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 270.0, 74.9,
                                 0.10756564, 0.10756564, 0.00000342, 1.062566, 1.0125,
                                 360000.0, 12.0, 96.0, 2.5, 1.0, 1.0, 0, 0, 2129.0, 2350.0};
    for (int line = 1; line <= 29; ++line) StoreLine(p, line, defaults[line - 1]);
}

void DeriveStateValues(Parameters& p) {
    p.SinLatitude = std::sin(p.Latitude * astro::kDegToRad);
    p.CosLatitude = std::cos(p.Latitude * astro::kDegToRad);
    p.SidTicksPerHour = p.UTTicksPerHour / 1.00273790935;
}

std::optional<std::string> LoadStateData(const std::string& path, const std::string& displayName,
                                         Parameters& params, std::string& failedFileList) {
    struct stat st {};
    std::ifstream in;
    if (::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) in.open(path, std::ios::binary);
    if (!in.is_open()) {
        failedFileList += displayName + "\r\n";
        return std::nullopt;
    }
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();

    size_t pos = 0;
    int fileLine = 1;  // line number in the file, for the error text
    for (int line = 1; line <= 29; ++line) {
        // Skip blanks, tabs and line breaks before the number.
        while (pos < text.size() && IsSeparator(text[pos])) {
            if (text[pos] == '\n') ++fileLine;
            ++pos;
        }
        if (pos >= text.size()) {
            StoreLine(params, line, 0.0);  // reading past the end gives 0
            continue;
        }
        size_t start = pos;
        while (pos < text.size() && !IsSeparator(text[pos]) && pos - start < 64) ++pos;
        std::string word = text.substr(start, pos - start);
        // The number must be the whole word, in C-locale notation whatever the user's locale.
        std::istringstream wordStream(word);
        wordStream.imbue(std::locale::classic());
        double value = 0;
        wordStream >> value;
        if (wordStream.fail() || !wordStream.eof() || !std::isfinite(value)) {
            return "Invalid numeric input in " + displayName + " line " + std::to_string(fileLine) +
                   ": \"" + word + "\"";
        }
        StoreLine(params, line, value);
        // Discard the rest of this number's line.
        while (pos < text.size() && text[pos] != '\n') ++pos;
        if (pos < text.size()) {
            ++pos;
            ++fileLine;
        }
    }
    return std::nullopt;
}

}  // namespace orv
