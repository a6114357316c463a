#pragma once
// A simulated Kavallo instrument on a pseudo-terminal: Orv opens devicePath()
// as the KAV line and finds an instrument that behaves like the real one. It
// answers the attention byte 0xF5 with 0xEA, takes two-byte commands, drives
// the two filter wheels and the stage over realistic times (about a second per
// filter position, two seconds for the stage) and answers the result byte when
// a move has ended, reads back where a device really is with a little noise
// (well within the calibration tolerances), turns the mirror and keeps the
// 8-bit port.
//
// For the failure paths it can be told to stop answering (silent), to garble
// every reply after the handshake (garbage), or to answer late (slow).
//
// Its thread serves the line; times are the clock's, so a time-scaled run
// moves the instrument faster too.

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <thread>

#include "core/Clock.h"

namespace orv {

class SimulatedKAV {
public:
    static constexpr double WheelADUPerSecond = 500.0;   // filter positions lie about 500 ADU apart
    static constexpr double StageADUPerSecond = 1200.0;  // stow to on axis in about 2 s
    static constexpr int64_t MirrorTurnMs = 1500;
    static constexpr int NoiseADU = 12;                  // readback noise, +/-; the tightest tolerance is 50
    static constexpr uint8_t ResultByte = 0x06;          // "done", after a motor or port command
    // After the acknowledgement the command's bytes must come within this, ms;
    // else the instrument waits for a new attention byte.
    static constexpr int64_t CommandWindowMs = 5000;

    enum class Mode { Normal, Silent, Garbage, Slow };

    // Opens the pseudo-terminal and starts serving it. Throws std::system_error
    // when no pseudo-terminal can be had. Starts with the wheels at position 1,
    // the stage stowed, the mirror where nobody knows and the port at 0.
    explicit SimulatedKAV(const Clock& clock, uint32_t seed = 1);
    ~SimulatedKAV();
    SimulatedKAV(const SimulatedKAV&) = delete;
    SimulatedKAV& operator=(const SimulatedKAV&) = delete;

    // The terminal Orv opens as the KAV line.
    const std::string& devicePath() const { return path_; }

    // Slow: every reply comes `delayMs` late.
    void setMode(Mode mode, int64_t delayMs = 0);

    struct Truth {
        double southADU, stageADU, onAxisADU;   // exact, without the readback's noise
        int mirror;                             // 0 ... 3, or -1 while turning or unknown
        int port;
        bool moving;
        uint64_t bytesReceived;   // every byte read from the line so far
    };
    Truth truth();

    // The control channel's "kav" command: "kav" answers the state; "kav
    // normal|silent|garbage" and "kav slow <ms>" set the mode. Returns the reply line.
    std::string control(std::string_view arguments);

private:
    struct Motion {
        double from = 0, to = 0;
        int64_t startMs = 0;
        double perSecond = 1;
        double at(int64_t t) const;
        int64_t endMs() const;
    };

    void run();
    void onByte(uint8_t byte, int64_t now);
    void execute(int device, int value, int64_t now);
    // An answer to what was just asked, sent at `dueMs` or after the answer before it.
    void reply(std::string bytes, int64_t dueMs);
    // The result byte of a command, sent when the command is done.
    void result(int64_t dueMs);
    std::string readback(int device, int64_t now);
    std::string garble(size_t size);
    void flushDue(int64_t now);

    const Clock& clock_;
    int master_ = -1, slave_ = -1;
    std::string path_;
    std::atomic<bool> stop_{false};

    std::mutex mutex_;   // everything below: the thread and the control channel share it
    Mode mode_ = Mode::Normal;
    int64_t delayMs_ = 0;
    enum class Phase { Idle, FirstByte, SecondByte } phase_ = Phase::Idle;
    int64_t commandDeadline_ = 0;
    uint8_t firstByte_ = 0;
    std::array<Motion, 4> motion_{};   // devices 0, 1, 3 (index 2 unused: the mirror turns)
    int mirror_ = -1;                  // -1: never turned since power-up
    int64_t mirrorDoneMs_ = 0;
    int port_ = 0;
    uint64_t received_ = 0;
    std::multimap<int64_t, std::string> replies_;   // by the time each leaves
    int64_t lastAnswerDueMs_ = 0;
    std::mt19937 random_;

    std::thread thread_;
};

}  // namespace orv
