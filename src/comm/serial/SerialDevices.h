#pragma once
// The serial lines this computer has now, as the Serial Settings dialog offers
// them: /dev/ttyS<n> (those the kernel found a UART for), /dev/ttyUSB<n>,
// /dev/ttyACM<n>, then the stable names under /dev/serial/by-id.

#include <string>
#include <vector>

namespace orv {

// Each group in numeric order (ttyS2 before ttyS10), the by-id names in
// alphabetical order. `devDir` and `ttyClassDir` are /dev and /sys/class/tty
// unless a test gives others. A ttyS<n> whose sysfs "type" reads 0 has no
// UART behind it and is left out; one without sysfs information is listed.
std::vector<std::string> ListSerialDevices(const std::string& devDir = "/dev",
                                           const std::string& ttyClassDir = "/sys/class/tty");

// The ordinal of a path of the form <devDir>/ttyS<n> with n in 0 ... 255
// ("Com<n+1>"); -1 for any other path.
int TtySOrdinal(const std::string& path, const std::string& devDir = "/dev");

}  // namespace orv
