#pragma once
// orvctl's connection to the TCP/IP command server: blocking writes and reads
// with time-outs. Failures are thrown as CtlFailure with the exit status and
// the one line orvctl prints.

#include <cstdint>
#include <memory>
#include <string>

class QTcpSocket;

namespace orv::ctl {

enum ExitStatus { ExitOk = 0, ExitUsage = 1, ExitConnect = 2, ExitTimeout = 3, ExitMalformed = 4, ExitWaitTimeout = 5,
                  ExitRefused = 6 };

struct CtlFailure {
    int status;
    std::string message;
};

class CtlConnection {
public:
    CtlConnection(std::string host, uint16_t port, int timeoutMs);
    ~CtlConnection();

    void connect();
    void send(const std::string& text);
    // One reply packet, "#" through ";". Text before "#" makes it malformed.
    std::string readPacket();
    // What arrives until nothing more has come for quietMs, at most timeoutMs in
    // all. With `awaitFirst` the first bytes may take the whole time-out (a KAV
    // answer comes once the instrument has replied).
    std::string readUntilQuiet(int quietMs, bool awaitFirst = false);
    // Closes after the written text has gone out.
    void close();

    std::string peer() const { return host_ + ":" + std::to_string(port_); }

private:
    std::string host_;
    uint16_t port_;
    int timeoutMs_;
    std::unique_ptr<QTcpSocket> socket_;
    std::string buffer_;
};

}  // namespace orv::ctl
