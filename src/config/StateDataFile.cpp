#include "astro/AstroConstants.h"
#include "config/StateDataFile.h"

#include <cmath>
#include <locale>
#include <sstream>

#include "config/RegularFile.h"

namespace orv {
namespace {


// The built-in values, in the file's units, by file line - 1.
constexpr double Defaults[29] = {40.0, 105.0, 0.9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 270.0, 74.9,
                                 0.10756564, 0.10756564, 0.00000342, 1.062566, 1.0125,
                                 360000.0, 12.0, 96.0, 2.5, 1.0, 1.0, 0, 0, 2129.0, 2350.0};

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
        case 13: p.DomeHomeAzimuth = v * astro::DegToRad; break;
        case 14: p.ZenithLimit = v; break;
        case 15: p.RAStepSize = v; break;
        case 16: p.DecStepSize = v; break;
        case 17: p.DomeCountScale = v; break;
        case 18: p.HAScale = v / 15.0 / 3600.0; break;
        case 19: p.DecScale = v / 3600.0; break;
        case 20: p.UTTicksPerHour = v * 2.0; break;
        case 21: p.DomeSlitHalfWidth = v; break;
        case 22: p.DomeRadius = v; break;
        case 23: p.DomeStartThreshold = v * astro::DegToRad; break;
        case 24: p.DomeStopThreshold = v * astro::DegToRad; break;
        case 25: p.FocusCountScale = v; break;
        case 26: p.Reserved26 = v; break;
        case 27: p.Reserved27 = v; break;
        case 28: p.Reserved28 = v; break;
        case 29: p.Reserved29 = v; break;
        default: break;
    }
}

bool IsSeparator(char c) { return c == ' ' || static_cast<unsigned char>(c) < 0x20; }

// What a value may be, in the file's own unit. Bounds are inclusive unless
// `aboveMin` is set; they are wide physical limits, not tolerances: a value
// outside them is a typing error or a file that is not what it claims to be.
struct ValueRange {
    const char* what;
    double min, max;
    bool aboveMin;   // the value must exceed min (scales, sizes, rates)
    const char* unit;
};

// Index: file line - 1.
constexpr ValueRange Ranges[29] = {
    {"latitude", -90, 90, false, "degrees"},
    {"longitude", -360, 360, false, "degrees"},
    {"refraction scale", 0, 10, false, ""},
    {"pointing term 1", -36000, 36000, false, "arcseconds"},
    {"pointing term 2", -36000, 36000, false, "arcseconds"},
    {"pointing term 3", -2400, 2400, false, "seconds of time"},
    {"pointing term 4", -2400, 2400, false, "seconds of time"},
    {"pointing term 5", -2400, 2400, false, "seconds of time"},
    {"pointing term 6", -360, 360, false, "degrees"},
    {"pointing term 9", -36000, 36000, false, "arcseconds"},
    {"pointing term 7", -36000, 36000, false, "arcseconds"},
    {"pointing term 8", -360, 360, false, "degrees"},
    {"dome home azimuth", -360, 360, false, "degrees"},
    {"zenith limit", 0, 180, false, "degrees"},
    {"RA step size", 0, 3600, true, "arcseconds per step"},
    {"Dec step size", 0, 3600, true, "arcseconds per step"},
    {"dome count scale", 0, 1, true, "radians per count"},
    {"HA scale", 0, 3600, true, "arcseconds per count"},
    {"Dec scale", 0, 3600, true, "arcseconds per count"},
    // Half the ticks of the 5 ms clock per hour: 360000 nominal, calibrations a
    // hair either side; a tenth or ten times that is no clock at all.
    {"UT clock rate", 36000, 3600000, false, "half ticks per hour"},
    {"dome slit half-width", 0, 1e6, false, ""},
    {"dome radius", 0, 1e6, true, ""},
    {"dome start threshold", 0, 180, false, "degrees"},
    {"dome stop threshold", 0, 180, false, "degrees"},
    {"focus count scale", 0, 1e6, true, "units per count"},
    {"reserved value", -1e300, 1e300, false, ""},
    {"reserved value", -1e300, 1e300, false, ""},
    {"reserved value", -1e300, 1e300, false, ""},
    {"reserved value", -1e300, 1e300, false, ""},
};

bool InRange(const ValueRange& r, double v) { return (r.aboveMin ? v > r.min : v >= r.min) && v <= r.max; }

std::string Number(double v) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << v;
    return out.str();
}

std::string RangeText(const ValueRange& r) {
    std::string text = r.what;
    text += r.aboveMin ? ": above " : ": ";
    text += Number(r.min) + " to " + Number(r.max);
    if (*r.unit) text += std::string(" ") + r.unit;
    return text;
}

