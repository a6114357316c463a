#pragma once
// The ExCom number reader: a host sends numbers as plain ASCII text, separated
// by anything that is not part of a number. Pure code on a byte source, so it
// runs the same on a serial line and on a byte string.

#include <cstdint>
#include <functional>
#include <stdexcept>

namespace orv {

// Gives the next byte; blocks on a line, and throws to end the reading.
using ByteSource = std::function<uint8_t()>;

// The collected text is no number ('5-3', '-', '1e'); ends the command.
class ExComNumberError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr uint8_t ExComCtrlZ = 26;
// Characters of one number kept; the rest are dropped.
inline constexpr size_t ExComMaxNumberText = 128;

// Reads one number: skips bytes up to the first digit or '.', keeping a sign
// that stands directly before it ('-12.5' is -12.5, '- 12.5' is 12.5); then
// takes digits, '.', 'E', 'e', '+' and '-'. Two dots in a row end the number
// (the second is consumed: '1..5' gives 1, then 5). Ctrl-Z gives 0 at once
// while skipping and ends the number inside it. The byte that ends a number is
// consumed. The decimal separator is always '.'. Throws ExComNumberError when
// the text does not convert.
double ExComReadNumber(const ByteSource& next);

}  // namespace orv
