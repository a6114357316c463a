#include "comm/KAVLink.h"

#include <algorithm>
#include <tuple>

#include "control/System.h"
#include "core/PortLayer.h"

namespace orv {

namespace {

// How long one look at the line waits for a byte, real ms: the deadlines are
// system time and are checked between looks.
constexpr int WaitSliceMs = 5;
// How often a host's query looks whether the state machine is still at a KAV command, ms.
constexpr int64_t HostPollMs = 10;

// The instrument did not answer within the time it has.
struct KAVNoReply {};
// It answered, but not a readback.
struct KAVBadReply {};

// The state machine's KAV commands.
constexpr int SetMotorCode = 41, SetPortCode = 42;
bool IsKAVCode(int code) { return code == SetMotorCode || code == SetPortCode; }

std::string HexBytes(const std::string& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (!out.empty()) out += ' ';
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

}  // namespace

KAVLink::KAVLink(System& system) : system_(system) {
    KAVComPort.setAbortFlag(&interrupt_);
    worker_ = std::thread([this] { workerLoop(); });
    // The state machine's commands end at the first stop after they were taken.
    system_.kav.attach(
        {[this](int device, int position) { return setMotor(device, position, system_.state.StopGeneration.load()); },
         [this](int value) { return setPort(value, system_.state.StopGeneration.load()); }, [this] { Stop(); }});
}

KAVLink::~KAVLink() {
    Stop();
    {
        std::lock_guard lock(jobsMutex_);
        jobsEnd_ = true;
    }
    jobsWake_.notify_all();
    worker_.join();
    system_.kav.detach();
    KAVComPort.ClosePort();
}

void KAVLink::SetKAVMode(int mode) {
    mode_ = 0;
    KAVComPort.ClosePort();
    if (mode != 1) {
        mode_ = mode;
        return;
    }
    KAVComPort.OpenPort();
    mode_ = KAVComPort.PortActive() ? 1 : 0;
}

// ---- status panel, display, log --------------------------------------------

void KAVLink::SetKAVStatus(const std::string& text, KAVColour colour) {
    std::lock_guard lock(statusMutex_);
    status_ = {text, colour};
    if (observer_) observer_->KAVStatusChanged(text, colour);
}

KAVStatus KAVLink::Status() const {
    std::lock_guard lock(statusMutex_);
    return status_;
}

void KAVLink::setStatusObserver(KAVStatusObserver* observer) {
    std::lock_guard lock(statusMutex_);
    observer_ = observer;
}

KAVDisplay KAVLink::Display() const {
    std::lock_guard lock(statusMutex_);
    return display_;
}

void KAVLink::KAVLog(const std::string& text) {
    if (LogCommunicationDetails.load()) system_.log.AddLog(text);
}

GuideProbePosition KAVLink::ReadGuideProbe() {
    const int x = ReadADChannel(system_.bus, system_.clock, system_.locks.ADCLock, GuideProbeXChannel,
                                &system_.terminating);
    const int y = ReadADChannel(system_.bus, system_.clock, system_.locks.ADCLock, GuideProbeYChannel,
                                &system_.terminating);
    return GuideProbeFromADU(x, y);
}

// ---- cancelling --------------------------------------------------------------

void KAVLink::beginOperation(std::optional<uint32_t> stopGeneration) {
    interrupt_ = stopped_.load();
    untilStop_ = stopGeneration;
}

bool KAVLink::interrupted() const {
    return interrupt_.load() || (untilStop_ && system_.state.StopGeneration.load() != *untilStop_);
}

void KAVLink::Cancel() {
    interrupt_ = true;
    KAVComPort.Wake();
    system_.clock.wakeAll();
}

void KAVLink::Stop() {
    stopped_ = true;
    Cancel();
}

// ---- the steps of an exchange ----------------------------------------------

void KAVLink::noResponse() {
    SetKAVStatus("No Response", KAVColour::Red);
    KAVLog("KAV: No Response.");
    KAVLog("KAV: Check serial connection");
    KAVLog("KAV: Check KAV power");
}

void KAVLink::discardInput() {
    // Bytes from before this exchange (a late answer to one that gave up) are
    // no answer to it.
    const size_t stale = KAVComPort.InputCount();
    if (stale == 0) return;
    KAVLog("KAV: Discarded " + HexBytes(KAVComPort.ReadText(stale)));
}

std::string KAVLink::readReply(size_t count, int64_t timeoutMs) {
    std::string reply;
    const int64_t deadline = system_.clock.nowMs() + timeoutMs;
    while (reply.size() < count) {
        if (interrupted() || !KAVComPort.PortActive()) throw ESilentAbort();
        if (const size_t waiting = KAVComPort.InputCount()) {
            reply += KAVComPort.ReadText(std::min(waiting, count - reply.size()));
            continue;
        }
        if (system_.clock.nowMs() >= deadline) {
            if (!reply.empty()) KAVLog("KAV: Incomplete reply " + HexBytes(reply));
            throw KAVNoReply{};
        }
        KAVComPort.WaitForInput(WaitSliceMs);
    }
    return reply;
}

bool KAVLink::KAVAttention() {
    if (interrupted()) return false;   // the program is stopping
    KAVLog("");
    KAVLog("KAV: Attention");
    SetKAVStatus("Attention", KAVColour::Lime);
    if (!KAVComPort.PortActive()) {
        // No line: nothing can answer, so there is nothing to wait for.
        noResponse();
        return false;
    }
    discardInput();
    // Each byte's wait is timed from before it goes, so an answer can never come before its deadline is set.
    int sent = 1;
    int64_t deadline = system_.clock.nowMs() + AttentionPeriodMs;
    KAVComPort.WriteChar(KAVAttentionByte);
    for (;;) {
        if (interrupted()) return false;
        while (KAVComPort.InputCount() > 0) {
            const uint8_t byte = KAVComPort.ReadByte();
            KAVLog("KAV: Handshake: " + std::to_string(byte));
            if (byte == KAVAcknowledgeByte) return true;
        }
        if (!KAVComPort.PortActive()) {
            noResponse();
            return false;
        }
        if (system_.clock.nowMs() >= deadline) {
            if (sent >= AttentionBytes) {
                noResponse();
                return false;
            }
            const std::string retry = std::to_string(sent);
            KAVLog("KAV: Retry: " + retry);
            SetKAVStatus("Retrying " + retry, KAVColour::Yellow);
            ++sent;
            deadline = system_.clock.nowMs() + AttentionPeriodMs;
            KAVComPort.WriteChar(KAVAttentionByte);
            continue;
        }
        KAVComPort.WaitForInput(WaitSliceMs);
    }
}

void KAVLink::KAVCommand(int device, int value) {
    const auto bytes = KAVCommandBytes(device, value);
    KAVComPort.WriteChar(bytes[0]);
    // The second byte follows, after its gap, even when the exchange must end
    // (unless the program does): a half command would take the first byte of
    // the next exchange as its second.
    if (!system_.clock.sleepMs(CommandGapMs, &stopped_)) throw ESilentAbort();
    KAVComPort.WriteChar(bytes[1]);
    if (interrupted()) throw ESilentAbort();
    KAVLog("KAV: Command= " + std::to_string(bytes[0]) + "," + std::to_string(bytes[1]));
    SetKAVStatus("Send Command", KAVColour::Lime);
}

void KAVLink::KAVCommandWithResult(int device, int value) {
    KAVCommand(device, value);
    const uint8_t result = uint8_t(readReply(1, ResultTimeoutMs)[0]);
    KAVLog("KAV: Result=" + std::to_string(result));
    SetKAVStatus("KAV Responded", KAVColour::Lime);
}

int KAVLink::ReadADU(int device) {
    const std::string reply = readReply(KAVReadbackBytes, ReadbackTimeoutMs);
    const auto adu = ParseKAVReadback(reply);
    if (!adu) {
        KAVLog("KAV: Axis=" + std::to_string(device) + " not a readback: " + HexBytes(reply));
        throw KAVBadReply{};
    }
    KAVLog("KAV: Axis=" + std::to_string(device) + " ADU=" + std::to_string(*adu));
    return *adu;
}

int KAVLink::ReadIO() {
    const int value = uint8_t(readReply(KAVIOReadbackBytes, ReadbackTimeoutMs)[0]);
    KAVLog("KAV: I/O= " + std::to_string(value));
    return value;
}

template <class Body>
bool KAVLink::guarded(const Body& body) {
    try {
        return body();
    } catch (const KAVNoReply&) {
        noResponse();
    } catch (const KAVBadReply&) {
        SetKAVStatus("Bad Response", KAVColour::Red);
    } catch (const ESilentAbort&) {
        // Cancelled, stopping, or the line closed under the exchange: no report.
    } catch (const std::exception& e) {
        KAVLog(std::string("KAV: ") + e.what());
        SetKAVStatus(e.what(), KAVColour::Red);
    }
    return false;
}

// ---- the operations ---------------------------------------------------------

void KAVLink::statusBody(int device, std::string& text) {
    KAVLog("KAV: GetStatus");
    SetKAVStatus("Get Status", KAVColour::Lime);
    KAVCommand(device, KAVStatusRequest);
    std::optional<int> reported;
    switch (device) {
    case KAVSouthWheel:
    case KAVStage:
    case KAVOnAxisWheel: {
        const int adu = ReadADU(device);
        reported = KAVMatchPosition(device, adu);
        std::lock_guard lock(statusMutex_);
        auto [shownPosition, shownADU] =
            device == KAVSouthWheel ? std::tie(display_.southPosition, display_.southADU)
            : device == KAVStage    ? std::tie(display_.stagePosition, display_.stageADU)
                                    : std::tie(display_.onAxisPosition, display_.onAxisADU);
        shownPosition = reported.value_or(KAVUnknown);
        shownADU = adu;
        break;
    }
    case KAVMirror: {
        ReadADU(device);   // the mirror's readback says nothing: its last command does
        const int position = mirrorPosition_.load();
        if (position >= 0 && position < KAVMirrorPositions) reported = position;
        std::lock_guard lock(statusMutex_);
        display_.mirrorPosition = reported.value_or(KAVUnknown);
        break;
    }
    case KAVPort: {
        reported = ReadIO();
        std::lock_guard lock(statusMutex_);
        display_.ioValue = *reported;
        break;
    }
    }
    text = KAVStatusLine(reported);
    SetKAVStatus("Success", KAVColour::Lime);
}

bool KAVLink::statusOf(int device, std::string& text) {
    text = KAVStatusLine(std::nullopt);
    if (device < 0 || device >= KAVDeviceCount) return false;
    return guarded([&] {
        if (!KAVAttention()) return false;
        std::string line;
        statusBody(device, line);
        text = line;
        return true;
    });
}

bool KAVLink::GetKAVStatus(int device, std::string& text) {
    std::lock_guard lock(exchange_);
    beginOperation();
    return statusOf(device, text);
}

bool KAVLink::KAVSetMotor(int device, int position) { return setMotor(device, position, std::nullopt); }

bool KAVLink::setMotor(int device, int position, std::optional<uint32_t> stopGeneration) {
    std::lock_guard lock(exchange_);
    beginOperation(stopGeneration);
    KAVLog("KAV: Set Motor");
    SetKAVStatus("Set Motor", KAVColour::Lime);
    std::optional<int> value;
    if (device == KAVMirror) {
        if (position >= 0 && position < KAVMirrorPositions) value = position;
    } else {
        value = KAVCalibrationADU(device, position);
    }
    if (!value) {
        // A position the device does not have: nothing goes on the line.
        KAVLog("KAV: No position " + std::to_string(position) + " on device " + std::to_string(device));
        SetKAVStatus("Invalid Position", KAVColour::Red);
        return false;
    }
    const bool moved = guarded([&] {
        if (!KAVAttention()) return false;
        try {
            KAVCommandWithResult(device, *value);
        } catch (...) {
            // The command may have gone out: where the mirror is now nobody knows.
            if (device == KAVMirror) mirrorPosition_ = MirrorUnknown;
            throw;
        }
        if (device == KAVMirror) mirrorPosition_ = position;
        return true;
    });
    if (!moved) return false;
    std::string ignored;
    // The move was done; a readback that failed after it keeps its report on the panel.
    if (statusOf(device, ignored)) SetKAVStatus("Success", KAVColour::Lime);
    return true;
}

bool KAVLink::KAVSetPort(int value) { return setPort(value, std::nullopt); }

bool KAVLink::setPort(int value, std::optional<uint32_t> stopGeneration) {
    std::lock_guard lock(exchange_);
    beginOperation(stopGeneration);
    KAVLog("KAV: Set Port");
    if (value < 0 || value > KAVPortMax) {
        KAVLog("KAV: No port value " + std::to_string(value));
        SetKAVStatus("Invalid Value", KAVColour::Red);
        return false;
    }
    const bool set = guarded([&] {
        if (!KAVAttention()) return false;
        KAVCommandWithResult(KAVPort, value);
        return true;
    });
    if (!set) return false;
    std::string ignored;
    if (statusOf(KAVPort, ignored)) SetKAVStatus("Success", KAVColour::Lime);
    return true;
}

bool KAVLink::GetKAVStatusAll(std::string& text) {
    std::lock_guard lock(exchange_);
    beginOperation();
    if (!statusOf(KAVSouthWheel, text)) return false;
    for (int device : {KAVStage, KAVMirror, KAVOnAxisWheel}) {
        std::string line;
        if (!statusOf(device, line)) return false;
        text += line;
    }
    return true;
}

bool KAVLink::GetKAVPortStatus(std::string& text) { return GetKAVStatus(KAVPort, text); }

// ---- the hosts ----------------------------------------------------------------

void KAVLink::awaitHostCommands() {
    TTimeout timeout(system_.clock);
    timeout.start(HostQueryWaitMs);
    // Held first, then written: a command moving from one to the other between
    // the two looks is still seen.
    auto pending = [this] {
        const bool held = system_.commander.holds(SetMotorCode) || system_.commander.holds(SetPortCode);
        return held || IsKAVCode(system_.state.StateCode.load());
    };
    while (pending() && !timeout.expired() && !stopped_.load()) {
        if (!system_.clock.sleepMs(HostPollMs, &stopped_)) break;
    }
}

std::string KAVLink::HostStatusAll() {
    awaitHostCommands();
    std::string text;
    GetKAVStatusAll(text);
    return text;
}

std::string KAVLink::HostPortStatus() {
    awaitHostCommands();
    std::string text;
    GetKAVPortStatus(text);
    return text;
}

bool KAVLink::Submit(std::function<void()> job) {
    {
        std::lock_guard lock(jobsMutex_);
        if (jobsEnd_ || stopped_.load() || jobs_.size() >= MaxQueuedJobs) return false;
        jobs_.push_back(std::move(job));
    }
    jobsWake_.notify_one();
    return true;
}

void KAVLink::workerLoop() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(jobsMutex_);
            jobsWake_.wait(lock, [this] { return jobsEnd_ || !jobs_.empty(); });
            if (jobs_.empty()) return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        // Jobs still queued at the end run too, each ending at once: whoever
        // waits for an answer gets one.
        job();
    }
}

}  // namespace orv
