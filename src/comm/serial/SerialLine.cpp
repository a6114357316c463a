#include "comm/serial/SerialLine.h"

#include <sys/ioctl.h>
#include <termios.h>

#include "comm/serial/CommPort.h"

namespace orv {

namespace {

// The Bxxx constant of a rate; 0 for the rates Linux has none for.
speed_t SpeedConstant(unsigned baud) {
    switch (baud) {
    case 110: return B110;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return 0;
    }
}

bool Has(uint16_t flags, THandShakeFlag f) { return (flags & HandShakeBit(f)) != 0; }

// Flow control of the handshake set. DSR flow, DSR sensitivity, continue on
// XOFF, the error character and discarding NUL bytes have no termios form and
// are left out; binary mode is the only mode Linux has.
void SetFlowFlags(termios& t, uint16_t hs) {
    t.c_cflag &= ~tcflag_t(CRTSCTS);
    if (Has(hs, hfOutCTSFlow) || Has(hs, hfRTSHandShake)) t.c_cflag |= CRTSCTS;
    t.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY | INPCK);
    if (Has(hs, hfXOnOFfTrans)) t.c_iflag |= IXON;
    if (Has(hs, hfXOnOffReceive)) t.c_iflag |= IXOFF;
    if (Has(hs, hfParity)) t.c_iflag |= INPCK;
}

// DTR and RTS as the set asks. A pseudo-terminal has no modem lines: its
// refusal is no error.
void SetModemLines(int fd, uint16_t hs) {
    int dtr = TIOCM_DTR, rts = TIOCM_RTS;
    const bool dtrOn = Has(hs, hfDTREnabled) || Has(hs, hfDTRHandShake);
    const bool rtsOn = Has(hs, hfRTSEnabled) || Has(hs, hfRTSHandShake);
    ::ioctl(fd, dtrOn ? TIOCMBIS : TIOCMBIC, &dtr);
    ::ioctl(fd, rtsOn ? TIOCMBIS : TIOCMBIC, &rts);
}

}  // namespace

std::string ApplySerialLine(int fd, const SerialLineSettings& s) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0) return "it is not a serial line";
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;

    t.c_cflag &= ~tcflag_t(CSIZE);
    switch (s.dataBits) {
    case tdbFive: t.c_cflag |= CS5; break;
    case tdbSix: t.c_cflag |= CS6; break;
    case tdbSeven: t.c_cflag |= CS7; break;
    case tdbEight: t.c_cflag |= CS8; break;
    case tdbFour: return "4 data bits are not available on Linux";
    default: return "data bits setting " + std::to_string(s.dataBits) + " is unknown";
    }

    t.c_cflag &= ~tcflag_t(CSTOPB);
    switch (s.stopBits) {
    case tsbOne: break;
    case tsbTwo: t.c_cflag |= CSTOPB; break;
    case tsbOnePointFive: return "1.5 stop bits are not available on Linux";
    default: return "stop bits setting " + std::to_string(s.stopBits) + " is unknown";
    }

    // Mark and space parity: the parity bit stays 1 (odd) or 0 (even) through CMSPAR.
    t.c_cflag &= ~tcflag_t(PARENB | PARODD | CMSPAR);
    switch (s.parity) {
    case tpNone: break;
    case tpOdd: t.c_cflag |= PARENB | PARODD; break;
    case tpEven: t.c_cflag |= PARENB; break;
    case tpMark: t.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case tpSpace: t.c_cflag |= PARENB | CMSPAR; break;
    default: return "parity setting " + std::to_string(s.parity) + " is unknown";
    }

    SetFlowFlags(t, s.handShake);

    const unsigned baud = BaudRateValue(s.baudRate);
    const speed_t constant = SpeedConstant(baud);
    // A free rate is set after the rest; meanwhile the line runs at 9600.
    ::cfsetispeed(&t, constant ? constant : B9600);
    ::cfsetospeed(&t, constant ? constant : B9600);
    if (::tcsetattr(fd, TCSANOW, &t) != 0) return "the line refuses its settings";
    if (!constant && !SetFreeBaudRate(fd, baud))
        return std::to_string(baud) + " baud is not available on this line";

    SetModemLines(fd, s.handShake);
    return {};
}

void ApplySerialHandShake(int fd, uint16_t handShake) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0) return;
    SetFlowFlags(t, handShake);
    ::tcsetattr(fd, TCSANOW, &t);
    SetModemLines(fd, handShake);
}

}  // namespace orv
