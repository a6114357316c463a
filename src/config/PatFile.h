#pragma once
// Reading pointing point files (".pat"): for each point five lines, the next
// object's RA (hours) and Dec (degrees), the telescope's RA, Dec and HA, then one
// empty line. No header, no count; an empty file holds no points.
//
// The reader takes what Orv writes (fixed notation, blanks in front, CR LF) and
// what a hand or another program may have made of it: LF line ends, a ","
// decimal separator (files written under a locale that uses one), blanks around
// the numbers, extra empty lines between points, no empty line after the last.

#include <optional>
#include <string>
#include <vector>

#include "astro/PointReduction.h"

namespace orv {

// Files beyond this size are refused: 100 points take under 6 kB.
inline constexpr size_t MaxPatFileBytes = 4u << 20;

struct PatFileContents {
    std::vector<astro::PointPlaces> points;
    std::string error;   // empty when the whole file was read
};

// Parses the text of a point file. On an error the points before it are kept and
// `error` names the line ("line 13: ...").
PatFileContents ParsePatFile(const std::string& text);

// Reads and parses the file at `path`; an unreadable or oversized file gives an
// error naming the path.
PatFileContents ReadPatFile(const std::string& path);

}  // namespace orv
