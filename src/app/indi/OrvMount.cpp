#include "app/indi/OrvMount.h"

#include <cmath>
#include <cstring>

#include "eventloop.h"
#include "indicom.h"

#include "app/indi/OrvConnection.h"
#include "app/indi/OrvFormat.h"
#include "comm/TCPExtendedProtocol.h"
#include "control/SetupHandlers.h"
#include "core/Ports.h"

namespace orv::indi {

namespace {

// The telescope counts as at the cover/service position within these.
constexpr double CoverHAHours = 0.01;
constexpr double CoverDecDeg = 0.15;
// A goto that ends farther than this from its target did not arrive, arcseconds.
constexpr double ArrivedArcsec = 60.0;
// How often a held press is renewed, in Orv's milliseconds: four times within
// the dead man's second, so one late renewal never lets go.
constexpr int RenewOrvMs = tcpx::PaddleHoldMs / 4;
constexpr int PollMs = 250;

std::string Packet(int code, std::initializer_list<std::string> values = {}) {
    std::string out = "#" + std::to_string(code);
    for (const auto& v : values) out += "," + v;
    return out + ";";
}

}  // namespace

OrvMount::OrvMount() : GuiderInterface(), connection_(std::make_unique<OrvConnection>(this)) {
    setVersion(1, 0);
    setDeviceName(getDefaultName());
    setTelescopeConnection(CONNECTION_NONE);
    // Three paddle speeds of our own (guide, set, slew) instead of the library's four.
    SetTelescopeCapability(TELESCOPE_CAN_GOTO | TELESCOPE_CAN_SYNC | TELESCOPE_CAN_PARK | TELESCOPE_CAN_ABORT |
                               TELESCOPE_HAS_TIME | TELESCOPE_HAS_LOCATION | TELESCOPE_HAS_PIER_SIDE |
                               TELESCOPE_CAN_CONTROL_TRACK,
                           0);
}

OrvMount::~OrvMount() {
    for (int* id : {&renewTimer_, &guideTimerNS_, &guideTimerWE_})
        if (*id >= 0) IERmTimer(*id);
}

bool OrvMount::initProperties() {
    INDI::Telescope::initProperties();
    initGuiderProperties(getDeviceName(), MOTION_TAB);
    setDriverInterface(getDriverInterface() | GUIDER_INTERFACE);

    IUFillSwitch(&SlewRateSw_[0], "SLEW_GUIDE", "Guide", ISS_ON);
    IUFillSwitch(&SlewRateSw_[1], "SLEW_CENTERING", "Set", ISS_OFF);
    IUFillSwitch(&SlewRateSw_[2], "SLEW_MAX", "Slew", ISS_OFF);
    IUFillSwitchVector(&SlewRateSP, SlewRateSw_, 3, getDeviceName(), "TELESCOPE_SLEW_RATE", "Slew Rate", MOTION_TAB,
                       IP_RW, ISR_1OFMANY, 0, IPS_IDLE);

    IUFillNumber(&StatusN_[0], "UT", "UT of the position (h)", "%.6f", 0, 24, 0, 0);
    IUFillNumber(&StatusN_[1], "STATE_CODE", "Command running", "%.0f", 0, 1000, 0, 0);
    IUFillNumber(&StatusN_[2], "HELD", "Commands held", "%.0f", 0, 1000, 0, 0);
    IUFillNumber(&StatusN_[3], "STOP_GENERATION", "Stops so far", "%.0f", 0, 4e9, 0, 0);
    IUFillNumber(&StatusN_[4], "INTERLOCK_OPEN", "Interlock open", "%.0f", 0, 1, 0, 0);
    IUFillNumber(&StatusN_[5], "CLOUDS", "Clouds", "%.0f", 0, 1, 0, 0);
    IUFillNumber(&StatusN_[6], "INHIBITS", "Inhibits (N1 S2 E4 W8)", "%.0f", 0, 15, 0, 0);
    IUFillNumber(&StatusN_[7], "TIME_SCALE", "Orv clock scale", "%.3f", 0, 1e6, 0, 1);
    IUFillNumberVector(&StatusNP_, StatusN_, 8, getDeviceName(), "ORV_STATUS", "Orv", "Orv", IP_RO, 0, IPS_IDLE);

    SetParkDataType(PARK_NONE);
    setDefaultPollingPeriod(PollMs);

    registerConnection(connection_.get());
    connection_->registerHandshake([this] { return Handshake(); });
    return true;
}

bool OrvMount::updateProperties() {
    INDI::Telescope::updateProperties();
    if (isConnected()) {
        defineProperty(&SlewRateSP);
        defineProperty(&GuideNSNP);
        defineProperty(&GuideWENP);
        defineProperty(&StatusNP_);
    } else {
        deleteProperty(SlewRateSP.name);
        deleteProperty(GuideNSNP.name);
        deleteProperty(GuideWENP.name);
        deleteProperty(StatusNP_.name);
    }
    return true;
}

void OrvMount::ISGetProperties(const char* dev) {
    // One driver serves three devices: a request for another one is not ours.
    if (dev && std::strcmp(dev, getDeviceName()) != 0) return;
    INDI::Telescope::ISGetProperties(dev);
}

bool OrvMount::ISNewNumber(const char* dev, const char* name, double values[], char* names[], int n) {
    if (dev && std::strcmp(dev, getDeviceName()) == 0 &&
        (std::strcmp(name, GuideNSNP.name) == 0 || std::strcmp(name, GuideWENP.name) == 0)) {
        processGuiderProperties(name, values, names, n);
        return true;
    }
    return INDI::Telescope::ISNewNumber(dev, name, values, names, n);
}

bool OrvMount::ISNewSwitch(const char* dev, const char* name, ISState* states, char* names[], int n) {
    if (dev && std::strcmp(dev, getDeviceName()) == 0 && std::strcmp(name, SlewRateSP.name) == 0) {
        IUUpdateSwitch(&SlewRateSP, states, names, n);
        SlewRateSP.s = SetSlewRate(IUFindOnSwitchIndex(&SlewRateSP)) ? IPS_OK : IPS_ALERT;
        IDSetSwitch(&SlewRateSP, nullptr);
        return true;
    }
    return INDI::Telescope::ISNewSwitch(dev, name, states, names, n);
}

bool OrvMount::Handshake() { return ReadScopeStatus(); }

int OrvMount::realMs(double orvMs) const {
    const double scale = last_ ? last_->timeScale : 1.0;
    return std::max(1, int(std::lround(orvMs / scale)));
}

bool OrvMount::ReadScopeStatus() {
    const auto status = connection_->poll();
    if (!status) {
        last_.reset();
        return false;
    }
    const OrvStatus& s = *status;
    last_ = s;
    if (s.tracking && (s.trackRateRA != 0 || s.trackRateDec != 0)) {
        rememberedRateRA_ = s.trackRateRA;
        rememberedRateDec_ = s.trackRateDec;
    }
    followPending(s);

    const bool atCover = std::fabs(s.hourAngle - FiducialHA) < CoverHAHours &&
                         std::fabs(s.meanDec - FiducialDec) < CoverDecDeg;
    const bool parked = atCover && !s.tracking;
    if (pending_.kind == Pending::Park) {
        TrackState = SCOPE_PARKING;
    } else {
        if (parked != isParked()) SyncParkStatus(parked);
        if (pending_.kind == Pending::Goto || s.slewInProgress) TrackState = SCOPE_SLEWING;
        else if (parked) TrackState = SCOPE_PARKED;
        else TrackState = s.tracking ? SCOPE_TRACKING : SCOPE_IDLE;
    }

    const RaDec place = ApparentFromMean({s.meanRA, s.meanDec}, s.epoch, dateOf(s));
    NewRaDec(place.ra, place.dec);
    setPierSide(s.pierEast ? PIER_EAST : PIER_WEST);

    if (LocationN[LOCATION_LATITUDE].value != s.latitude || LocationN[LOCATION_LONGITUDE].value != s.longitudeEast() ||
        LocationNP.s != IPS_OK) {
        LocationN[LOCATION_LATITUDE].value = s.latitude;
        LocationN[LOCATION_LONGITUDE].value = s.longitudeEast();
        LocationNP.s = IPS_OK;
        IDSetNumber(&LocationNP, nullptr);
    }
    publishStatus(s);
    return true;
}

void OrvMount::publishStatus(const OrvStatus& s) {
    StatusN_[0].value = s.ut;
    StatusN_[1].value = s.stateCode;
    StatusN_[2].value = s.held;
    StatusN_[3].value = s.stopGeneration;
    StatusN_[4].value = s.interlockOpen;
    StatusN_[5].value = s.cloudDetected;
    StatusN_[6].value = (s.inhibitNorth ? 1 : 0) | (s.inhibitSouth ? 2 : 0) | (s.inhibitEast ? 4 : 0) |
                        (s.inhibitWest ? 8 : 0);
    StatusN_[7].value = s.timeScale;
    StatusNP_.s = s.interlockOpen ? IPS_ALERT : IPS_OK;
    IDSetNumber(&StatusNP_, nullptr);
}

void OrvMount::followPending(const OrvStatus& s) {
    if (pending_.kind == Pending::None) return;
    if (s.stopGeneration != pending_.stopGeneration) {
        LOG_WARN("Orv stopped before the motion ended.");
        if (pending_.kind == Pending::Goto) {
            EqNP.s = IPS_ALERT;
            IDSetNumber(&EqNP, nullptr);
        } else {
            ParkSP.s = IPS_ALERT;
            IDSetSwitch(&ParkSP, nullptr);
        }
        pending_ = {};
        return;
    }
    if (s.slewInProgress) {
        pending_.slewSeen = true;
        return;
    }
    if (!s.idle()) return;   // our commands still wait for the state machine or run

    // Every command of the sequence was taken and has ended.
    const Pending done = pending_;
    pending_ = {};
    if (done.kind == Pending::Goto) {
        const RaDec now = ApparentFromMean({s.meanRA, s.meanDec}, s.epoch, dateOf(s));
        const double off = SeparationArcsec(now, done.target);
        if (s.targetOutOfRange()) {
            LOG_ERROR("Orv refused the target: it is beyond the zenith limit.");
            EqNP.s = IPS_ALERT;
        } else if (off > ArrivedArcsec) {
            LOGF_ERROR("The slew ended %.0f arcsec from the target%s.", off,
                       s.limitWarning() ? " at the horizon limit" : done.slewSeen ? "" : " (Orv did not slew)");
            EqNP.s = IPS_ALERT;
        } else {
            LOGF_INFO("Slew complete, %.1f arcsec from the target.", off);
            if (done.stopTracking) sendTrackingRates(0, 0);
            EqNP.s = IPS_OK;
        }
        IDSetNumber(&EqNP, nullptr);
    } else {
        const bool atCover = std::fabs(s.hourAngle - FiducialHA) < CoverHAHours &&
                             std::fabs(s.meanDec - FiducialDec) < CoverDecDeg;
        if (atCover) {
            SyncParkStatus(true);
            LOG_INFO("Parked at the cover/service position, tracking off.");
        } else {
            LOG_ERROR(s.targetOutOfRange()
                          ? "Orv refused the cover/service position: it is beyond the zenith limit at this site."
                          : "The telescope did not reach the cover/service position.");
            ParkSP.s = IPS_ALERT;
            IDSetSwitch(&ParkSP, nullptr);
        }
    }
}

bool OrvMount::sendTrackingRates(double ra, double dec) {
    if (!last_) return false;
    return connection_->send(Packet(14, {Fixed(ra, 6), Fixed(dec, 6), Fixed(last_->auxRateRA, 6),
                                         Fixed(last_->auxRateDec, 6)}));
}

bool OrvMount::freshStatus() {
    // A conversion needs Orv's date and time of this moment (a client may just
    // have set them), not those of the last poll.
    if (auto s = connection_->poll()) last_ = s;
    else last_.reset();
    return last_.has_value();
}

bool OrvMount::Goto(double ra, double dec) {
    if (!freshStatus()) return false;
    const RaDec mean = MeanFromApparent({ra, dec}, last_->epoch, dateOf(*last_));
    const ISwitch* track = IUFindSwitch(&CoordSP, "TRACK");
    const bool keepTracking = track && track->s == ISS_ON;
    std::string packets;
    if (keepTracking && !last_->tracking)
        packets += Packet(14, {Fixed(rememberedRateRA_, 6), Fixed(rememberedRateDec_, 6),
                               Fixed(last_->auxRateRA, 6), Fixed(last_->auxRateDec, 6)});
    packets += Packet(6, {Fixed(mean.ra, 8), Fixed(mean.dec, 8), Fixed(last_->epoch, 6)}) + Packet(12);
    if (!connection_->send(packets)) return false;
    pending_ = {};
    pending_.kind = Pending::Goto;
    pending_.target = {ra, dec};
    pending_.stopGeneration = last_->stopGeneration;
    pending_.stopTracking = !keepTracking;
    TrackState = SCOPE_SLEWING;
    char raText[32], decText[32];
    fs_sexa(raText, ra, 2, 3600);
    fs_sexa(decText, dec, 2, 3600);
    LOGF_INFO("Slewing to RA %s Dec %s (place of date).", raText, decText);
    return true;
}

bool OrvMount::Sync(double ra, double dec) {
    if (!freshStatus()) return false;
    const RaDec mean = MeanFromApparent({ra, dec}, last_->epoch, dateOf(*last_));
    return connection_->send(Packet(3, {Fixed(mean.ra, 8), Fixed(mean.dec, 8), Fixed(last_->epoch, 6)}));
}

bool OrvMount::Abort() {
    // Orv's stop: every motion ends and every paddle press is let go.
    const bool sent = connection_->send(Packet(13));
    nsHeld_ = weHeld_ = 0;
    pending_ = {};
    if (renewTimer_ >= 0) IERmTimer(renewTimer_);
    renewTimer_ = -1;
    return sent;
}

bool OrvMount::Park() {
    if (!last_) return false;
    if (last_->tracking && (last_->trackRateRA != 0 || last_->trackRateDec != 0)) {
        rememberedRateRA_ = last_->trackRateRA;
        rememberedRateDec_ = last_->trackRateDec;
    }
    // Tracking off, the cover position (code 30 loads it), slew.
    const std::string packets = Packet(14, {"0", "0", Fixed(last_->auxRateRA, 6), Fixed(last_->auxRateDec, 6)}) +
                                Packet(30) + Packet(12);
    if (!connection_->send(packets)) return false;
    pending_ = {};
    pending_.kind = Pending::Park;
    pending_.stopGeneration = last_->stopGeneration;
    TrackState = SCOPE_PARKING;
    LOG_INFO("Parking at the cover/service position.");
    return true;
}

bool OrvMount::UnPark() {
    if (!sendTrackingRates(rememberedRateRA_, rememberedRateDec_)) return false;
    SyncParkStatus(false);
    TrackState = SCOPE_TRACKING;
    LOGF_INFO("Unparked, tracking at %.4f / %.4f arcsec/s.", rememberedRateRA_, rememberedRateDec_);
    return true;
}

bool OrvMount::SetTrackEnabled(bool enabled) {
    if (!last_) return false;
    if (!enabled && last_->tracking && (last_->trackRateRA != 0 || last_->trackRateDec != 0)) {
        rememberedRateRA_ = last_->trackRateRA;
        rememberedRateDec_ = last_->trackRateDec;
    }
    return enabled ? sendTrackingRates(rememberedRateRA_, rememberedRateDec_) : sendTrackingRates(0, 0);
}

bool OrvMount::SetSlewRate(int index) {
    if (index < tcpx::PaddleGuide || index > tcpx::PaddleSlew) return false;
    speed_ = index;
    return (nsHeld_ | weHeld_) ? press() : true;   // a held press changes speed at once
}

bool OrvMount::MoveNS(INDI_DIR_NS dir, TelescopeMotionCommand command) {
    nsHeld_ = command == MOTION_START ? (dir == DIRECTION_NORTH ? ports::PaddleNorth : ports::PaddleSouth) : 0;
    return press();
}

bool OrvMount::MoveWE(INDI_DIR_WE dir, TelescopeMotionCommand command) {
    weHeld_ = command == MOTION_START ? (dir == DIRECTION_WEST ? ports::PaddleWest : ports::PaddleEast) : 0;
    return press();
}

bool OrvMount::press() {
    const uint8_t directions = nsHeld_ | weHeld_;
    const auto reply = connection_->ask(Packet(tcpx::PaddlePressCode, {std::to_string(directions), std::to_string(speed_)}),
                                        tcpx::PaddlePressCode);
    const auto byte = reply ? ParsePaddleReply(*reply, tcpx::PaddlePressCode) : std::nullopt;
    if (!byte || (*byte & directions) != directions) {
        LOG_ERROR("Orv did not take the paddle press (drive interlock open?).");
        nsHeld_ = weHeld_ = 0;
        return false;
    }
    if (directions && renewTimer_ < 0) renewTimer_ = IEAddTimer(realMs(RenewOrvMs), RenewTimer, this);
    if (!directions && renewTimer_ >= 0) {
        IERmTimer(renewTimer_);
        renewTimer_ = -1;
    }
    return true;
}

void OrvMount::RenewTimer(void* self) { static_cast<OrvMount*>(self)->renewPress(); }

void OrvMount::renewPress() {
    renewTimer_ = -1;
    if (!(nsHeld_ | weHeld_)) return;
    const auto reply = connection_->ask(Packet(tcpx::PaddleRenewCode), tcpx::PaddleRenewCode);
    const auto byte = reply ? ParsePaddleReply(*reply, tcpx::PaddleRenewCode) : std::nullopt;
    if (!byte || !(*byte & (nsHeld_ | weHeld_))) {
        releasedByOrv();
        return;
    }
    renewTimer_ = IEAddTimer(realMs(RenewOrvMs), RenewTimer, this);
}

void OrvMount::releasedByOrv() {
    LOG_WARN("Orv let go of the paddle: a stop, the drive interlock, or the press was not renewed in time.");
    nsHeld_ = weHeld_ = 0;
    last_ns_motion = last_we_motion = -1;
    for (ISwitchVectorProperty* p : {&MovementNSSP, &MovementWESP}) {
        if (p->s != IPS_BUSY) continue;
        IUResetSwitch(p);
        p->s = IPS_ALERT;
        IDSetSwitch(p, nullptr);
    }
}

IPState OrvMount::pulse(uint8_t direction, uint32_t ms) {
    const auto reply = connection_->ask(Packet(tcpx::PulseGuideCode, {std::to_string(direction), std::to_string(ms)}),
                                        tcpx::PulseGuideCode);
    const auto byte = reply ? ParsePaddleReply(*reply, tcpx::PulseGuideCode) : std::nullopt;
    if (!byte || !(*byte & direction)) {
        LOG_ERROR("Orv did not take the guide pulse (drive interlock open?).");
        return IPS_ALERT;
    }
    const bool ns = direction == ports::PaddleNorth || direction == ports::PaddleSouth;
    int& timer = ns ? guideTimerNS_ : guideTimerWE_;
    if (timer >= 0) IERmTimer(timer);
    timer = IEAddTimer(realMs(ms), ns ? GuideTimerNS : GuideTimerWE, this);
    return IPS_BUSY;
}

void OrvMount::GuideTimerNS(void* self) {
    auto* m = static_cast<OrvMount*>(self);
    m->guideTimerNS_ = -1;
    m->GuideComplete(AXIS_DE);
}

void OrvMount::GuideTimerWE(void* self) {
    auto* m = static_cast<OrvMount*>(self);
    m->guideTimerWE_ = -1;
    m->GuideComplete(AXIS_RA);
}

IPState OrvMount::GuideNorth(uint32_t ms) { return pulse(ports::PaddleNorth, ms); }
IPState OrvMount::GuideSouth(uint32_t ms) { return pulse(ports::PaddleSouth, ms); }
IPState OrvMount::GuideEast(uint32_t ms) { return pulse(ports::PaddleEast, ms); }
IPState OrvMount::GuideWest(uint32_t ms) { return pulse(ports::PaddleWest, ms); }

bool OrvMount::updateTime(ln_date* utc, double) {
    // INDI gives UTC; Orv's code 1 takes the UTC date and time of day in hours.
    const double hours = utc->hours + utc->minutes / 60.0 + utc->seconds / 3600.0;
    const bool sent = connection_->send(Packet(1, {std::to_string(utc->years), std::to_string(utc->months),
                                                   std::to_string(utc->days), Fixed(hours, 9)}));
    if (sent) LOGF_INFO("Orv's date and time set to %04d-%02d-%02d %.6f h UTC.", utc->years, utc->months, utc->days, hours);
    return sent;
}

bool OrvMount::updateLocation(double latitude, double longitude, double) {
    if (!last_) return false;
    auto close = [](double a, double b) { return std::fabs(std::remainder(a - b, 360.0)) < 1e-4; };
    if (close(latitude, last_->latitude) && close(longitude, last_->longitudeEast())) return true;
    LOGF_WARN("Orv's site comes from its WinOrv.DAT (latitude %.4f, longitude %.4f east) and stays as it is.",
              last_->latitude, last_->longitudeEast());
    return false;
}

}  // namespace orv::indi
