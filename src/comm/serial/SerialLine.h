#pragma once
// The termios side of a serial line: the settings of a TCommPort turned into
// the kernel's line settings, and the rates that have no Bxxx constant.

#include <cstdint>
#include <string>

namespace orv {

struct SerialLineSettings {
    int baudRate;      // TBaudRate ordinal
    int parity;        // TParity ordinal
    int dataBits;      // TDataBits ordinal
    int stopBits;      // TStopBits ordinal
    uint16_t handShake;
};

// Applies everything to the open line `fd`. Returns an empty text, or the reason
// a setting cannot be given here ("4 data bits are not available on Linux").
std::string ApplySerialLine(int fd, const SerialLineSettings& settings);
// Applies only the handshake flags (flow control, DTR, RTS) to an open line.
void ApplySerialHandShake(int fd, uint16_t handShake);

// Sets a rate through the kernel's free-rate interface; false if the line refuses it.
bool SetFreeBaudRate(int fd, unsigned baud);
// The output rate the kernel holds for the line, bits per second; 0 on failure.
unsigned ReadLineBaudRate(int fd);

}  // namespace orv
