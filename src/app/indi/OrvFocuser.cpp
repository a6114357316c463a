#include "app/indi/OrvFocuser.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/indi/OrvConnection.h"
#include "app/indi/OrvFormat.h"
#include "comm/TCPExtendedProtocol.h"
#include "control/DeviceHandlers.h"

namespace orv::indi {

namespace {
constexpr int PollMs = 250;
// Orv's fine approach ends within 5 units; the reading is refreshed a little
// later than the motor stops, so a move counts as arrived within this.
constexpr double ArrivedUnits = 10.0;
}  // namespace

OrvFocuser::OrvFocuser() : connection_(std::make_unique<OrvConnection>(this)) {
    setVersion(1, 0);
    setDeviceName(getDefaultName());
    setSupportedConnections(CONNECTION_NONE);
    FI::SetCapability(FOCUSER_CAN_ABS_MOVE | FOCUSER_CAN_REL_MOVE | FOCUSER_CAN_ABORT);
}

OrvFocuser::~OrvFocuser() = default;

bool OrvFocuser::initProperties() {
    INDI::Focuser::initProperties();
    FocusAbsPosN[0].min = FocusLowest;
    FocusAbsPosN[0].max = FocusHighest;
    FocusAbsPosN[0].step = 10;
    FocusRelPosN[0].min = 0;
    FocusRelPosN[0].max = FocusHighest - FocusLowest;
    FocusRelPosN[0].step = 10;
    FocusMaxPosN[0].value = FocusMaxPosN[0].max = FocusHighest;
    addPollPeriodControl();
    setDefaultPollingPeriod(PollMs);
    registerConnection(connection_.get());
    connection_->registerHandshake([this] { return Handshake(); });
    return true;
}

void OrvFocuser::ISGetProperties(const char* dev) {
    if (dev && std::strcmp(dev, getDeviceName()) != 0) return;
    INDI::Focuser::ISGetProperties(dev);
}

bool OrvFocuser::Handshake() { return poll(); }

void OrvFocuser::TimerHit() {
    if (!isConnected()) return;
    poll();
    SetTimer(getCurrentPollingPeriod());
}

bool OrvFocuser::poll() {
    const auto status = connection_->poll();
    if (!status) {
        last_.reset();
        FocusAbsPosNP.s = IPS_ALERT;
        IDSetNumber(&FocusAbsPosNP, nullptr);
        return false;
    }
    const OrvStatus& s = *status;
    last_ = s;
    IPState state = s.focusMoving() ? IPS_BUSY : FocusAbsPosNP.s == IPS_ALERT ? IPS_IDLE : FocusAbsPosNP.s;
    if (target_ && !s.focusMoving() && s.idle()) {
        // The move was taken and has ended (or was discarded before it ran).
        const double off = std::fabs(s.focus - *target_);
        if (off <= ArrivedUnits) {
            LOGF_INFO("Focus at %.0f.", s.focus);
            state = IPS_OK;
        } else {
            LOGF_ERROR("The focus stopped at %.0f, %.0f from %.0f.", s.focus, off, *target_);
            state = IPS_ALERT;
        }
        target_.reset();
        FocusRelPosNP.s = state;
        IDSetNumber(&FocusRelPosNP, nullptr);
    } else if (target_) {
        state = IPS_BUSY;
    }
    if (std::fabs(FocusAbsPosN[0].value - s.focus) >= 0.5 || FocusAbsPosNP.s != state) {
        FocusAbsPosN[0].value = s.focus;
        FocusAbsPosNP.s = state;
        IDSetNumber(&FocusAbsPosNP, nullptr);
    }
    return true;
}

IPState OrvFocuser::MoveAbsFocuser(uint32_t targetTicks) {
    const double target = std::clamp(double(targetTicks), FocusLowest, FocusHighest);
    if (!connection_->send("#27," + Fixed(target, 0) + ";")) return IPS_ALERT;
    target_ = target;
    return IPS_BUSY;
}

IPState OrvFocuser::MoveRelFocuser(FocusDirection dir, uint32_t ticks) {
    if (!last_) return IPS_ALERT;
    const double step = dir == FOCUS_INWARD ? -double(ticks) : double(ticks);
    return MoveAbsFocuser(uint32_t(std::clamp(last_->focus + step, FocusLowest, FocusHighest)));
}

bool OrvFocuser::AbortFocuser() {
    const bool done = connection_->ask("#65;", tcpx::FocusStopCode).has_value();
    if (done) target_.reset();
    return done;
}

}  // namespace orv::indi
