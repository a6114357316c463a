#pragma once
// Orv's dome as an INDI dome: absolute azimuth, Orv's own dome tracking behind
// DOME_AUTOSYNC (Orv turns the dome with the telescope itself), the shutter,
// an abort that stops the dome alone, and park at the dome's home azimuth.

#include <chrono>
#include <memory>
#include <optional>

#include "indidome.h"

#include "app/indi/OrvStatus.h"

namespace orv::indi {

class OrvConnection;

class OrvDome final : public INDI::Dome {
public:
    OrvDome();
    ~OrvDome() override;

    const char* getDefaultName() override { return "Orv Dome"; }
    bool initProperties() override;
    void ISGetProperties(const char* dev) override;
    bool ISNewSwitch(const char* dev, const char* name, ISState* states, char* names[], int n) override;
    void TimerHit() override;

protected:
    bool Handshake() override;
    IPState MoveAbs(double az) override;
    bool Abort() override;
    IPState Park() override;
    IPState UnPark() override;
    IPState ControlShutter(ShutterOperation operation) override;
    void UpdateAutoSync() override {}   // Orv keeps the dome on the telescope itself

private:
    bool poll();
    void followMove(const OrvStatus& s);
    void showShutter(const OrvStatus& s);
    void showAutoSync(const OrvStatus& s);

    enum class Move { None, Azimuth, Park };
    std::unique_ptr<OrvConnection> connection_;
    std::optional<OrvStatus> last_;
    Move move_ = Move::None;
    double target_ = 0;   // degrees
    std::optional<int> shutterWanted_;   // tcpx::ShutterOpen or ShutterClosed
    double lastAzimuth_ = -1;
    std::chrono::steady_clock::time_point lastTurn_{};
};

}  // namespace orv::indi
