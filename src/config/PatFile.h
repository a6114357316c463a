#pragma once
// Pointing point files (".pat"): for each point five lines, the next object's
// RA (hours) and Dec (degrees), the telescope's RA, Dec and HA, then one empty
// line. No header, no count; an empty file holds no points.
//
// Orv writes every line with CR LF, each number in fixed notation with 6
// decimals and ".", blanks in front so that the part before the decimal point,
// sign included, is at least 4 characters wide ("  12.500000", "  -4.830000",
// " 123.250000").
//
// The reader takes what Orv writes and what a hand or another program may have
// made of it: LF line ends, a ","
// decimal separator (files written under a locale that uses one), blanks around
// the numbers, extra empty lines between points, no empty line after the last.

#include <optional>
#include <string>
#include <vector>

#include "astro/PointReduction.h"

namespace orv {

// The fixed-width number format of the written file.
inline constexpr int PatFieldWidth = 4;
inline constexpr int PatDecimals = 6;

// The text of a point file holding `points`, in order.
std::string PatFileText(const std::vector<astro::PointPlaces>& points);

// Writes the points to `path`, replacing the file whole. On failure returns why;
// the old file stays as it was.
std::optional<std::string> WritePatFile(const std::string& path, const std::vector<astro::PointPlaces>& points);

// Files beyond this size are refused: 100 points take under 6 kB.
inline constexpr size_t MaxPatFileBytes = 4u << 20;

struct PatFileContents {
    std::vector<astro::PointPlaces> points;
    std::string error;   // empty when the whole file was read
};

// Parses the text of a point file. On an error the points before it are kept and
// `error` names the line ("line 13: ...").
PatFileContents ParsePatFile(const std::string& text);

// Reads and parses the file at `path`; an unreadable or oversized file, or one
// that is no regular file (a FIFO, a device), gives an error naming the path.
PatFileContents ReadPatFile(const std::string& path);

}  // namespace orv
