#pragma once
// The IPv4 addresses of this computer, for the operator to give to the hosts
// that command the telescope over TCP/IP.

#include <string>
#include <vector>

namespace orv {

inline constexpr size_t MaxLocalAddresses = 10;

// Dotted IPv4 addresses of the interfaces that are up, in the order the system
// lists its interfaces, loopback addresses last, each once, at most
// MaxLocalAddresses. Empty when the interfaces cannot be read.
std::vector<std::string> LocalIPv4Addresses();

}  // namespace orv
