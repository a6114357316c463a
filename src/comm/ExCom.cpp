#include "comm/ExCom.h"

#include <cmath>

#include "astro/TextFormats.h"
#include "comm/TCPPacket.h"
#include "comm/serial/PortHelpers.h"
#include "control/System.h"

namespace orv {

namespace {

// Pause after each command, ms: the host's next command comes in the next pass.
constexpr int64_t PassPauseMs = 50;
// Pause of the status query before it reads the words, ms: a command sent just
// before it has been taken by the state machine by then.
constexpr int64_t StatusPauseMs = 250;
// How long stopping the channel waits for the poll to finish its pass, ms.
constexpr int64_t HeartbeatWaitMs = 1000;
// Integer-part width of every reply value.
constexpr int ReplyWidth = 4;
constexpr char CR = '\r';

}  // namespace

ExComCode ExComCodeOf(int code) {
    using K = ExComCodeKind;
    switch (code) {
    case 1: case 14: case 23: return {K::SetState, 4};
    case 2: case 4: case 5: case 8: case 9: case 15: case 16: case 18: case 19: case 20: case 21: case 22:
    case 27: case 32: case 34: case 42:
        return {K::SetState, 1};
    case 3: case 6: case 17: return {K::SetState, 3};
    case 7: case 33: case 41: return {K::SetState, 2};
    case 10: case 11: case 12: case 30: return {K::SetState, 0};
    case 24: return {K::SetState, 8};
    case 13: return {K::Stop, 0};
    case 25: return {K::Position, 0};
    case 26: return {K::Status, 0};
    case 28: return {K::Target, 0};
    case 29: return {K::Full, 0};
    case 43: return {K::KAVStatus, 0};
    case 44: return {K::KAVPort, 0};
    default: return {};
    }
}

int ExComCommandNumber(double c) {
    // Outside this range no code exists; it also keeps the conversion defined.
    if (!std::isfinite(c) || c < -1.0 || c > 1000.0) return -1;
    return static_cast<int>(std::nearbyint(c));   // the default rounding: halves to even
}

std::string ExComBlockText(const std::vector<ReplyValue>& values) {
    std::string text;
    for (const auto& v : values) {
        text += FormatFloatField(v.x, ReplyWidth, v.decimals);
        text += CR;
    }
    return text;
}

ExComChannel::ExComChannel(System& system) : system_(system), held_(system, "ExCom") {
    ExComPort.setAbortFlag(&system_.terminating);
    system_.AttachChannelPoll(ChannelThread::ExCom, {[this] { ExComPoll(); }, [this] { ExComPort.Wake(); }});
}

ExComChannel::~ExComChannel() {
    StopExComChannel();
    system_.DetachChannelPoll(ChannelThread::ExCom);
}

void ExComChannel::ExComPoll() {
    const int mode = mode_.load();
    if (mode == 1) {
        ExComPass(ExComPort);
    } else {
        // Commands that waited for the state machine go with the channel.
        held_.clear();
        // Off, or a mode this channel does not know: wait instead of spinning.
        system_.sleep(PassPauseMs);
    }
    alive_ = 1;
}

void ExComChannel::ExComPass(TCommPort& port) {
    try {
        // A command waiting for the state machine gets its turn between the bytes.
        ExecuteExComCommand([this, &port] {
                                held_.pumpUntilInput(port);
                                return PortReadByte(port);
                            },
                            [&port](const std::string& text) { port.WriteText(text); });
        system_.sleep(PassPauseMs);
    } catch (const std::exception&) {
        // A closed port, a line error or a number that does not convert ends the
        // pass quietly. While the channel stays on (a port that failed to open,
        // a hung-up line), pause so the thread does not spin on the failure.
        if (mode_.load() == 1) system_.sleep(PassPauseMs);
    }
}

void ExComChannel::ExecuteExComCommand(const ByteSource& next,
                                       const std::function<void(const std::string&)>& reply) {
    const double c = ExComReadNumber(next);
    system_.log.LogCommEvent("ExCom Command: " + FormatFixed(c, 2));
    const int n = ExComCommandNumber(c);
    const ExComCode code = ExComCodeOf(n);
    auto& s = system_.state;

    // Queries read the shared state and leave StateCode alone: a command sent
    // just before one and not yet taken by the state machine still runs.
    switch (code.kind) {
    case ExComCodeKind::None:
        return;
    case ExComCodeKind::Stop:
        held_.stop();
        return;
    case ExComCodeKind::SetState: {
        // The arguments are collected first and written with the code, so a
        // command cut short leaves CommandParam as it was.
        std::vector<double> params;
        for (int i = 0; i < code.arguments; ++i) params.push_back(ExComReadNumber(next));
        held_.submit(n, std::move(params));
        return;
    }
    case ExComCodeKind::Position:
        reply(ExComBlockText(PositionBlockValues(s)));
        return;
    case ExComCodeKind::Status:
        system_.sleep(StatusPauseMs);
        reply(std::to_string(s.StatusFlags1.load()) + CR + std::to_string(s.StatusFlags2.load()) + CR +
              std::to_string(s.StatusFlags3.load()) + CR);
        return;
    case ExComCodeKind::Target:
        reply(ExComBlockText(TargetBlockValues(s)));
        return;
    case ExComCodeKind::Full:
        reply(ExComBlockText(FullBlockValues(system_)));
        return;
    case ExComCodeKind::KAVStatus:
        reply(kav_.statusAll ? kav_.statusAll() : KAVNoAnswerText());
        return;
    case ExComCodeKind::KAVPort:
        reply(kav_.portStatus ? kav_.portStatus() : KAVNoAnswerText());
        return;
    }
}

void ExComChannel::SetExComMode(int mode) {
    StopExComChannel();
    mode_ = mode;
    ExComPort.SetPortActive(mode == 1);
}

void ExComChannel::StopExComChannel() {
    if (mode_.load() == 0 && !ExComPort.PortActive()) return;
    alive_ = 0;
    mode_ = 0;
    ExComPort.ClosePort();
    // The poll finishes the pass it was in and beats; no thread runs it while the system is stopped.
    if (!system_.running() || system_.isTerminating()) return;
    TTimeout timeout(system_.clock);
    timeout.start(HeartbeatWaitMs);
    while (alive_.load() == 0 && !timeout.expired()) {
        if (!system_.sleep(5)) break;
    }
}

}  // namespace orv
