// Rates without a Bxxx constant (14400 and 56000 baud) go through termios2 and
// BOTHER. The kernel's termios2 header clashes with the C library's <termios.h>,
// so this file includes only the kernel's.

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "comm/serial/SerialLine.h"

namespace orv {

bool SetFreeBaudRate(int fd, unsigned baud) {
    struct termios2 t {};
    if (::ioctl(fd, TCGETS2, &t) != 0) return false;
    t.c_cflag &= ~tcflag_t(CBAUD);
    t.c_cflag |= BOTHER;
    t.c_ispeed = baud;
    t.c_ospeed = baud;
    if (::ioctl(fd, TCSETS2, &t) != 0) return false;
    // A driver that cannot make the rate keeps another one: that is a refusal too.
    return ReadLineBaudRate(fd) == baud;
}

unsigned ReadLineBaudRate(int fd) {
    struct termios2 t {};
    if (::ioctl(fd, TCGETS2, &t) != 0) return 0;
    return t.c_ospeed;
}

}  // namespace orv
