#pragma once
// The codes added to the TCP/IP command channel beyond the original table (see
// TCPExtendedProtocol.h for the wire format): the extended status, the remote
// paddle with its dead man and pulse guiding, and the stops of the dome alone
// and the focus alone. The packet executor hands every code it does not know
// to Execute; what Execute does not know either does nothing, as before.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace orv {

class System;
struct TCPPacketFields;

// Names one client connection for as long as it lives (never reused).
using TCPClientId = uint64_t;

// The '#60;' reply: `heldForClient` commands of this client wait behind the
// state machine; `clientPaddleByte` is its part of the paddle byte.
std::string TCPExtendedStatus(const System& system, size_t heldForClient, uint8_t clientPaddleByte);

class TCPExtensions {
public:
    explicit TCPExtensions(System& system) : system_(system) {}

    // Runs `code` if it is one of the added codes that answer or act at once;
    // nothing (and no reply) for any other code.
    std::optional<std::string> Execute(int code, const TCPPacketFields& fields, TCPClientId client,
                                       size_t heldForClient);
    // The client's connection has closed: whatever it pressed is let go now,
    // without waiting for the dead man.
    void ClientGone(TCPClientId client);

private:
    System& system_;
};

}  // namespace orv
