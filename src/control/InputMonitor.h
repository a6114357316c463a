#pragma once
// The input monitor: every 50 ms it reads the interlock and front-panel inputs,
// the cloud sensor and the hand paddle, stops all motion when the drive
// interlock opens, chooses the tracking rates in force, closes the shutter when
// clouds come, evaluates the horizon limits and turns paddle presses into
// offset rates (arcsec/s) for the two axes.

#include <atomic>
#include <cstdint>

namespace orv {

class System;

class InputMonitor {
public:
    // How long the automatic cloud close waits for the dome before it reports
    // that the dome has not arrived (it keeps waiting afterwards).
    static constexpr int64_t DomeHomeWarningMs = 5 * 60 * 1000;

    explicit InputMonitor(System& system) : system_(system) {}
    void InitInputMonitor();
    // One pass: the thirteen steps, ending with a 50 ms sleep.
    void InputMonitorPass();
    // Limit warning and the four direction inhibits from zenith distance and azimuth.
    void EvaluateLimits();
    // Offset rates and directions from PaddleDirBits and PaddleSpeedBits.
    void EvaluatePaddle();

    uint32_t PaddleDirBits() const { return paddleDirBits_.load(); }
    uint32_t PaddleSpeedBits() const { return paddleSpeedBits_.load(); }
    // True from the moment the automatic cloud close sends the dome home until the
    // state machine has taken the shutter close.
    bool waitingForDome() const { return waitingForDome_.load(); }

private:
    void checkInterlock();
    void checkFrontPanel();
    void checkCloudSensor();
    // Returns false when the program is ending and the pass must end at once.
    bool automaticClose();
    void checkPaddle();

    System& system_;
    std::atomic<uint32_t> paddleDirBits_{0};     // mask 0x3C
    std::atomic<uint32_t> paddleSpeedBits_{0};   // mask 0xC0

    // Automatic cloud close: the dome was sent home, the shutter close is posted
    // once the dome azimuth is within 10 degrees of its home azimuth.
    std::atomic<bool> waitingForDome_{false};
    bool closePosted_ = false;   // the close waits at the Commander
    bool domeWarningLogged_ = false;
    int64_t domeWaitStartMs_ = 0;
};

}  // namespace orv
