#include "config/PatFile.h"

#include <cmath>
#include <sstream>

#include "astro/TextFormats.h"
#include "config/AtomicFile.h"
#include "config/RegularFile.h"

namespace orv {

namespace {

bool IsBlank(const std::string& line) {
    for (char c : line)
        if (c != ' ' && c != '\t' && c != '\r') return false;
    return true;
}

// A whole line as one number, with "." or "," as the decimal separator.
bool LineNumber(std::string line, double& v) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return (ParseReal(line, v, '.') || ParseReal(line, v, ',')) && std::isfinite(v);
}

// The ranges a real point lies in; anything else is not a point file.
const char* OutOfRange(int field, double v) {
    switch (field) {
        case 0:
        case 2: return v < 0 || v > 24 ? "a right ascension outside 0..24 hours" : nullptr;
        case 1:
        case 3: return std::fabs(v) > 180 ? "a declination outside -180..180 degrees" : nullptr;
        default: return std::fabs(v) > 24 ? "an hour angle outside -24..24 hours" : nullptr;
    }
}

}  // namespace

std::string PatFileText(const std::vector<astro::PointPlaces>& points) {
    std::ostringstream out;
    for (const astro::PointPlaces& p : points) {
        for (double x : {p.nextRA, p.nextDec, p.teleRA, p.teleDec, p.teleHA}) {
            WriteFloatField(out, x, PatFieldWidth, PatDecimals);
            WriteLineEnd(out);
        }
        WriteLineEnd(out);
    }
    return out.str();
}

std::optional<std::string> WritePatFile(const std::string& path, const std::vector<astro::PointPlaces>& points) {
    return WriteFileAtomically(path, PatFileText(points));
}

PatFileContents ParsePatFile(const std::string& text) {
    PatFileContents out;
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    double fields[5];
    int field = 0;      // fields of the current point read so far
    int pointStart = 0;
    auto fail = [&](int at, const std::string& what) {
        out.error = "line " + std::to_string(at) + ": " + what;
        return out;
    };
    while (std::getline(in, line)) {
        ++lineNo;
        if (IsBlank(line)) {
            if (field != 0)
                return fail(lineNo, "point " + std::to_string(out.points.size() + 1) + " (from line " +
                                        std::to_string(pointStart) + ") has " + std::to_string(field) +
                                        " numbers, not five");
            continue;
        }
        double v = 0;
        if (!LineNumber(line, v)) return fail(lineNo, "not a number");
        if (const char* why = OutOfRange(field, v)) return fail(lineNo, why);
        if (field == 0) pointStart = lineNo;
        fields[field++] = v;
        if (field == 5) {
            out.points.push_back({fields[0], fields[1], fields[2], fields[3], fields[4]});
            field = 0;
            // The next line must be empty, or the file ends.
            if (std::getline(in, line)) {
                ++lineNo;
                if (!IsBlank(line)) return fail(lineNo, "a sixth line where the empty line after a point belongs");
            }
        }
    }
    if (field != 0)
        return fail(lineNo, "the file ends inside point " + std::to_string(out.points.size() + 1) + " (" +
                                std::to_string(field) + " of five numbers)");
    return out;
}

PatFileContents ReadPatFile(const std::string& path) {
    PatFileContents out;
    const RegularFileText file = ReadRegularFile(path, MaxPatFileBytes);
    if (file.status != RegularFileText::Status::Read) {
        out.error = "cannot read " + path + ": " + RegularFileProblem(file, MaxPatFileBytes);
        return out;
    }
    out = ParsePatFile(file.text);
    if (!out.error.empty()) out.error = path + ": " + out.error;
    return out;
}

}  // namespace orv
