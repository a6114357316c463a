#pragma once
// What the headless program shows instead of the main window: one line of live
// status built from the display model, and the status-log lines with a UTC
// time stamp in front (printed to stderr as the display refresh hands them over).

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace orv {

struct DisplayControls;

// One line (no line end) from the display's controls, e.g.
// "UT 04 05 06  ST 10 11 12  RA 02 51 38.9  Dec -00 30 00  Code 0  Track On  Drives On  Dome Off
//  | INITIALIZED SLEWING | Slewing". The status texts that are set follow the first
// "|"; the telescope message, when there is one, follows the second.
std::string HeadlessStatusLine(const DisplayControls& controls);

// "YYYY-MM-DD hh:mm:ssZ text" for a wall-clock time in milliseconds since
// 1970-01-01 UTC (earlier times count back correctly).
std::string TimestampedLogLine(int64_t utcMs, const std::string& text);

// Writes each line as TimestampedLogLine with a line feed.
void WriteTimestampedLog(std::ostream& out, int64_t utcMs, const std::vector<std::string>& lines);

}  // namespace orv
