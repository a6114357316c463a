#include "comm/TCPServer.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTimer>

#include "comm/MailboxWaker.h"
#include "control/System.h"

namespace orv {

namespace {

// Received text held per client before its packets are run: the socket is not
// read further until this has been worked off, so a client that floods us is
// slowed down by TCP itself.
constexpr size_t ClientInboxLimit = 64 * 1024;
// A client that does not read its answers: its packets wait (unread) until the
// replies already queued for it fall below this.
constexpr size_t ClientReplyBacklog = 256 * 1024;
// How often held commands are offered to the state machine, ms.
constexpr int HeldCommandPeriodMs = 10;
// Keep-alive: the first probe after 60 s of silence, then every 10 s; six
// unanswered probes (two minutes in all) end a connection whose peer vanished.
constexpr int KeepAliveIdleS = 60;
constexpr int KeepAliveIntervalS = 10;
constexpr int KeepAliveProbes = 6;

// Hands each accepted connection's descriptor over, so that the server drives
// the socket itself: Qt's own sockets close on the peer's half-close and would
// lose the answers still to be sent.
class Listener final : public QTcpServer {
public:
    explicit Listener(std::function<void(int)> onIncoming) : onIncoming_(std::move(onIncoming)) {}

protected:
    void incomingConnection(qintptr fd) override { onIncoming_(static_cast<int>(fd)); }

private:
    std::function<void(int)> onIncoming_;
};

// The socket error events by the system's error numbers; -1: not an error worth
// a line (the peer resetting or going away is an ordinary disconnection).
int ErrorEventOf(int error, bool sending) {
    switch (error) {
    case ECONNRESET:
    case EPIPE:
        return -1;
    case ETIMEDOUT:
    case EHOSTUNREACH:
    case ENETUNREACH:
        return 3;   // Connection Error
    default:
        return sending ? 1 : 2;   // Send Error, Read Error
    }
}

std::string PeerAddressText(int fd) {
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0) return TCPAddressText({}, -1);
    const QHostAddress address(reinterpret_cast<const sockaddr*>(&peer));
    const int port = peer.ss_family == AF_INET6 ? ntohs(reinterpret_cast<const sockaddr_in6*>(&peer)->sin6_port)
                                                : ntohs(reinterpret_cast<const sockaddr_in*>(&peer)->sin_port);
    return TCPAddressText(address, port);
}

void PrepareSocket(int fd) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    const int on = 1, idle = KeepAliveIdleS, interval = KeepAliveIntervalS, probes = KeepAliveProbes;
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);   // answers are small and awaited
}

}  // namespace

std::string TCPAddressText(const QHostAddress& address, int port) {
    if (address.isNull()) return "Addr:  Port: -1";
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    const QString text = isV4 ? QHostAddress(v4).toString() : address.toString();
    return "Addr: " + text.toStdString() + " Port: " + std::to_string(port);
}

TCPServer::TCPServer(System& system)
    : system_(system),
      channel_(system),
      context_(std::make_unique<QObject>()),
      waker_(std::make_unique<MailboxWaker>([this] { deliverLateReplies(); })),
      server_(std::make_unique<Listener>([this](int fd) { onIncoming(fd); })),
      heldTimer_(std::make_unique<QTimer>()),
      turnTimer_(std::make_unique<QTimer>()),
      mailbox_(std::make_shared<LateReplyMailbox>()) {
    mailbox_->waker = waker_.get();
    QObject::connect(server_.get(), &QTcpServer::acceptError, context_.get(),
                     [this](QAbstractSocket::SocketError error) {
                         system_.log.LogCommEvent(
                             "TCP/IP: " + TCPErrorName(5) + " Code: " + std::to_string(int(error)) +
                             " " + TCPAddressText(server_->serverAddress(), server_->serverPort()));
                     });
    heldTimer_->setInterval(HeldCommandPeriodMs);
    QObject::connect(heldTimer_.get(), &QTimer::timeout, context_.get(), [this] {
        if (channel_.IssueHeldCommands() == 0) heldTimer_->stop();
    });
    turnTimer_->setSingleShot(true);
    turnTimer_->setInterval(0);
    QObject::connect(turnTimer_.get(), &QTimer::timeout, context_.get(), [this] { turn(); });
}

TCPServer::~TCPServer() {
    // Cut every connection to our handlers first (the notifiers go with it),
    // then close the sockets. KAV exchanges still running find the server gone;
    // replies they posted go with the waker.
    {
        std::lock_guard lock(mailbox_->mutex);
        mailbox_->waker = nullptr;
        mailbox_->replies.clear();
    }
    waker_.reset();
    context_.reset();
    heldTimer_->stop();
    turnTimer_->stop();
    for (auto& [id, client] : clients_) ::close(client->fd);
    clients_.clear();
    server_->close();
}

bool TCPServer::setBindAddress(const std::string& address) {
    if (address.empty() || address == "any" || address == "*") {
        bindAddress_ = QHostAddress(QHostAddress::Any);
        return true;
    }
    if (address == "localhost") {
        bindAddress_ = QHostAddress(QHostAddress::LocalHost);
        return true;
    }
    QHostAddress parsed;
    if (!parsed.setAddress(QString::fromStdString(address))) return false;
    bindAddress_ = parsed;
    return true;
}

