#include "app/indi/OrvDome.h"

#include <cmath>
#include <cstring>

#include "app/indi/OrvConnection.h"
#include "app/indi/OrvFormat.h"
#include "astro/AstroConstants.h"
#include "comm/TCPExtendedProtocol.h"

namespace orv::indi {

namespace {

constexpr int PollMs = 500;
// Orv starts the dome only for a larger error than this, degrees (its start threshold).
constexpr double NearDeg = 2.5;
// A dome whose azimuth has not changed for this long (Orv's seconds: two dome
// task passes) has stopped.
constexpr double StillOrvSeconds = 5.0;

double AzimuthError(double a, double b) { return std::fabs(std::remainder(a - b, 360.0)); }

}  // namespace

OrvDome::OrvDome() : connection_(std::make_unique<OrvConnection>(this)) {
    setVersion(1, 0);
    setDeviceName(getDefaultName());
    setDomeConnection(CONNECTION_NONE);
    SetDomeCapability(DOME_CAN_ABORT | DOME_CAN_ABS_MOVE | DOME_CAN_PARK | DOME_HAS_SHUTTER);
}

OrvDome::~OrvDome() = default;

bool OrvDome::initProperties() {
    INDI::Dome::initProperties();
    SetParkDataType(PARK_NONE);
    addPollPeriodControl();
    setDefaultPollingPeriod(PollMs);
    registerConnection(connection_.get());
    connection_->registerHandshake([this] { return Handshake(); });
    return true;
}

void OrvDome::ISGetProperties(const char* dev) {
    if (dev && std::strcmp(dev, getDeviceName()) != 0) return;
    INDI::Dome::ISGetProperties(dev);
}

bool OrvDome::ISNewSwitch(const char* dev, const char* name, ISState* states, char* names[], int n) {
    if (dev && std::strcmp(dev, getDeviceName()) == 0 && std::strcmp(name, DomeAutoSyncSP.name) == 0) {
        IUUpdateSwitch(&DomeAutoSyncSP, states, names, n);
        const bool on = DomeAutoSyncS[0].s == ISS_ON;
        // On: Orv's dome control on, in TRACK mode. Off: HOME mode holding the
        // dome where it is, rather than sending it home.
        const std::string packets =
            on ? std::string("#20,1;#21,0;")
               : "#34," + Fixed((last_ ? last_->domeAzimuth : 0.0) * astro::DegToRad, 8) + ";";
        DomeAutoSyncSP.s = connection_->send(packets) ? IPS_BUSY : IPS_ALERT;
        IDSetSwitch(&DomeAutoSyncSP, on ? "Orv turns the dome with the telescope." : "Orv holds the dome where it is.");
        return true;
    }
    return INDI::Dome::ISNewSwitch(dev, name, states, names, n);
}

bool OrvDome::Handshake() { return poll(); }

void OrvDome::TimerHit() {
    if (!isConnected()) return;
    poll();
    SetTimer(getCurrentPollingPeriod());
}

bool OrvDome::poll() {
    const auto status = connection_->poll();
    if (!status) {
        last_.reset();
        DomeAbsPosNP.s = IPS_ALERT;
        IDSetNumber(&DomeAbsPosNP, nullptr);
        return false;
    }
    const OrvStatus& s = *status;
    last_ = s;
    const auto now = std::chrono::steady_clock::now();
    if (lastAzimuth_ < 0 || AzimuthError(s.domeAzimuth, lastAzimuth_) > 0.05) {
        lastAzimuth_ = s.domeAzimuth;
        lastTurn_ = now;
    }
    followMove(s);
    if (std::fabs(DomeAbsPosN[0].value - s.domeAzimuth) > 0.001 || DomeAbsPosNP.s == IPS_ALERT) {
        DomeAbsPosN[0].value = s.domeAzimuth;
        if (DomeAbsPosNP.s == IPS_ALERT && move_ == Move::None) DomeAbsPosNP.s = IPS_IDLE;
        IDSetNumber(&DomeAbsPosNP, nullptr);
    }
    showShutter(s);
    showAutoSync(s);
    return true;
}

void OrvDome::followMove(const OrvStatus& s) {
    if (move_ == Move::None || !s.idle()) return;   // the command still waits for the state machine
    const double goal = move_ == Move::Park ? s.domeHome : target_;
    const double error = AzimuthError(s.domeAzimuth, goal);
    if (s.domeInPosition() && !s.domeTracking() && error < NearDeg) {
        if (move_ == Move::Park) {
            SetParked(true);
            LOG_INFO("Dome parked at its home azimuth.");
        } else {
            DomeAbsPosNP.s = IPS_OK;
            setDomeState(DOME_SYNCED);
            LOGF_INFO("Dome in position at %.2f degrees.", s.domeAzimuth);
        }
        move_ = Move::None;
        return;
    }
    const double stillSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - lastTurn_).count() * s.timeScale;
    if (!s.domeControlOn() || s.domeTracking() || stillSeconds > StillOrvSeconds) {
        if (!s.domeControlOn()) LOG_ERROR("Orv's dome control is off: the dome does not move.");
        else if (s.domeTracking()) LOG_ERROR("Orv's dome follows the telescope again: the move was left.");
        else if (error < NearDeg)
            LOGF_ERROR("The dome stopped %.1f degrees from %.1f: Orv starts the dome only for larger errors.", error, goal);
        else LOGF_ERROR("The dome stopped %.1f degrees from %.1f.", error, goal);
        if (move_ == Move::Park) {
            ParkSP.s = IPS_ALERT;
            IDSetSwitch(&ParkSP, nullptr);
        }
        DomeAbsPosNP.s = IPS_ALERT;
        setDomeState(DOME_IDLE);
        move_ = Move::None;
    }
}

