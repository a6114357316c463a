#include "comm/serial/PortHelpers.h"

#include <string>

#include "astro/TextFormats.h"
#include "comm/serial/CommPort.h"

namespace orv {

uint8_t PortReadByte(TCommPort& port) { return port.ReadByte(); }

void PortWriteChar(TCommPort& port, uint8_t code) { port.WriteChar(code); }

void PortWriteInteger(TCommPort& port, long long n) { port.WriteText(std::to_string(n)); }

void PortWriteReal(TCommPort& port, double x, int width, int decimals) {
    port.WriteText(FormatFloatField(x, width, decimals));
}

bool PortHasInput(const TCommPort& port) { return port.InputCount() != 0; }

int HexDigitValue(uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

}  // namespace orv
