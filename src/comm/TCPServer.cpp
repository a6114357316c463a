#include "comm/TCPServer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include "control/System.h"

namespace orv {

namespace {

// Qt stops taking a client's bytes from the network once this much is buffered,
// so a client that floods us is slowed down by TCP itself.
constexpr qint64 ClientReadBuffer = 64 * 1024;
// A client that does not read its answers: its packets wait (unread) until the
// replies already queued for it fall below this.
constexpr qint64 ClientReplyBacklog = 256 * 1024;
// How often held commands are offered to the state machine, ms.
constexpr int HeldCommandPeriodMs = 10;

// The socket error events by Qt's error kinds; -1: not an error worth a line
// (the peer closing is an ordinary disconnection).
int ErrorEventOf(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::RemoteHostClosedError:
        return -1;
    case QAbstractSocket::ConnectionRefusedError:
    case QAbstractSocket::HostNotFoundError:
    case QAbstractSocket::SocketTimeoutError:
        return 3;   // Connection Error
    case QAbstractSocket::NetworkError:
        return 2;   // Read Error
    default:
        return 0;   // General Error
    }
}

// Receives the wake-ups of late replies and nothing else, so it need not look
// at an event to know what it means (the event was made on another thread).
class MailboxWaker final : public QObject {
public:
    explicit MailboxWaker(std::function<void()> onWake) : onWake_(std::move(onWake)) {}
    bool event(QEvent* e) override {
        onWake_();
        return QObject::event(e);
    }

private:
    std::function<void()> onWake_;
};

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
      server_(std::make_unique<QTcpServer>()),
      heldTimer_(std::make_unique<QTimer>()),
      mailbox_(std::make_shared<LateReplyMailbox>()) {
    mailbox_->waker = waker_.get();
    QObject::connect(server_.get(), &QTcpServer::newConnection, context_.get(),
                     [this] { onNewConnection(); });
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
}

TCPServer::~TCPServer() {
    // Cut every connection to our handlers first: closing the sockets below
    // emits their signals, and the handlers must not see a half-destroyed server.
    // KAV exchanges still running find the server gone; replies they posted go
    // with the context.
    {
        std::lock_guard lock(mailbox_->mutex);
        mailbox_->waker = nullptr;
        mailbox_->replies.clear();
    }
    waker_.reset();
    context_.reset();
    heldTimer_->stop();
    for (auto& [socket, client] : clients_) delete socket;
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
    for (auto& [socket, client] : clients_) client->input.clear();
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

void TCPServer::onNewConnection() {
    while (server_->hasPendingConnections()) {
        QTcpSocket* socket = server_->nextPendingConnection();
        if (!socket) break;
        const std::string address = TCPAddressText(socket->peerAddress(), socket->peerPort());
        if (clients_.size() >= MaxClients) {
            system_.log.AddLog("TCP/IP: Refused " + address + ", " + std::to_string(MaxClients) +
                               " clients connected");
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto client = std::make_unique<Client>();
        client->socket = socket;
        client->id = ++lastClientId_;
        client->address = address;
        clients_.emplace(socket, std::move(client));
        system_.log.LogCommEvent("TCP/IP: Accepted " + address);
        system_.log.LogCommEvent("TCP/IP: Connected " + address);

        socket->setReadBufferSize(ClientReadBuffer);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);   // answers are small and awaited
        QObject::connect(socket, &QTcpSocket::readyRead, context_.get(),
                         [this, socket] { onClientRead(socket); });
        QObject::connect(socket, &QTcpSocket::bytesWritten, context_.get(), [this, socket] {
            if (socket->bytesAvailable() > 0 && socket->bytesToWrite() <= ClientReplyBacklog)
                onClientRead(socket);
        });
        QObject::connect(socket, &QTcpSocket::disconnected, context_.get(),
                         [this, socket] { onClientDisconnected(socket); });
        QObject::connect(socket, &QTcpSocket::errorOccurred, context_.get(),
                         [this, socket](QAbstractSocket::SocketError error) {
                             onClientError(socket, int(error));
                         });
        // Bytes may have come with the connection, before readyRead was connected.
        if (socket->bytesAvailable() > 0) onClientRead(socket);
    }
}

void TCPServer::onClientRead(QTcpSocket* socket) {
    const auto found = clients_.find(socket);
    if (found == clients_.end()) return;
    Client& client = *found->second;
    if (client.awaitingReply) {
        takeStopWhileWaiting(client);
        return;   // the rest is run once the late reply has gone
    }
    if (socket->bytesToWrite() > ClientReplyBacklog) return;   // resumed by bytesWritten

    const QByteArray data = socket->readAll();
    processInput(client, std::string_view(data.constData(), size_t(data.size())));
}

void TCPServer::processInput(Client& client, std::string_view data) {
    QTcpSocket* socket = client.socket;
    const size_t dropped = client.input.TCPReceive(data, [&](const std::string& packet) {
        const TCPAnswer answer = channel_.ExecuteTCPPacket(packet, client.id, lateReplyTo(client));
        if (answer.reply) socket->write(answer.reply->data(), qint64(answer.reply->size()));
        // The client's replies keep the order of its packets: the next waits for this one.
        if (answer.later) client.awaitingReply = true;
        return !answer.later;
    });
    if (dropped > 0) {
        system_.log.AddLog("TCP/IP: Packet without \";\" dropped after " + std::to_string(dropped) +
                           " characters " + client.address);
    }
    scheduleHeldCommands();
}

void TCPServer::takeStopWhileWaiting(Client& client) {
    // What the client sends meanwhile waits in its input, up to the longest text
    // a client may leave there; beyond that in the socket.
    const size_t pending = client.input.pending().size();
    if (pending >= TCPMaxPendingText) return;
    const QByteArray data = client.socket->read(qint64(TCPMaxPendingText - pending));
    const auto overtaken = client.input.TakeStop(std::string_view(data.constData(), size_t(data.size())),
                                                 TCPIsStopPacket, TCPReadsOnly);
    if (!overtaken) return;
    if (overtaken->discarded > 0) {
        system_.log.AddLog("TCP/IP: " + std::to_string(overtaken->discarded) +
                           " packets before a stop discarded " + client.address);
    }
    channel_.ExecuteTCPPacket(overtaken->stop, client.id);
}

TCPLateReply TCPServer::lateReplyTo(const Client& client) {
    return [mailbox = mailbox_, socket = client.socket, id = client.id](std::string text) {
        std::lock_guard lock(mailbox->mutex);
        if (!mailbox->waker) return;
        const bool wake = mailbox->replies.empty();
        mailbox->replies.push_back({socket, id, std::move(text)});
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
    for (const auto& r : replies) onLateReply(r.socket, r.id, r.text);
}

void TCPServer::onLateReply(QTcpSocket* socket, TCPClientId id, const std::string& text) {
    const auto found = clients_.find(socket);
    if (found == clients_.end() || found->second->id != id) return;   // the client has gone
    Client& client = *found->second;
    socket->write(text.data(), qint64(text.size()));
    client.awaitingReply = false;
    // Then what the client sent meanwhile.
    processInput(client, {});
    if (!client.awaitingReply && socket->bytesAvailable() > 0) onClientRead(socket);
}

void TCPServer::onClientDisconnected(QTcpSocket* socket) {
    // A host may send its last command and close at once ("#13;" and gone):
    // what came before the close still counts.
    if (socket->bytesAvailable() > 0) onClientRead(socket);
    const auto found = clients_.find(socket);
    if (found == clients_.end()) return;
    system_.log.LogCommEvent("TCP/IP: Disonnected " + found->second->address);
    channel_.ClientGone(found->second->id);
    clients_.erase(found);
    socket->deleteLater();
}

void TCPServer::onClientError(QTcpSocket* socket, int qtError) {
    const int event = ErrorEventOf(QAbstractSocket::SocketError(qtError));
    if (event < 0) return;
    const auto found = clients_.find(socket);
    const std::string address = found != clients_.end()
                                    ? found->second->address
                                    : TCPAddressText(socket->peerAddress(), socket->peerPort());
    system_.log.LogCommEvent("TCP/IP: " + TCPErrorName(event) + " Code: " + std::to_string(qtError) +
                             " " + address);
}

void TCPServer::dropAllClients() {
    for (auto& [socket, client] : clients_) {
        QObject::disconnect(socket, nullptr, context_.get(), nullptr);
        system_.log.LogCommEvent("TCP/IP: Disonnected " + client->address);
        channel_.ClientGone(client->id);
        socket->abort();
        socket->deleteLater();
    }
    clients_.clear();
}

void TCPServer::scheduleHeldCommands() {
    if (channel_.heldCount() > 0 && !heldTimer_->isActive()) heldTimer_->start();
}

}  // namespace orv