void OrvDome::showShutter(const OrvStatus& s) {
    ShutterState state = SHUTTER_UNKNOWN;
    IPState light = IPS_IDLE;
    switch (s.shutter) {
    case tcpx::ShutterOpen: state = SHUTTER_OPENED; light = IPS_OK; break;
    case tcpx::ShutterClosed: state = SHUTTER_CLOSED; light = IPS_OK; break;
    case tcpx::ShutterOpening:
    case tcpx::ShutterClosing: state = SHUTTER_MOVING; light = IPS_BUSY; break;
    default: break;
    }
    if (shutterWanted_) {
        const bool moving = state == SHUTTER_MOVING;
        if (s.shutter == *shutterWanted_) {
            shutterWanted_.reset();
        } else if (!moving && s.idle()) {
            LOG_ERROR(s.cloudDetected ? "Orv does not open the shutter while clouds are detected."
                                      : "Orv did not run the shutter command.");
            shutterWanted_.reset();
            light = IPS_ALERT;
        } else {
            light = IPS_BUSY;   // not taken yet: the state machine is busy
        }
    }
    const bool open = s.shutter == tcpx::ShutterOpen || s.shutter == tcpx::ShutterOpening;
    const bool closed = s.shutter == tcpx::ShutterClosed || s.shutter == tcpx::ShutterClosing;
    const ISState openSwitch = open ? ISS_ON : ISS_OFF, closeSwitch = closed ? ISS_ON : ISS_OFF;
    if (state == getShutterState() && light == DomeShutterSP.s && DomeShutterS[SHUTTER_OPEN].s == openSwitch &&
        DomeShutterS[SHUTTER_CLOSE].s == closeSwitch)
        return;
    m_ShutterState = state;
    DomeShutterS[SHUTTER_OPEN].s = openSwitch;
    DomeShutterS[SHUTTER_CLOSE].s = closeSwitch;
    DomeShutterSP.s = light;
    IDSetSwitch(&DomeShutterSP, nullptr);
}

void OrvDome::showAutoSync(const OrvStatus& s) {
    const bool on = s.domeTracking() && s.domeControlOn();
    const ISState enable = on ? ISS_ON : ISS_OFF;
    if (DomeAutoSyncS[0].s == enable && DomeAutoSyncSP.s == IPS_OK) return;
    // A change just asked for shows once Orv has taken it.
    if (DomeAutoSyncSP.s == IPS_BUSY && (DomeAutoSyncS[0].s == ISS_ON) != on && !s.idle()) return;
    DomeAutoSyncS[0].s = enable;
    DomeAutoSyncS[1].s = on ? ISS_OFF : ISS_ON;
    DomeAutoSyncSP.s = IPS_OK;
    IDSetSwitch(&DomeAutoSyncSP, nullptr);
}

IPState OrvDome::MoveAbs(double az) {
    if (!connection_->send("#34," + Fixed(az * astro::DegToRad, 8) + ";")) return IPS_ALERT;
    target_ = az;
    move_ = Move::Azimuth;
    lastTurn_ = std::chrono::steady_clock::now();
    return IPS_BUSY;
}

bool OrvDome::Abort() {
    // The dome alone: Orv's automatic dome control off; the mount is left alone.
    const bool done = connection_->ask("#64;", tcpx::DomeStopCode).has_value();
    if (done) move_ = Move::None;
    return done;
}

IPState OrvDome::Park() {
    // Dome control on, HOME mode with no offset: the dome goes to its home azimuth.
    if (!connection_->send("#20,1;#21,1;")) return IPS_ALERT;
    move_ = Move::Park;
    lastTurn_ = std::chrono::steady_clock::now();
    return IPS_BUSY;
}

IPState OrvDome::UnPark() { return IPS_OK; }   // the dome waits at home until it is sent elsewhere

IPState OrvDome::ControlShutter(ShutterOperation operation) {
    const bool open = operation == SHUTTER_OPEN;
    if (open && last_ && last_->cloudDetected) {
        LOG_ERROR("Orv does not open the shutter while clouds are detected.");
        return IPS_ALERT;
    }
    if (!connection_->send(open ? "#36,1;" : "#36,0;")) return IPS_ALERT;
    shutterWanted_ = open ? tcpx::ShutterOpen : tcpx::ShutterClosed;
    LOG_INFO(open ? "Opening the shutter (80 s)." : "Closing the shutter (80 s).");
    return IPS_BUSY;
}

}  // namespace orv::indi
