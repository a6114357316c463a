#pragma once
// The TCP/IP command server `ServerSocket1`: a listening socket on the main
// thread's event loop. Each client's text is cut into packets on its own, the
// packets run through the command channel, and every reply goes back to the
// client that asked. A KAV query runs its instrument exchange off this thread;
// its reply goes to the asking client when the exchange ends, that client's
// later packets wait for it, and the other clients are served meanwhile. A
// stop among the waiting packets does not wait: it runs at once, and the
// packets before it that do more than read are discarded, as a stop discards
// every command sent before it.
//
// All members must be used on the thread that runs the Qt event loop.

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include <QHostAddress>

#include "comm/TCPPacket.h"

class QObject;
class QTcpServer;
class QTcpSocket;
class QTimer;

namespace orv {

class System;

class TCPServer {
public:
    static constexpr uint16_t DefaultPort = 5003;
    static constexpr size_t MaxClients = 32;

    explicit TCPServer(System& system);
    ~TCPServer();
    TCPServer(const TCPServer&) = delete;
    TCPServer& operator=(const TCPServer&) = delete;

    // `TCPMode`: 0 switches the server off (and drops the clients), any other
    // value makes it listen. Every call discards the clients' pending text.
    // Returns the operator message when the port cannot be listened on; Orv
    // goes on without the server then.
    std::optional<std::string> SetTCPMode(int mode);
    int TCPMode() const { return mode_; }

    // The port the next activation listens on (0: any free port).
    void setPort(uint16_t port) { port_ = port; }
    uint16_t port() const { return port_; }
    // The interface the next activation listens on; default every interface.
    void setBindAddress(const QHostAddress& address) { bindAddress_ = address; }
    // Accepts a dotted IPv4/IPv6 text; false (address unchanged) if it is none.
    bool setBindAddress(const std::string& address);

    bool active() const;
    // The port actually listened on (the one chosen when port() is 0); 0 when off.
    uint16_t serverPort() const;
    size_t clientCount() const { return clients_.size(); }

    // Where the KAV status queries get their answers once the KAV link exists.
    void setKAVQueries(TCPKAVQueries queries) { channel_.setKAVQueries(std::move(queries)); }

private:
    struct Client {
        QTcpSocket* socket = nullptr;
        TCPClientId id = 0;    // names the client to the command channel; never reused
        TCPInput input;
        std::string address;   // "Addr: ... Port: ..." of the remote end, kept for the log
        bool awaitingReply = false;   // a KAV query of this client is running
    };
    // Where late replies, made on other threads, wait for the main thread: a
    // mailbox under a standard mutex, and a wake-up event to the waker while it
    // lives.
    struct LateReply {
        QTcpSocket* socket;
        TCPClientId id;
        std::string text;
    };
    struct LateReplyMailbox {
        std::mutex mutex;
        QObject* waker = nullptr;   // null once the server is going
        std::deque<LateReply> replies;
    };

    void onNewConnection();
    void onClientRead(QTcpSocket* socket);
    // Runs the client's complete packets until one answers later.
    void processInput(Client& client, std::string_view data);
    // While the client waits for a KAV reply: its stop runs at once, and what it
    // sent before the stop that does more than read is discarded.
    void takeStopWhileWaiting(Client& client);
    TCPLateReply lateReplyTo(const Client& client);
    void deliverLateReplies();
    void onLateReply(QTcpSocket* socket, TCPClientId id, const std::string& text);
    void onClientDisconnected(QTcpSocket* socket);
    void onClientError(QTcpSocket* socket, int qtError);
    void dropAllClients();
    void scheduleHeldCommands();

    System& system_;
    TCPCommandChannel channel_;
    std::unique_ptr<QObject> context_;   // receiver of every signal connection, cut first on destruction
    std::unique_ptr<QObject> waker_;     // receiver of the late replies' wake-ups
    std::unique_ptr<QTcpServer> server_;
    std::unique_ptr<QTimer> heldTimer_;
    std::shared_ptr<LateReplyMailbox> mailbox_;
    std::map<QTcpSocket*, std::unique_ptr<Client>> clients_;
    int mode_ = 0;
    TCPClientId lastClientId_ = 0;
    uint16_t port_ = DefaultPort;
    QHostAddress bindAddress_{QHostAddress::Any};
};

// "Addr: " + dotted address + " Port: " + port; IPv4 addresses seen through a
// dual-stack socket are shown in their IPv4 form. A null address gives an empty
// address and port -1.
std::string TCPAddressText(const QHostAddress& address, int port);

}  // namespace orv
