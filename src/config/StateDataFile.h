#pragma once
// The state data file "WinOrv.DAT": 29 numbers, one per line, read once at start
// over the built-in defaults and converted to their held units as they are read.

#include <optional>
#include <string>

#include "core/Parameters.h"

namespace orv {

inline constexpr const char* StateDataFileName = "WinOrv.DAT";

// All 29 parameters to their defaults, in held units.
void SetStateDefaults(Parameters& params);

// Loads `path` over the current values. A file that does not exist or cannot be
// opened appends `displayName` and "\r\n" to `failedFileList`. A line that is
// not a number stops the load: the values before it stay, the rest keep their
// defaults, and the result is the error text ("Invalid numeric input" and the line).
std::optional<std::string> LoadStateData(const std::string& path, const std::string& displayName,
                                         Parameters& params, std::string& failedFileList);

// Values computed from the loaded ones: sine and cosine of the latitude, sidereal ticks.
void DeriveStateValues(Parameters& params);

}  // namespace orv
