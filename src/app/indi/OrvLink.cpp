#include "app/indi/OrvLink.h"

#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orv::indi {

namespace {

// A reply longer than this is not one of Orv's (the extended status is about 400 characters).
constexpr size_t MaxPending = 8192;

using SteadyClock = std::chrono::steady_clock;

int RemainingMs(SteadyClock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
    return left > 0 ? int(left) : 0;
}

}  // namespace

std::optional<int> ReplyCode(const std::string& packet) {
    if (packet.size() < 3 || packet.front() != '#' || packet.back() != ';') return std::nullopt;
    size_t i = 1;
    int code = 0;
    if (!std::isdigit(static_cast<unsigned char>(packet[i]))) return std::nullopt;
    while (i < packet.size() && std::isdigit(static_cast<unsigned char>(packet[i]))) {
        code = code * 10 + (packet[i] - '0');
        if (code > 100000) return std::nullopt;
        ++i;
    }
    if (packet[i] != ',' && packet[i] != ';') return std::nullopt;
    return code;
}

OrvLink::~OrvLink() { close(); }

void OrvLink::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    pending_.clear();
}

bool OrvLink::fail(std::string& error, const std::string& what) {
    error = what;
    close();
    return false;
}

bool OrvLink::connect(const std::string& host, uint16_t port, int timeoutMs, std::string& error) {
    close();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (const int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found); rc != 0)
        return fail(error, "cannot resolve " + host + ": " + ::gai_strerror(rc));

    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    std::string why = "no address";
    for (addrinfo* a = found; a && fd_ < 0; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (fd < 0) continue;
        int rc = ::connect(fd, a->ai_addr, a->ai_addrlen);
        if (rc != 0 && errno == EINPROGRESS) {
            pollfd p{fd, POLLOUT, 0};
            rc = ::poll(&p, 1, RemainingMs(deadline)) == 1 ? 0 : -1;
            int soError = rc == 0 ? 0 : ETIMEDOUT;
            socklen_t len = sizeof soError;
            if (rc == 0) ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len);
            if (soError != 0) {
                errno = soError;
                rc = -1;
            }
        }
        if (rc != 0) {
            why = std::strerror(errno);
            ::close(fd);
            continue;
        }
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);   // packets are small and awaited
        fd_ = fd;
    }
    ::freeaddrinfo(found);
    if (fd_ < 0) return fail(error, "cannot connect to " + host + ":" + service + ": " + why);
    return true;
}

bool OrvLink::send(const std::string& packets, std::string& error) {
    if (fd_ < 0) return fail(error, "not connected");
    size_t sent = 0;
    while (sent < packets.size()) {
        const ssize_t n = ::send(fd_, packets.data() + sent, packets.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += size_t(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd_, POLLOUT, 0};
            if (::poll(&p, 1, 1000) != 1) return fail(error, "Orv does not take what is sent");
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return fail(error, std::string("lost the connection: ") + std::strerror(errno));
        }
    }
    return true;
}

std::optional<std::string> OrvLink::ask(const std::string& packets, int code, int timeoutMs, std::string& error) {
    if (!send(packets, error)) return std::nullopt;
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        // Consume whole packets; text before a "#" is not Orv's and is dropped.
        for (size_t semicolon; (semicolon = pending_.find(';')) != std::string::npos;) {
            const size_t hash = pending_.rfind('#', semicolon);
            std::string packet = hash == std::string::npos ? "" : pending_.substr(hash, semicolon + 1 - hash);
            pending_.erase(0, semicolon + 1);
            if (ReplyCode(packet) == code) return packet;
        }
        if (pending_.size() > MaxPending) {
            fail(error, "Orv's reply is too long");
            return std::nullopt;
        }
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, RemainingMs(deadline));
        if (ready == 0) {
            fail(error, "no reply from Orv within " + std::to_string(timeoutMs) + " ms");
            return std::nullopt;
        }
        if (ready < 0 && errno == EINTR) continue;
        char buffer[2048];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n > 0) {
            pending_.append(buffer, size_t(n));
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        } else {
            fail(error, n == 0 ? "Orv closed the connection" : std::string("lost the connection: ") + std::strerror(errno));
            return std::nullopt;
        }
    }
}

}  // namespace orv::indi
