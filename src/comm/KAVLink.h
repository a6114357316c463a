#pragma once
// The link to the Kavallo instrument on its serial line `KAVComPort`. Every
// operation is one self-contained exchange: the attention handshake, a
// two-byte command, and the result byte or the readback.
//
// Threads: the state machine (codes 41, 42), the ExCom poll (43, 44), the
// link's own worker (TCP/IP 43 and 54, the window) all use the same line. One
// lock per link serialises whole operations, attention through readback, so two
// askers never mix their bytes. Nothing here runs on the main thread: the
// TCP/IP server and the window hand their exchanges to the worker with Submit.
//
// Waits end at once, with false, when the window's Close cancels the exchange
// (Cancel) or the program stops (Stop, also through the system's stop). Codes
// 41 and 42 also end at any telescope stop (a stop generation passed), so the
// state machine is free at once for the stop or the cloud close.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "comm/KAVProtocol.h"
#include "comm/serial/CommPort.h"

namespace orv {

class System;

// Told of every change of the status panel's text and colour, on the thread of
// the exchange. It must only store or hand on what it is told (a window hands
// it to its own thread); it must not call back into the link.
class KAVStatusObserver {
public:
    virtual ~KAVStatusObserver() = default;
    virtual void KAVStatusChanged(const std::string& text, KAVColour colour) = 0;
};

struct KAVStatus {
    std::string text;
    KAVColour colour = KAVColour::Lime;
};

// What the window shows of the devices: the last readback of each, the
// position it matched (KAVUnknown when none) and the ADU.
struct KAVDisplay {
    int southPosition = KAVUnknown, southADU = 0;
    int stagePosition = KAVUnknown, stageADU = 0;
    int mirrorPosition = KAVUnknown;
    int onAxisPosition = KAVUnknown, onAxisADU = 0;
    int ioValue = 0;
};

class KAVLink {
public:
    // Times of the exchange, ms of system time.
    static constexpr int64_t AttentionPeriodMs = 3000;   // between attention bytes
    static constexpr int AttentionBytes = 3;             // then "No Response"
    static constexpr int64_t CommandGapMs = 100;         // between the two command bytes
    // A motor command's result comes once the device has arrived; the longest
    // move (a wheel across all its positions) takes well under this.
    static constexpr int64_t ResultTimeoutMs = 30000;
    static constexpr int64_t ReadbackTimeoutMs = 3000;
    // A host's query waits at most this long for KAV commands it sent before to
    // be carried out by the state machine.
    static constexpr int64_t HostQueryWaitMs = 60000;
    static constexpr size_t MaxQueuedJobs = 64;
    // The mirror position before any mirror command: unknown.
    static constexpr int MirrorUnknown = 5;

    // Attaches codes 41 and 42 and the program's stop to `system`; the line stays closed.
    explicit KAVLink(System& system);
    // Stops the worker, detaches from the system and closes the line.
    ~KAVLink();
    KAVLink(const KAVLink&) = delete;
    KAVLink& operator=(const KAVLink&) = delete;

    // The line to the instrument. Set Port or DevicePath and the line settings
    // before opening it.
    TCommPort KAVComPort;

    // 0 no connection (the line closed), 1 serial port (opened; an open failure
    // raises EOpenComError and leaves the mode at 0).
    void SetKAVMode(int mode);
    int KAVMode() const { return mode_.load(); }

    // The operations. Each takes the link lock for the whole of it and returns
    // false when the instrument did not answer, answered nonsense, or the
    // exchange was cancelled; `text` receives the status line(s) for the hosts.
    bool GetKAVStatus(int device, std::string& text);
    bool KAVSetMotor(int device, int position);
    bool KAVSetPort(int value);
    bool GetKAVStatusAll(std::string& text);
    bool GetKAVPortStatus(std::string& text);

    // The answers to the hosts' queries (ExCom 43/44, TCP/IP 43/54): first waits
    // until KAV commands handed to the state machine (codes 41, 42) have run, so
    // a host that moves a wheel and then asks sees the new position.
    std::string HostStatusAll();
    std::string HostPortStatus();

    // Runs `job` on the link's worker thread, after the jobs before it. False
    // (and the job dropped) when the queue is full or the link is stopping.
    bool Submit(std::function<void()> job);

    // The window's Close: the exchange in progress ends at once with false.
    void Cancel();
    // The program's stop: every exchange, now and later, ends at once with false.
    void Stop();

    // The status panel.
    void SetKAVStatus(const std::string& text, KAVColour colour);
    KAVStatus Status() const;
    // Set before the window opens and cleared before it goes.
    void setStatusObserver(KAVStatusObserver* observer);

    KAVDisplay Display() const;
    int MirrorPosition() const { return mirrorPosition_.load(); }

    // The window's "Log Communication Details" box: KAVLog writes to the status log only while it is set.
    std::atomic<bool> LogCommunicationDetails{false};
    void KAVLog(const std::string& text);

    // Reads A/D channels 3 and 0 (about 60 ms; not on the main thread).
    GuideProbePosition ReadGuideProbe();

private:
    // The steps of an exchange; the caller holds the link lock. They throw on a
    // missing or garbled reply (KAVNoReply, KAVBadReply), on a cancelled
    // exchange or a closed line (ESilentAbort) and on line errors (EComError).
    bool KAVAttention();
    void KAVCommand(int device, int value);
    void KAVCommandWithResult(int device, int value);
    int ReadADU(int device);
    int ReadIO();

    // The status of one device, the failures turned into false.
    bool statusOf(int device, std::string& text);
    void statusBody(int device, std::string& text);
    // Runs one step sequence, reporting its failure on the panel and in the log.
    template <class Body>
    bool guarded(const Body& body);

    // The operations; with `stopGeneration` given (codes 41 and 42) they also
    // end once the telescope's stop generation has moved from it.
    bool setMotor(int device, int position, std::optional<uint32_t> stopGeneration);
    bool setPort(int value, std::optional<uint32_t> stopGeneration);

    // Called with the lock taken: a Close pressed before this operation no longer counts.
    void beginOperation(std::optional<uint32_t> stopGeneration = std::nullopt);
    bool interrupted() const;
    // `count` bytes that come within `timeoutMs`.
    std::string readReply(size_t count, int64_t timeoutMs);
    void discardInput();
    void noResponse();
    void awaitHostCommands();
    void workerLoop();

    System& system_;
    std::mutex exchange_;               // one operation at a time on the line
    std::atomic<int> mode_{0};
    std::atomic<bool> interrupt_{false};  // the exchange in progress must end
    std::atomic<bool> stopped_{false};
    std::atomic<int> mirrorPosition_{MirrorUnknown};
    std::optional<uint32_t> untilStop_;   // under exchange_: the operation's stop generation

    mutable std::mutex statusMutex_;    // status panel, display values, observer
    KAVStatus status_;
    KAVDisplay display_;
    KAVStatusObserver* observer_ = nullptr;

    std::mutex jobsMutex_;
    std::condition_variable jobsWake_;
    std::deque<std::function<void()>> jobs_;
    bool jobsEnd_ = false;
    std::thread worker_;
};

}  // namespace orv
