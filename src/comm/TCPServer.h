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
// The server holds up against careless and hostile clients: each client is
// served a bounded number of packets per turn of the event loop, so a flooding
// client cannot delay the others; a client that has shut down its sending side
// still gets the answers to everything it sent; keep-alive finds peers that
// vanished, and when every place is taken a client idle for over a minute gives
// its place to a newcomer.
//
// All members must be used on the thread that runs the Qt event loop.

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include <QHostAddress>

#include "comm/TCPPacket.h"
#include "core/ChannelDefaults.h"

class QObject;
class QSocketNotifier;
class QTcpServer;
class QTimer;

namespace orv {

class System;

class TCPServer {
public:
    static constexpr uint16_t DefaultPort = DefaultTCPPort;
    static constexpr size_t MaxClients = 32;
    // When the server is full, a client that has sent nothing for longer than
    // this (system clock, ms) gives its place to a newcomer.
    static constexpr int64_t IdleEvictionMs = 60000;
    // Packets of one client executed per turn of the event loop: a few hundred
    // microseconds of work, so eight flooding clients delay a ninth's answer by
    // no more than a few milliseconds.
    static constexpr size_t PacketsPerTurn = 16;

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
        int fd = -1;
        QSocketNotifier* readable = nullptr;   // children of context_
        QSocketNotifier* writable = nullptr;
        TCPInput input;
        std::string inbox;     // received, not yet cut into packets
        std::string outbox;    // replies not yet sent
        std::string address;   // "Addr: ... Port: ..." of the remote end, kept for the log
        int64_t lastHeardMs = 0;   // system clock of the last bytes received
        bool peerClosed = false;   // the peer sends no more: answer what came, then close
        bool awaitingReply = false;   // a KAV query of this client is running
        TCPLateReply lateReply;       // where its KAV answers go, made once per connection
    };
    using ClientId = TCPClientId;   // also names the client to the command channel; never reused

    // Where late replies, made on other threads, wait for the main thread: a
    // mailbox under a standard mutex, and a wake-up event to the waker while it
    // lives.
    struct LateReply {
        ClientId id;
        std::string text;
    };
    struct LateReplyMailbox {
        std::mutex mutex;
        QObject* waker = nullptr;   // null once the server is going
        std::deque<LateReply> replies;
    };

    void onIncoming(int fd);
    bool evictIdlest();
    void onReadable(ClientId id);
    void onWritable(ClientId id);
    // Executes up to PacketsPerTurn packets of the client and sends the answers;
    // false when the client is gone.
    bool serve(ClientId id, Client& client);
    // Runs the client's complete packets, and up to PacketsPerTurn more from its
    // inbox, until one answers later.
    void execute(ClientId id, Client& client);
    // While the client waits for a KAV reply: its stop runs at once, and what it
    // sent before the stop that does more than read is discarded.
    void takeStopWhileWaiting(ClientId id, Client& client);
    TCPLateReply lateReplyTo(ClientId id);
    void deliverLateReplies();
    void onLateReply(ClientId id, const std::string& text);
    bool flush(ClientId id, Client& client);
    void turn();
    void scheduleTurn();
    void dropClient(ClientId id, const std::string& errorText = {});
    void dropAllClients();
    void scheduleHeldCommands();

    System& system_;
    TCPCommandChannel channel_;
    std::unique_ptr<QObject> context_;   // receiver of every signal connection and parent of the notifiers
    std::unique_ptr<QObject> waker_;     // receiver of the late replies' wake-ups
    std::unique_ptr<QTcpServer> server_;
    std::unique_ptr<QTimer> heldTimer_;
    std::unique_ptr<QTimer> turnTimer_;   // the next turn for clients with packets left
    std::shared_ptr<LateReplyMailbox> mailbox_;
    std::map<ClientId, std::unique_ptr<Client>> clients_;
    ClientId nextId_ = 1;
    int mode_ = 0;
    uint16_t port_ = DefaultPort;
    QHostAddress bindAddress_{QHostAddress::Any};
};

// "Addr: " + dotted address + " Port: " + port; IPv4 addresses seen through a
// dual-stack socket are shown in their IPv4 form. A null address gives an empty
// address and port -1.
std::string TCPAddressText(const QHostAddress& address, int port);

}  // namespace orv