bool TCPServer::active() const { return server_->isListening(); }

uint16_t TCPServer::serverPort() const { return server_->isListening() ? server_->serverPort() : 0; }

std::optional<std::string> TCPServer::SetTCPMode(int mode) {
    for (auto& [id, client] : clients_) {
        client->input.clear();
        client->inbox.clear();
    }
    mode_ = mode;
    if (mode == 0) {
        channel_.clearHeld();
        heldTimer_->stop();
        dropAllClients();
        server_->close();
        return std::nullopt;
    }
    if (server_->isListening()) return std::nullopt;
    if (!server_->listen(bindAddress_, port_)) {
        return "Unable to listen on Port: " + std::to_string(port_) + "\r\n" +
               "Port is probably already in use.";
    }
    system_.log.LogCommEvent("TCP/IP: Listen " +
                             TCPAddressText(server_->serverAddress(), server_->serverPort()));
    return std::nullopt;
}

void TCPServer::onIncoming(int fd) {
    const std::string address = PeerAddressText(fd);
    if (clients_.size() >= MaxClients && !evictIdlest()) {
        system_.log.AddLog("TCP/IP: Refused " + address + ", " + std::to_string(MaxClients) +
                           " clients connected");
        ::close(fd);
        return;
    }
    PrepareSocket(fd);
    const ClientId id = nextId_++;
    auto client = std::make_unique<Client>();
    client->fd = fd;
    client->address = address;
    client->lateReply = lateReplyTo(id);
    client->lastHeardMs = system_.clock.nowMs();
    client->readable = new QSocketNotifier(fd, QSocketNotifier::Read, context_.get());
    client->writable = new QSocketNotifier(fd, QSocketNotifier::Write, context_.get());
    client->writable->setEnabled(false);
    QObject::connect(client->readable, &QSocketNotifier::activated, context_.get(), [this, id] { onReadable(id); });
    QObject::connect(client->writable, &QSocketNotifier::activated, context_.get(), [this, id] { onWritable(id); });
    clients_.emplace(id, std::move(client));
    system_.log.LogCommEvent("TCP/IP: Accepted " + address);
    system_.log.LogCommEvent("TCP/IP: Connected " + address);
}

bool TCPServer::evictIdlest() {
    const int64_t now = system_.clock.nowMs();
    auto idlest = clients_.end();
    for (auto it = clients_.begin(); it != clients_.end(); ++it) {
        if (it->second->peerClosed) continue;   // leaving anyway
        if (idlest == clients_.end() || it->second->lastHeardMs < idlest->second->lastHeardMs) idlest = it;
    }
    if (idlest == clients_.end() || now - idlest->second->lastHeardMs <= IdleEvictionMs) return false;
    system_.log.AddLog("TCP/IP: Evicted " + idlest->second->address + ", idle for " +
                       std::to_string((now - idlest->second->lastHeardMs) / 1000) + " s, for a new client");
    dropClient(idlest->first);
    return true;
}

void TCPServer::onReadable(ClientId id) {
    const auto found = clients_.find(id);
    if (found == clients_.end()) return;
    Client& c = *found->second;
    char piece[16384];
    while (c.inbox.size() < ClientInboxLimit) {
        const ssize_t n = ::recv(c.fd, piece, std::min(sizeof piece, ClientInboxLimit - c.inbox.size()), 0);
        if (n > 0) {
            c.inbox.append(piece, size_t(n));
            c.lastHeardMs = system_.clock.nowMs();
            continue;
        }
        if (n == 0) {
            // Shut down or closed: no more comes, but what came is answered.
            c.peerClosed = true;
            break;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) break;
        const int event = ErrorEventOf(errno, false);
        dropClient(id, event < 0 ? std::string() : TCPErrorName(event) + " Code: " + std::to_string(errno));
        return;
    }
    serve(id, c);
}

void TCPServer::onWritable(ClientId id) {
    const auto found = clients_.find(id);
    if (found == clients_.end()) return;
    Client& c = *found->second;
    if (flush(id, c)) serve(id, c);   // answers gone out: its waiting packets may run again
}

bool TCPServer::serve(ClientId id, Client& c) {
    if (c.awaitingReply) {
        takeStopWhileWaiting(id, c);
    } else if (c.outbox.size() <= ClientReplyBacklog) {
        execute(id, c);
        if (!c.awaitingReply && !c.inbox.empty()) scheduleTurn();
    }
    if (!flush(id, c)) return false;
    if (c.peerClosed && c.inbox.empty() && c.outbox.empty() && !c.awaitingReply) {
        dropClient(id);
        return false;
    }
    // Read on while there is room for the text; a closed peer has nothing more.
    c.readable->setEnabled(!c.peerClosed && c.inbox.size() < ClientInboxLimit);
    return true;
}