// Text that is not plain text reads as nonsense numbers (UTF-16 gives one
// digit per line): say what it is instead. Empty when the text is plain.
std::string NotPlainText(const std::string& text) {
    if (text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') || (text[0] == '\xFE' && text[1] == '\xFF')))
        return "it is UTF-16 text (it begins with a UTF-16 byte-order mark)";
    if (text.find('\0') != std::string::npos) return "it holds NUL bytes";
    return "";
}

void AppendLine(std::string& message, const std::string& line) {
    if (!message.empty()) message += "\r\n";
    message += line;
}

}  // namespace

// The UT clock default of 360000 (held 720000 ticks per hour) is exact for the
// 5 ms software clock on a host whose timer keeps time, as Linux's monotonic clock
// does; a file may still give another value to calibrate a host that drifts.
void SetStateDefaults(Parameters& p) {
    for (int line = 1; line <= 29; ++line) StoreLine(p, line, Defaults[line - 1]);
}

void DeriveStateValues(Parameters& p) {
    p.SinLatitude = std::sin(p.Latitude * astro::DegToRad);
    p.CosLatitude = std::cos(p.Latitude * astro::DegToRad);
    p.SidTicksPerHour = p.UTTicksPerHour / 1.00273790935;
}

StateDataSource ReadStateDataFile(const std::string& path, const std::string& displayName) {
    StateDataSource source;
    RegularFileText file = ReadRegularFile(path, StateDataMaxBytes);
    switch (file.status) {
    case RegularFileText::Status::Missing:
        return source;
    case RegularFileText::Status::Read:
        return StateDataFromText(std::move(file.text), displayName);
    case RegularFileText::Status::NotRegular:
    case RegularFileText::Status::TooLarge:
    case RegularFileText::Status::Unreadable:
        break;
    }
    source.kind = StateDataSource::Kind::Refused;
    source.reason = displayName + " cannot be read: " + RegularFileProblem(file, StateDataMaxBytes) + ".";
    return source;
}

StateDataSource StateDataFromText(std::string text, const std::string& displayName) {
    StateDataSource source;
    if (const std::string what = NotPlainText(text); !what.empty()) {
        source.kind = StateDataSource::Kind::Refused;
        source.reason = displayName + " is not a plain text file: " + what + ".";
    } else {
        source.kind = StateDataSource::Kind::Text;
        source.text = std::move(text);
    }
    return source;
}

std::optional<std::string> StateDataLoad::message() const {
    std::string text = errors;
    if (!note.empty()) AppendLine(text, note);
    if (text.empty()) return std::nullopt;
    return text;
}

StateDataLoad ApplyStateData(const StateDataSource& source, const std::string& displayName, Parameters& params,
                             std::string& failedFileList) {
    StateDataLoad load;
    if (source.kind != StateDataSource::Kind::Text) {
        failedFileList += displayName + "\r\n";
        if (source.kind == StateDataSource::Kind::Refused) load.errors = source.reason;
        return load;
    }
    const std::string& text = source.text;
    std::string& message = load.errors;
    // A UTF-8 byte-order mark, as some editors write, is not part of the first number.
    size_t pos = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    int fileLine = 1;  // line number in the file, for the messages
    int line = 1;
    for (; line <= 29; ++line) {
        // Skip blanks, tabs and line breaks before the number.
        while (pos < text.size() && IsSeparator(text[pos])) {
            if (text[pos] == '\n') ++fileLine;
            ++pos;
        }
        if (pos >= text.size()) break;
        size_t start = pos;
        while (pos < text.size() && !IsSeparator(text[pos]) && pos - start < 64) ++pos;
        std::string word = text.substr(start, pos - start);
        // The number must be the whole word, in C-locale notation whatever the user's locale.
        std::istringstream wordStream(word);
        wordStream.imbue(std::locale::classic());
        double value = 0;
        wordStream >> value;
        if (wordStream.fail() || !wordStream.eof() || !std::isfinite(value)) {
            AppendLine(message, "Invalid numeric input in " + displayName + " line " + std::to_string(fileLine) +
                                    ": \"" + word + "\"");
            return load;
        }
        const ValueRange& range = Ranges[line - 1];
        if (InRange(range, value)) {
            StoreLine(params, line, value);
        } else {
            AppendLine(message, "Invalid value in " + displayName + " line " + std::to_string(fileLine) + ": \"" +
                                    word + "\" (" + RangeText(range) + "); the default " +
                                    Number(Defaults[line - 1]) + " is used.");
        }
        // Discard the rest of this number's line.
        while (pos < text.size() && text[pos] != '\n') ++pos;
        if (pos < text.size()) {
            ++pos;
            ++fileLine;
        }
    }
    if (line <= 29) {
        // A short file would give 0 for every scale and clock rate it lacks:
        // the telescope could not move and the clock would stand still.
        load.note = displayName + " holds " + std::to_string(line - 1) +
                    " of its 29 values; the missing ones keep their defaults.";
    }
    return load;
}

std::optional<std::string> LoadStateData(const std::string& path, const std::string& displayName,
                                         Parameters& params, std::string& failedFileList) {
    return ApplyStateData(ReadStateDataFile(path, displayName), displayName, params, failedFileList).message();
}

}  // namespace orv
