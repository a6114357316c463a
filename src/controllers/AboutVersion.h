#pragma once
// The About box's version line, made from the date of the program file:
// "Version 0.", the last two digits of the year, ".", the month, "." and the
// day, month and day without leading zeros (19 June 2002: "Version 0.02.6.19").

#include <optional>
#include <string>

namespace orv {

std::string AboutVersionLine(int year, int month, int day);

// The line for a file's modification date in local time; nothing when the
// file cannot be read.
std::optional<std::string> AboutVersionLineOfFile(const std::string& path);

}  // namespace orv
