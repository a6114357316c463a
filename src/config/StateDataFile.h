#pragma once
// The state data file "WinOrv.DAT": 29 numbers, one per line, read once at start
// over the built-in defaults and converted to their held units as they are read.
//
// The file is edited by hand, so each value is checked against its physical
// range (a latitude within +-90 degrees, positive scales and clock rates ...):
// a value out of range keeps its default and is reported. A file that is not
// plain text, not a regular file or absurdly large is refused whole.

#include <cstddef>
#include <optional>
#include <string>

#include "core/Parameters.h"

namespace orv {

inline constexpr const char* StateDataFileName = "WinOrv.DAT";
// The file is 29 short lines; anything beyond this is not a state data file.
inline constexpr size_t StateDataMaxBytes = 64 * 1024;

// All 29 parameters to their defaults, in held units.
void SetStateDefaults(Parameters& params);

// The file as found on disk, read once; the simulator and the system both take
// their values from the same reading.
struct StateDataSource {
    enum class Kind { Text, Missing, Refused };
    Kind kind = Kind::Missing;
    std::string text;     // Text: the file's bytes
    std::string reason;   // Refused: why, for the operator
};

// Reads `path` if it is a regular file of at most StateDataMaxBytes of plain
// text (no NUL bytes, no UTF-16 byte-order mark). Never blocks.
StateDataSource ReadStateDataFile(const std::string& path, const std::string& displayName);
// The same for a file's bytes already in memory: refused if not plain text.
StateDataSource StateDataFromText(std::string text, const std::string& displayName);

// What a load found: problems with values (each value not taken, or the file
// refused) and a note when the file is short.
struct StateDataLoad {
    std::string errors;   // "Invalid numeric input ...", "Invalid value ...", the refusal; "" if none
    std::string note;     // "... holds 12 of its 29 values ..."; "" when complete
    // Both, each problem on its own line, as the operator is told; nullopt when all is well.
    std::optional<std::string> message() const;
};

// Loads the values of `source` over the current ones. A missing or refused file
// appends `displayName` and "\r\n" to `failedFileList` and changes nothing.
// A line that is not a number stops the load: the values before it stay, the
// rest keep their defaults. A value out of its range keeps its default; a file
// of fewer than 29 values keeps the defaults of the missing ones.
StateDataLoad ApplyStateData(const StateDataSource& source, const std::string& displayName, Parameters& params,
                             std::string& failedFileList);

// ReadStateDataFile then ApplyStateData; the result is the operator's message.
std::optional<std::string> LoadStateData(const std::string& path, const std::string& displayName,
                                         Parameters& params, std::string& failedFileList);

// Values computed from the loaded ones: sine and cosine of the latitude, sidereal ticks.
void DeriveStateValues(Parameters& params);

}  // namespace orv
