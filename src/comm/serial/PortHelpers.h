#pragma once
// The byte and number helpers the serial protocols use on a TCommPort. Numbers
// go out as text with "." whatever the locale.

#include <cstdint>

namespace orv {

class TCommPort;

uint8_t PortReadByte(TCommPort& port);
void PortWriteChar(TCommPort& port, uint8_t code);
// n in decimal, "-" in front when negative, no padding.
void PortWriteInteger(TCommPort& port, long long n);
// x in fixed point with `decimals` decimals, blanks in front so that the integer
// part fills at least `width` characters ('  12.500000' for 12.5, 4, 6). Width
// and decimals travel with each call: nothing is shared between writers.
void PortWriteReal(TCommPort& port, double x, int width, int decimals);
bool PortHasInput(const TCommPort& port);
// '0'...'9' -> 0...9, 'A'...'F' -> 10...15 (upper case only), any other byte -> 0.
int HexDigitValue(uint8_t c);

}  // namespace orv
