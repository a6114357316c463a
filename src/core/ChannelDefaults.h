#pragma once
// The TCP/IP server's port when nothing names another: the server's own, the
// initialisation file's default, orvctl's and the INDI driver's.

#include <cstdint>

namespace orv {

inline constexpr uint16_t DefaultTCPPort = 5003;

}  // namespace orv
