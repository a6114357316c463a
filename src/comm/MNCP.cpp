#include "comm/MNCP.h"

#include "comm/serial/PortHelpers.h"
#include "control/System.h"

namespace orv {

namespace {

// Pause after each frame, ms.
constexpr int64_t PassPauseMs = 5;
// The pass of a channel that is off (or failed), ms.
constexpr int64_t IdlePassMs = 50;
// How long stopping the channel waits for the poll to finish its pass, ms.
constexpr int64_t HeartbeatWaitMs = 1000;
// This device's link address.
constexpr int DeviceAddress = 1;

}  // namespace

MNCPChannel::MNCPChannel(System& system)
    : system_(system), held_(system, "MNCP"), interpreter_(system, held_) {
    MNCPInit();
    MNCPComPort.setAbortFlag(&system_.terminating);
    system_.AttachChannelPoll(ChannelThread::MNCP, {[this] { MNCPPoll(); }, [this] { MNCPComPort.Wake(); }});
}

MNCPChannel::~MNCPChannel() {
    StopMNCPChannel();
    system_.DetachChannelPoll(ChannelThread::MNCP);
}

void MNCPChannel::MNCPInit() {
    sequence_ = 0;
    address_ = DeviceAddress;
    link_.clear();
    const auto packet = BuildPacket(uint8_t(address_), MNCPReplyEmpty, 0, "");
    std::copy(packet->begin(), packet->end(), TxPacket.begin());
    TxLength = int(packet->size());
}

void MNCPChannel::MNCPPoll() {
    if (mode_.load() == 1) {
        MNCPPass(MNCPComPort);
    } else {
        held_.clear();
        system_.sleep(IdlePassMs);
    }
    alive_ = 1;
}

void MNCPChannel::MNCPPass(TCommPort& port) {
    const Writer write = [&port](const uint8_t* bytes, size_t count) { port.WriteBuffer(bytes, count); };
    try {
        for (;;) {
            // A command waiting for the state machine gets its turn between the bytes.
            held_.pumpUntilInput(port);
            if (MNCPHandleByte(PortReadByte(port), write)) break;
        }
        system_.sleep(PassPauseMs);
    } catch (const std::exception&) {
        // A closed port or a line error ends the pass quietly; while the channel
        // stays on (a port that failed to open, a hung-up line) pause, so the
        // thread does not spin on the failure.
        if (mode_.load() == 1) system_.sleep(IdlePassMs);
    }
}

bool MNCPChannel::MNCPHandleByte(uint8_t b, const Writer& write) {
    const auto length = link_.ReceiveByte(b);
    if (!length) return false;
    MNCPHandleFrame(*length, write);
    return true;
}

void MNCPChannel::MNCPHandleFrame(int length, const Writer& write) {
    const uint8_t* frame = link_.RxBuffer.data();
    if (!MNCPFrameSumOK(frame, size_t(length))) return;
    // A frame too short for address, control and check bytes carries nothing.
    const auto f = SplitFrame(frame, size_t(length));
    if (!f || f->address != address_) return;
    if (f->type == MNCPCommand) {
        if (f->sequence == sequence_) {
            ResendLast(write);
            return;
        }
        sequence_ = f->sequence;
        // The payload lives in the receive buffer, which the reply clears: copy it first.
        const std::string payload(f->payload);
        SendReply(interpreter_.ExecuteMNCPCommand(payload), write);
    } else if (f->type == MNCPReset) {
        sequence_ = 0;
        SendReply("", write);
    }
}

void MNCPChannel::SendReply(const std::string& text, const Writer& write) {
    link_.clear();
    const auto packet =
        BuildPacket(uint8_t(address_), text.empty() ? MNCPReplyEmpty : MNCPReplyText, sequence_, text);
    if (!packet) {
        TxLength = -1;
        return;
    }
    std::copy(packet->begin(), packet->end(), TxPacket.begin());
    TxLength = int(packet->size());
    write(TxPacket.data(), size_t(TxLength));
}

void MNCPChannel::ResendLast(const Writer& write) {
    link_.clear();
    if (TxLength > 0) write(TxPacket.data(), size_t(TxLength));
}

void MNCPChannel::SetMNCPMode(int mode) {
    StopMNCPChannel();
    mode_ = mode;
    MNCPComPort.SetPortActive(mode == 1);
}

void MNCPChannel::StopMNCPChannel() {
    if (mode_.load() == 0 && !MNCPComPort.PortActive()) return;
    alive_ = 0;
    mode_ = 0;
    MNCPComPort.ClosePort();
    // The poll finishes the pass it was in and beats; no thread runs it while the system is stopped.
    if (!system_.running() || system_.isTerminating()) return;
    TTimeout timeout(system_.clock);
    timeout.start(HeartbeatWaitMs);
    while (alive_.load() == 0 && !timeout.expired()) {
        if (!system_.sleep(5)) break;
    }
}

}  // namespace orv
