#pragma once
// The INDI driver's connection to a running Orv: one TCP/IP client socket to
// Orv's command server, blocking with short time-outs (Orv answers a query in
// well under a millisecond on the same machine). No INDI and no Qt here.
//
// Any failure closes the socket; the caller reconnects when it next polls.

#include <cstdint>
#include <optional>
#include <string>

namespace orv::indi {

class OrvLink {
public:
    OrvLink() = default;
    ~OrvLink();
    OrvLink(const OrvLink&) = delete;
    OrvLink& operator=(const OrvLink&) = delete;

    // Connects to host:port within `timeoutMs`; false with `error` filled otherwise.
    bool connect(const std::string& host, uint16_t port, int timeoutMs, std::string& error);
    void close();
    bool connected() const { return fd_ >= 0; }

    // Sends `packets` ("#...;" each) whole.
    bool send(const std::string& packets, std::string& error);
    // Sends `packets` and returns the first reply packet whose first value is
    // `code` (the added codes repeat their code), skipping any other; nothing
    // after `timeoutMs`.
    std::optional<std::string> ask(const std::string& packets, int code, int timeoutMs, std::string& error);

private:
    bool fail(std::string& error, const std::string& what);

    int fd_ = -1;
    std::string pending_;   // received text not yet consumed
};

// The first value of a reply packet "#code,...;" or "#code;", if it is a whole number.
std::optional<int> ReplyCode(const std::string& packet);

}  // namespace orv::indi
