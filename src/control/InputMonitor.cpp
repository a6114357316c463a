#include "control/InputMonitor.h"

#include <cmath>

#include "astro/AstroConstants.h"
#include "control/System.h"
#include "control/VirtualPaddle.h"
#include "core/Ports.h"

namespace orv {

namespace {


// Paddle rates, arcsec/s.
constexpr double PaddleSlewRate = 1000.0;
constexpr double PaddleSlewRateNearLimit = 500.0;
constexpr double PaddleMaxHARate = 1000.0;

// Zenith distances, degrees.
constexpr double LimitWarningZD = 75.0;
constexpr double InhibitZD = 80.0;

// The dome counts as home for the cloud close strictly within this many degrees
// of its home azimuth (260 to 280 for the usual home of 270).
constexpr double CloudCloseDomeWindow = 10.0;

constexpr uint32_t PaddleNS = status3::PaddleNorth | status3::PaddleSouth;
constexpr uint32_t PaddleEW = status3::PaddleEast | status3::PaddleWest;

// Replaces the bits of `mask` in `word` by `value` in one step, so a reader
// never sees the field empty between a clear and a set.
void assignField(StatusWord& word, uint32_t mask, uint32_t value) {
    uint32_t old = word.load();
    while (!word.compare_exchange_weak(old, (old & ~mask) | (value & mask))) {
    }
}

}  // namespace

void InputMonitor::InitInputMonitor() {
    auto& bus = system_.bus;
    bus.write(ports::Setup286, 0x80);
    bus.write(ports::Setup686, 0x80);
    bus.write(ports::SetupA86, 0x80);
    system_.state.SlewInProgress = 0;
    system_.state.Azimuth = 270.0;
    paddleDirBits_ = 0;
    paddleSpeedBits_ = 0;
    waitingForDome_ = false;
    closePosted_ = false;
    domeWarningLogged_ = false;
}

void InputMonitor::InputMonitorPass() {
    checkInterlock();
    checkFrontPanel();
    checkCloudSensor();
    if (!automaticClose()) return;   // the program is ending
    EvaluateLimits();
    checkPaddle();
    system_.sleep(50);
}

void InputMonitor::checkInterlock() {
    auto& s = system_.state;
    if (system_.bus.read(ports::FrontPanel) & ports::InterlockBit) {
        s.InterlockOpen = 0;
        return;
    }
    // Interlock open: stop everything at once. Its opening is a stop: commands
    // held at the door before it are discarded.
    if (!s.InterlockOpen) s.StopGeneration.fetch_add(1);
    s.InterlockOpen = 1;
    s.StopRequest = 1;
    s.DecRate = 0;
    s.HARate = 0;
    clearBits(s.StatusFlags1, status1::SlewEnabled);
    clearBits(s.StatusFlags3, status3::TargetLoaded);
}

void InputMonitor::checkFrontPanel() {
    auto& s = system_.state;
    auto& bus = system_.bus;
    auto active = [&](uint8_t bit) { return (bus.read(ports::FrontPanel) & bit) == 0; };

    // The slew button offers a slew on every pass while it is held; it is taken
    // once the state machine is idle and overrides nothing that waits.
    if (active(ports::SlewButtonBit)) system_.commander.offer(12);

    assignBits(s.StatusFlags2, status2::DrivesOn, active(ports::DrivesOnBit));

    if (!active(ports::TrackSwitchBit)) {
        clearBits(s.StatusFlags1, status1::TrackingSwitch);
        s.ActiveTrackRateRA = 0;
        s.ActiveTrackRateDec = 0;
    } else {
        setBits(s.StatusFlags1, status1::TrackingSwitch);
        if (active(ports::RateSelectBit)) {
            s.ActiveTrackRateRA = s.AuxTrackRateRA.load();
            s.ActiveTrackRateDec = s.AuxTrackRateDec.load();
        } else {
            s.ActiveTrackRateRA = s.TrackRateRA.load();
            s.ActiveTrackRateDec = s.TrackRateDec.load();
        }
    }

    assignBits(s.StatusFlags1, status1::DomeOnIndicator, active(ports::DomeOnBit) && s.DomeOn);
    assignBits(s.StatusFlags2, status2::FrontPanelInput5, active(ports::Input5Bit));
    assignBits(s.StatusFlags3, status3::RateSelectInput, active(ports::RateSelectBit));
    assignBits(s.StatusFlags3, status3::DomeTrack, active(ports::DomeTrackBit) && s.DomeTrack);
}

void InputMonitor::checkCloudSensor() {
    auto& s = system_.state;
    if ((system_.bus.read(ports::CloudInput) & ports::CloudBit) == 0) {
        s.CloudDetected = 1;
    } else {
        s.CloudDetected = 0;
        s.CloudHandled = 0;
    }
}

bool InputMonitor::automaticClose() {
    auto& s = system_.state;
    if (!waitingForDome_) {
        if (!(s.CloudDetected && !s.CloudHandled && s.StateCode == 0 &&
              !system_.DisableCloudSensorInput))
            return true;
        // Send the dome home; the shutter close follows once it is there.
        s.DomeTrack = 0;
        clearBits(s.StatusFlags3, status3::DomeTrack);
        s.DomeAzimuthOffset = 0;
        waitingForDome_ = true;
        domeWarningLogged_ = false;
        domeWaitStartMs_ = system_.clock.nowMs();
    }

    // Waiting for the dome: this pass goes on with its other steps either way.
    if (system_.isTerminating()) return false;
    if (system_.DisableCloudSensorInput) {
        // The operator switched the cloud sensor off: no automatic close.
        if (closePosted_) system_.commander.withdrawSafety();
        closePosted_ = false;
        waitingForDome_ = false;
        return true;
    }
    if (closePosted_) {
        // The Commander writes the close on every idle pass of the state machine
        // until it is taken; only then is the cloud handled.
        if (system_.commander.safetyPending()) return true;
        s.CloudHandled = s.CloudDetected.load();
        closePosted_ = false;
        waitingForDome_ = false;
        return true;
    }
    // The dome was sent to its home azimuth, wherever that is; the window is
    // measured round the circle, so a home near north works too.
    const double home = system_.params.DomeHomeAzimuth * astro::RadToDeg;
    const double off = std::remainder(s.DomeAzimuth - home, 360.0);
    if (std::abs(off) < CloudCloseDomeWindow) {
        system_.commander.postSafety(36, {0.0});   // close the shutter
        closePosted_ = true;
    } else if (!domeWarningLogged_ &&
               system_.clock.nowMs() - domeWaitStartMs_ >= DomeHomeWarningMs) {
        system_.log.AddLog("Cloud close: dome not at home");
        domeWarningLogged_ = true;
    }
    return true;
}

void InputMonitor::EvaluateLimits() {
    auto& s = system_.state;
    const double zd = s.ZenithDistance;

    const bool warning = zd >= LimitWarningZD;
    s.LimitWarning = warning ? 1 : 0;
    assignBits(s.StatusFlags1, status1::ApproachingLimits, warning);

    if (zd <= InhibitZD) {
        s.InhibitNorth = 0;
        s.InhibitSouth = 0;
        s.InhibitEast = 0;
        s.InhibitWest = 0;
    } else {
        // Below the limit, inhibits only accumulate; they all clear once the
        // telescope is back above it. Through the pole, north and south swap.
        const double az = s.Azimuth;
        const bool pole = s.ThroughPole != 0;
        auto& towardsHorizonSouth = pole ? s.InhibitNorth : s.InhibitSouth;
        auto& towardsHorizonNorth = pole ? s.InhibitSouth : s.InhibitNorth;
        if (az >= 135.0 && az <= 225.0) towardsHorizonSouth = 1;
        if (az >= 30.0 && az <= 180.0) {
            s.InhibitEast = 1;
            towardsHorizonSouth = 1;
        }
        if (az >= 180.0 && az <= 330.0) {
            s.InhibitWest = 1;
            towardsHorizonSouth = 1;
        }
        // Azimuth 0 (due north) belongs to the northern range as well.
        if ((az >= 0.0 && az < 30.0) || (az > 330.0 && az <= 360.0)) towardsHorizonNorth = 1;
    }

    const bool any = s.InhibitNorth || s.InhibitSouth || s.InhibitEast || s.InhibitWest;
    assignBits(s.StatusFlags1, status1::LimitReached, any);
}

void InputMonitor::checkPaddle() {
    auto& s = system_.state;
    const uint8_t byte = ReadPaddleByte(system_);
    const bool reevaluate = s.LimitWarning && !s.SlewInProgress &&
                            !testBits(s.StatusFlags2, status2::Trailing);
    if ((byte & ports::PaddleDirectionMask) != paddleDirBits_ || (byte & ports::PaddleSpeedMask) != paddleSpeedBits_ ||
        reevaluate) {
        paddleDirBits_ = ReadPaddleByte(system_) & ports::PaddleDirectionMask;
        paddleSpeedBits_ = ReadPaddleByte(system_) & ports::PaddleSpeedMask;
        EvaluatePaddle();
    }
}

void InputMonitor::EvaluatePaddle() {
    auto& s = system_.state;
    const uint32_t dir = paddleDirBits_;
    const uint32_t speed = paddleSpeedBits_;

    if (dir & ports::PaddleNorth) {
        s.DecMoveNorth = 1;
        assignField(s.StatusFlags3, PaddleNS, status3::PaddleNorth);
    }
    if (dir & ports::PaddleSouth) {
        s.DecMoveNorth = 0;
        assignField(s.StatusFlags3, PaddleNS, status3::PaddleSouth);
    }
    if (dir & ports::PaddleEast) {
        s.HAMoveWest = 0;
        assignField(s.StatusFlags3, PaddleEW, status3::PaddleEast);
    }
    if (dir & ports::PaddleWest) {
        s.HAMoveWest = 1;
        assignField(s.StatusFlags3, PaddleEW, status3::PaddleWest);
    }

    double r;
    const bool set = speed & ports::PaddleSetSpeed;
    const bool slew = speed & ports::PaddleSlewSpeed;
    if (set && slew) {
        r = 0;
        clearBits(s.StatusFlags1, status1::Slewing);
        clearBits(s.StatusFlags2, status2::Setting);
    } else if (set) {
        r = s.SetRate;
        setBits(s.StatusFlags2, status2::Setting);
    } else if (slew) {
        r = s.LimitWarning ? PaddleSlewRateNearLimit : PaddleSlewRate;
        setBits(s.StatusFlags1, status1::Slewing);
    } else {
        r = s.GuideRate;
        clearBits(s.StatusFlags1, status1::Slewing);
        clearBits(s.StatusFlags2, status2::Setting);
    }

    const bool north = dir & ports::PaddleNorth, south = dir & ports::PaddleSouth;
    if (north != south) {
        const bool blocked = (north && s.InhibitNorth) || (south && s.InhibitSouth) || s.InterlockOpen;
        s.DecRate = blocked ? 0.0 : r;
    } else {
        s.DecRate = 0;
        clearBits(s.StatusFlags3, PaddleNS);
    }

    const bool east = dir & ports::PaddleEast, west = dir & ports::PaddleWest;
    double ha;
    if (east != west) {
        const bool blocked = (west && s.InhibitWest) || (east && s.InhibitEast) || s.InterlockOpen;
        ha = blocked ? 0.0 : r;
    } else {
        ha = 0;
        clearBits(s.StatusFlags3, PaddleEW);
    }
    // With the cosine of declination on, the hour-angle rate is scaled up to
    // give the same speed on the sky; near the pole the limit below takes over.
    if (testBits(s.StatusFlags2, status2::CosineDeclination) && ha != 0)
        ha = ha / std::abs(std::cos(s.Dec * astro::DegToRad));
    if (!(ha <= PaddleMaxHARate)) ha = PaddleMaxHARate;   // also catches a non-finite quotient
    s.HARate = ha;
}

}  // namespace orv
