#pragma once
// The host's side of the serial protocols, for orvctl and for people testing a
// cable: an ExCom host that sends command numbers and reads the CR-terminated
// reply lines, and an MNCP host that frames a command text, waits for the reply
// frame and sends the same packet again when none comes in time.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "comm/MNCPLink.h"

namespace orv {

class TCommPort;

// Why an exchange failed: no answer in time, an answer that is not one, or the line.
class SerialHostError : public std::runtime_error {
public:
    enum Kind { Timeout, Malformed, Line };
    SerialHostError(Kind kind, const std::string& message) : std::runtime_error(message), kind(kind) {}
    Kind kind;
};

// "6 10.5 -20.25 2000" + CR: the code and its arguments, separated by blanks.
std::string ExComCommandText(int code, const std::vector<double>& args = {});
// The number of CR-terminated lines ExCom answers `code` with (25: 8, 26: 3,
// 28: 5, 29: 14); 0 for commands without an answer; -1 for the KAV texts (43,
// 44), whose length the host cannot know.
int ExComReplyLineCount(int code);
// One reply line without its CR: blanks, then a number ('  12.500000').
std::optional<double> ParseExComLine(std::string_view line);

class ExComHost {
public:
    ExComHost(TCommPort& port, int timeoutMs) : port_(port), timeoutMs_(timeoutMs) {}

    void command(int code, const std::vector<double>& args = {});
    // Sends a query and reads its lines.
    std::vector<double> query(int code);
    // Sends `text` as it is; what comes back within `firstMs`, and after that
    // until the line has been quiet for `quietMs`.
    std::string raw(const std::string& text, int firstMs, int quietMs);

    // One byte within the time-out, nullopt when none came.
    std::optional<uint8_t> readByte(int timeoutMs);

private:
    std::string readLine();

    TCommPort& port_;
    int timeoutMs_;
};

class MNCPHost {
public:
    // Each attempt waits `timeoutMs` for its reply; an unanswered packet is sent
    // again up to `retries` times with the same sequence number.
    MNCPHost(TCommPort& port, int timeoutMs, int retries, uint8_t address = 1)
        : port_(port), timeoutMs_(timeoutMs), retries_(retries), address_(address) {}

    // A reset packet: the device's sequence starts over at 0. Do this first: a
    // device that still holds the sequence number of an earlier host would take
    // the next command for a repetition.
    void reset();
    // Sends `text` as a command; the reply text, empty for a reply without text.
    std::string command(const std::string& text);
    // Packets sent in all, retransmissions included.
    int packetsSent() const { return sent_; }

private:
    std::string exchange(const std::vector<uint8_t>& packet, int sequence);

    TCommPort& port_;
    int timeoutMs_;
    int retries_;
    uint8_t address_;
    int sequence_ = 0;
    int sent_ = 0;
    MNCPReceiver rx_;
};

}  // namespace orv
