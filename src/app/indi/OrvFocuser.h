#pragma once
// Orv's focus as an INDI focuser: absolute positions in Orv's focus units
// (1050 ... 3500), relative moves, and an abort that stops the focus alone.

#include <memory>
#include <optional>

#include "indifocuser.h"

#include "app/indi/OrvStatus.h"

namespace orv::indi {

class OrvConnection;

class OrvFocuser final : public INDI::Focuser {
public:
    OrvFocuser();
    ~OrvFocuser() override;

    const char* getDefaultName() override { return "Orv Focuser"; }
    bool initProperties() override;
    void ISGetProperties(const char* dev) override;
    void TimerHit() override;

protected:
    bool Handshake() override;
    IPState MoveAbsFocuser(uint32_t targetTicks) override;
    IPState MoveRelFocuser(FocusDirection dir, uint32_t ticks) override;
    bool AbortFocuser() override;

private:
    bool poll();

    std::unique_ptr<OrvConnection> connection_;
    std::optional<OrvStatus> last_;
    std::optional<double> target_;   // a move Orv was asked for
};

}  // namespace orv::indi