void TCPServer::execute(ClientId id, Client& c) {
    // Up to the PacketsPerTurn-th ";": each ";" ends one packet at most.
    size_t cut = 0;
    for (size_t packets = 0; packets < PacketsPerTurn; ++packets) {
        const size_t semicolon = c.inbox.find(';', cut);
        if (semicolon == std::string::npos) {
            cut = c.inbox.size();
            break;
        }
        cut = semicolon + 1;
    }
    // Packets held behind a late reply run first: they were cut before.
    const size_t dropped = c.input.TCPReceive(std::string_view(c.inbox.data(), cut), [&](const std::string& packet) {
        const TCPAnswer answer = channel_.ExecuteTCPPacket(packet, id, c.lateReply);
        if (answer.reply) c.outbox += *answer.reply;
        // The client's replies keep the order of its packets: the next waits for this one.
        if (answer.later) c.awaitingReply = true;
        return !answer.later;
    });
    c.inbox.erase(0, cut);
    if (dropped > 0) {
        system_.log.AddLog("TCP/IP: Packet without \";\" dropped after " + std::to_string(dropped) +
                           " characters " + c.address);
    }
    scheduleHeldCommands();
}

void TCPServer::takeStopWhileWaiting(ClientId id, Client& c) {
    // What the client sends meanwhile waits in its input, up to the longest text
    // a client may leave there; beyond that in its inbox.
    const size_t pending = c.input.pending().size();
    if (pending >= TCPMaxPendingText || c.inbox.empty()) return;
    const size_t taken = std::min(c.inbox.size(), TCPMaxPendingText - pending);
    const std::string text = c.inbox.substr(0, taken);
    c.inbox.erase(0, taken);
    const auto overtaken = c.input.TakeStop(text, TCPIsStopPacket, TCPReadsOnly);
    if (!overtaken) return;
    if (overtaken->discarded > 0) {
        system_.log.AddLog("TCP/IP: " + std::to_string(overtaken->discarded) +
                           " packets before a stop discarded " + c.address);
    }
    channel_.ExecuteTCPPacket(overtaken->stop, id);
}

TCPLateReply TCPServer::lateReplyTo(ClientId id) {
    return [mailbox = mailbox_, id](std::string text) {
        std::lock_guard lock(mailbox->mutex);
        if (!mailbox->waker) return;
        const bool wake = mailbox->replies.empty();
        mailbox->replies.push_back({id, std::move(text)});
        // Under the lock: the waker cannot go meanwhile. One wake-up per batch.
        if (wake) QCoreApplication::postEvent(mailbox->waker, new QEvent(QEvent::User));
    };
}

void TCPServer::deliverLateReplies() {
    std::deque<LateReply> replies;
    {
        std::lock_guard lock(mailbox_->mutex);
        replies.swap(mailbox_->replies);
    }
    for (const auto& r : replies) onLateReply(r.id, r.text);
}

void TCPServer::onLateReply(ClientId id, const std::string& text) {
    const auto found = clients_.find(id);
    if (found == clients_.end()) return;   // the client has gone
    Client& c = *found->second;
    c.outbox += text;
    c.awaitingReply = false;
    // Then what the client sent meanwhile.
    serve(id, c);
}

bool TCPServer::flush(ClientId id, Client& c) {
    size_t sent = 0;
    while (sent < c.outbox.size()) {
        const ssize_t n = ::send(c.fd, c.outbox.data() + sent, c.outbox.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        const int event = ErrorEventOf(errno, true);
        dropClient(id, event < 0 ? std::string() : TCPErrorName(event) + " Code: " + std::to_string(errno));
        return false;
    }
    c.outbox.erase(0, sent);
    c.writable->setEnabled(!c.outbox.empty());
    return true;
}

void TCPServer::turn() {
    std::vector<ClientId> waiting;
    for (const auto& [id, client] : clients_)
        if (!client->inbox.empty()) waiting.push_back(id);
    for (ClientId id : waiting) {
        const auto found = clients_.find(id);
        if (found != clients_.end()) serve(id, *found->second);
    }
}

void TCPServer::scheduleTurn() {
    if (!turnTimer_->isActive()) turnTimer_->start();
}

void TCPServer::dropClient(ClientId id, const std::string& errorText) {
    const auto found = clients_.find(id);
    if (found == clients_.end()) return;
    Client& c = *found->second;
    if (!errorText.empty()) system_.log.LogCommEvent("TCP/IP: " + errorText + " " + c.address);
    system_.log.LogCommEvent("TCP/IP: Disonnected " + c.address);
    channel_.ClientGone(id);
    // The notifiers may be the sender of the signal being handled: delete them later.
    for (QSocketNotifier* n : {c.readable, c.writable}) {
        n->setEnabled(false);
        n->deleteLater();
    }
    ::close(c.fd);
    clients_.erase(found);
}

void TCPServer::dropAllClients() {
    std::vector<ClientId> ids;
    for (const auto& [id, client] : clients_) ids.push_back(id);
    for (ClientId id : ids) dropClient(id);
}

void TCPServer::scheduleHeldCommands() {
    if (channel_.heldCount() > 0 && !heldTimer_->isActive()) heldTimer_->start();
}

}  // namespace orv
