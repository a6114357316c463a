#pragma once
// The MNCP channel: framed, checksummed text commands from a host on a serial
// line. Every accepted command packet is answered with a reply packet carrying
// the host's sequence number; a repeated sequence number gets the stored reply
// again without running the command twice.
//
// The poll runs on the eighth task thread and owns the link state; SetMNCPMode
// and StopMNCPChannel run on the main thread and meet the poll only through
// MNCPAlive and the closing of the port.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "comm/MNCPCommand.h"
#include "comm/MNCPLink.h"
#include "comm/SerialHeldCommands.h"
#include "comm/serial/CommPort.h"

namespace orv {

class System;

class MNCPChannel {
public:
    using Writer = std::function<void(const uint8_t* bytes, size_t count)>;

    // Runs MNCPInit and attaches the poll to the system's eighth thread; the channel starts off.
    explicit MNCPChannel(System& system);
    ~MNCPChannel();
    MNCPChannel(const MNCPChannel&) = delete;
    MNCPChannel& operator=(const MNCPChannel&) = delete;

    TCommPort MNCPComPort;

    int MNCPMode() const { return mode_.load(); }
    uint8_t MNCPAlive() const { return alive_.load(); }

    // Sequence 0, address 1, the receive state cleared, the stored packet an empty reply.
    void MNCPInit();
    void MNCPPoll();
    // Receives one frame from `port`, executes it and replies.
    void MNCPPass(TCommPort& port);
    void SetMNCPMode(int mode);
    void StopMNCPChannel();

    // Takes one received byte; when it completes a frame, the frame is checked
    // and executed and the reply goes to `write`. True when a frame ended.
    bool MNCPHandleByte(uint8_t b, const Writer& write);

    int MNCPSequence() const { return sequence_; }
    int MNCPAddress() const { return address_; }
    MNCPInterpreter& interpreter() { return interpreter_; }

private:
    void MNCPHandleFrame(int length, const Writer& write);
    void SendReply(const std::string& text, const Writer& write);
    void ResendLast(const Writer& write);

    System& system_;
    SerialHeldCommands held_;
    MNCPInterpreter interpreter_;
    MNCPReceiver link_;
    std::array<uint8_t, MNCPPacketCapacity> TxPacket{};
    int TxLength = 0;   // negative: the last reply could not be built
    int sequence_ = 0;
    int address_ = 1;
    std::atomic<int> mode_{0};
    std::atomic<uint8_t> alive_{0};
};

}  // namespace orv
