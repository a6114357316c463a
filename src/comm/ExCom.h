#pragma once
// The ExCom channel: a host on a serial line sends a command number and its
// arguments as plain ASCII numbers; the channel writes them through the
// Commander, and answers the queries (25, 26, 28, 29, 43, 44) at once with
// CR-terminated lines of numbers. No framing, no checksum, no acknowledgement.
//
// The poll runs on the seventh task thread; SetExComMode and StopExComChannel
// run on the main thread and meet the poll only through ExComAlive and the
// closing of the port, which ends a blocked read at once.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "comm/ExComReader.h"
#include "comm/ReplyBlocks.h"
#include "comm/SerialHeldCommands.h"
#include "comm/serial/CommPort.h"

namespace orv {

class System;

// Where the KAV status queries (43, 44) get their answers once the KAV link
// exists; an empty function answers "-9999" CR.
struct ExComKAVQueries {
    std::function<std::string()> statusAll;    // GetKAVStatusAll
    std::function<std::string()> portStatus;   // GetKAVPortStatus
};

// What an ExCom code does.
enum class ExComCodeKind { None, SetState, Stop, Position, Status, Target, Full, KAVStatus, KAVPort };
struct ExComCode {
    ExComCodeKind kind = ExComCodeKind::None;
    int arguments = 0;   // numbers read before the state code is written
};
ExComCode ExComCodeOf(int code);

// The command number of a received number: rounded to the nearest integer,
// halves to even (6.5 is 6, 7.5 is 8); -1 for anything outside the table's range.
int ExComCommandNumber(double c);

// A reply block as it goes on the line: each value in fixed point with its
// decimals, its integer part padded with blanks to 4 characters, then CR.
std::string ExComBlockText(const std::vector<ReplyValue>& values);

class ExComChannel {
public:
    // Attaches the poll to the system's seventh thread; the channel starts off.
    explicit ExComChannel(System& system);
    // Switches the channel off and detaches the poll.
    ~ExComChannel();
    ExComChannel(const ExComChannel&) = delete;
    ExComChannel& operator=(const ExComChannel&) = delete;

    // The line to the host. Set Port or DevicePath and the line settings
    // before switching the channel on.
    TCommPort ExComPort;

    // 0 no connection, 1 serial port; other values keep the port closed.
    int ExComMode() const { return mode_.load(); }
    uint8_t ExComAlive() const { return alive_.load(); }

    // The task callback: one pass, then the heartbeat.
    void ExComPoll();
    // Reads and executes one command from `port`.
    void ExComPass(TCommPort& port);
    // Stops the channel, sets the mode, then opens (mode 1) or leaves closed the
    // port. An open failure raises EOpenComError with the mode already set.
    void SetExComMode(int mode);
    // Mode 0 and the port closed; waits (at most 1000 ms) until the poll has
    // finished the pass it was in.
    void StopExComChannel();

    // Reads one command from `next` and executes it; replies go to `reply`.
    // Throws what the reading throws. The pass without the port and the pause.
    void ExecuteExComCommand(const ByteSource& next, const std::function<void(const std::string&)>& reply);

    // Set before the channel is switched on.
    void setKAVQueries(ExComKAVQueries queries) { kav_ = std::move(queries); }

private:
    System& system_;
    SerialHeldCommands held_;
    ExComKAVQueries kav_;
    std::atomic<int> mode_{0};
    std::atomic<uint8_t> alive_{0};
};

}  // namespace orv
