#include "app/indi/OrvStatus.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "comm/TCPExtendedProtocol.h"
#include "core/TelescopeState.h"

namespace orv::indi {

namespace {

// The values of "#v,v,...;" as numbers; nothing if any is not one.
std::optional<std::vector<double>> Values(const std::string& packet) {
    if (packet.size() < 3 || packet.front() != '#' || packet.back() != ';') return std::nullopt;
    std::vector<double> out;
    size_t pos = 1;
    while (pos < packet.size()) {
        const size_t end = packet.find_first_of(",;", pos);
        const std::string field = packet.substr(pos, end - pos);
        if (field.empty()) return std::nullopt;
        char* stop = nullptr;
        const double v = std::strtod(field.c_str(), &stop);
        if (stop != field.c_str() + field.size() || !std::isfinite(v)) return std::nullopt;
        out.push_back(v);
        pos = end + 1;
    }
    return out;
}

}  // namespace

bool OrvStatus::slewing() const { return flags1 & status1::Slewing; }
bool OrvStatus::targetOutOfRange() const { return flags2 & status2::TargetOutOfRange; }
bool OrvStatus::limitWarning() const { return flags1 & status1::ApproachingLimits; }
bool OrvStatus::focusMoving() const { return flags2 & status2::FocusMoving; }
bool OrvStatus::domeInPosition() const { return flags2 & status2::DomeInPosition; }
bool OrvStatus::domeControlOn() const { return flags1 & status1::DomeOnIndicator; }
bool OrvStatus::domeTracking() const { return flags3 & status3::DomeTrack; }

double OrvStatus::longitudeEast() const {
    const double east = std::fmod(-longitudeWest, 360.0);
    return east < 0 ? east + 360.0 : east;
}

std::optional<OrvStatus> ParseOrvStatus(const std::string& packet) {
    using namespace tcpx;
    const auto v = Values(packet);
    // A newer Orv may add values at the end; fewer means another reply.
    if (!v || v->size() < size_t(FieldCount) || (*v)[FieldCode] != ExtendedStatusCode) return std::nullopt;
    const auto& f = *v;
    auto flag = [&](int i) { return f[i] != 0; };
    auto whole = [&](int i) { return int(std::lround(f[i])); };
    OrvStatus s;
    s.apparentRA = f[ApparentRA];
    s.apparentDec = f[ApparentDec];
    s.meanRA = f[MeanRA];
    s.meanDec = f[MeanDec];
    s.epoch = f[MeanEpoch];
    s.hourAngle = f[HourAngle];
    s.siderealTime = f[SiderealTime];
    s.year = whole(UTYear);
    s.month = whole(UTMonth);
    s.day = whole(UTDay);
    s.ut = f[UTHours];
    s.focus = f[FocusReading];
    s.domeAzimuth = f[DomeAzimuth];
    s.domeHome = f[DomeHomeAzimuth];
    s.shutter = whole(ShutterState);
    s.tracking = flag(TrackingOn);
    s.activeRateRA = f[ActiveTrackRateRA];
    s.activeRateDec = f[ActiveTrackRateDec];
    s.trackRateRA = f[TrackRateRA];
    s.trackRateDec = f[TrackRateDec];
    s.auxRateRA = f[AuxTrackRateRA];
    s.auxRateDec = f[AuxTrackRateDec];
    s.guideRate = f[GuideRate];
    s.setRate = f[SetRate];
    s.latitude = f[Latitude];
    s.longitudeWest = f[Longitude];
    s.pierEast = flag(PierSideEast);
    s.interlockOpen = flag(InterlockOpen);
    s.cloudDetected = flag(CloudDetected);
    s.inhibitNorth = flag(InhibitNorth);
    s.inhibitSouth = flag(InhibitSouth);
    s.inhibitEast = flag(InhibitEast);
    s.inhibitWest = flag(InhibitWest);
    s.stateCode = whole(StateCode);
    s.held = whole(HeldCommands);
    s.stopGeneration = uint32_t(std::llround(f[StopGeneration]));
    s.flags1 = uint32_t(std::llround(f[StatusWord1]));
    s.flags2 = uint32_t(std::llround(f[StatusWord2]));
    s.flags3 = uint32_t(std::llround(f[StatusWord3]));
    s.slewInProgress = flag(SlewInProgress);
    s.paddleByte = whole(ClientPaddleByte);
    s.timeScale = f[TimeScale] > 0 ? f[TimeScale] : 1.0;
    return s;
}

std::optional<int> ParsePaddleReply(const std::string& packet, int code) {
    const auto v = Values(packet);
    if (!v || v->size() != 2 || (*v)[0] != code || (*v)[1] < 0 || (*v)[1] > 255) return std::nullopt;
    return int((*v)[1]);
}

}  // namespace orv::indi
