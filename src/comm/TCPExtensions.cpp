#include "comm/TCPExtensions.h"

#include <cmath>
#include <initializer_list>

#include "astro/AstroConstants.h"
#include "astro/TextFormats.h"
#include "comm/TCPExtendedProtocol.h"
#include "comm/TCPPacket.h"
#include "control/RemotePaddle.h"
#include "control/System.h"
#include "core/Ports.h"

namespace orv {

static_assert(tcpx::ShutterClosed == shutter::Closed && tcpx::ShutterOpening == shutter::Opening &&
                  tcpx::ShutterOpen == shutter::Open && tcpx::ShutterClosing == shutter::Closing &&
                  tcpx::ShutterUnknown == shutter::Unknown,
              "the wire carries ShutterState as it is");
static_assert(tcpx::PaddleHoldMs == RemotePaddle::HoldMs, "clients pace their renewals by this");
static_assert(tcpx::ShutterCode == 36, "the shutter's own state code");

namespace {

// A place with its declination folded back into -90 ... +90 (a telescope
// through the pole reads beyond it), RA in 0 ... 24 hours.
struct Place {
    double ra, dec;
};
Place Folded(double ra, double dec) {
    if (dec < -90.0) {
        dec = -180.0 - dec;
        ra += 12.0;
    } else if (dec > 90.0) {
        dec = 180.0 - dec;
        ra += 12.0;
    }
    ra = std::fmod(ra, 24.0);
    if (ra < 0) ra += 24.0;
    if (ra >= 24.0 - 5e-7) ra = 0.0;   // would be written "24.000000"
    return {ra, dec};
}

struct Value {
    double x;
    int decimals;
};

std::string Packet(std::initializer_list<Value> values) {
    std::string out = "#";
    for (const auto& v : values) {
        if (out.size() > 1) out += ',';
        out += FormatFixed(v.x, v.decimals);
    }
    return out + ";";
}

std::string CodeAndByte(int code, uint8_t byte) { return Packet({{double(code), 0}, {double(byte), 0}}); }

// A packet field as a whole number, or nothing when it is none.
std::optional<int64_t> Whole(double x) {
    if (!std::isfinite(x) || std::fabs(x) > 1.0e9 || x != std::trunc(x)) return std::nullopt;
    return static_cast<int64_t>(x);
}

}  // namespace

std::string TCPExtendedStatus(const System& system, size_t heldForClient, uint8_t clientPaddleByte) {
    const auto& s = system.state;
    const auto& p = system.params;
    const Place apparent = Folded(s.ApparentRA, s.ApparentDec);
    const Place mean = Folded(s.RA, s.Dec);
    const double activeRA = s.ActiveTrackRateRA, activeDec = s.ActiveTrackRateDec;
    auto flag = [](bool b) { return Value{b ? 1.0 : 0.0, 0}; };
    auto whole = [](double x) { return Value{x, 0}; };
    return Packet({
        whole(tcpx::ExtendedStatusCode),
        {apparent.ra, 6}, {apparent.dec, 6},
        {mean.ra, 6}, {mean.dec, 6}, {s.Epoch, 6},
        {s.HA, 6}, {s.LST, 6},
        whole(std::trunc(s.Year.load())), whole(s.Month), whole(s.Day), {s.UT, 6},
        {s.FocusReading, 1},
        {s.DomeAzimuth, 6}, {p.DomeHomeAzimuth * astro::RadToDeg, 6},
        whole(s.ShutterState),
        flag(activeRA != 0 || activeDec != 0), {activeRA, 4}, {activeDec, 4},
        {s.TrackRateRA, 4}, {s.TrackRateDec, 4}, {s.AuxTrackRateRA, 4}, {s.AuxTrackRateDec, 4},
        {s.GuideRate, 4}, {s.SetRate, 4},
        {p.Latitude, 6}, {p.Longitude * 15.0, 6},
        flag(s.EastSideOperation != 0),
        flag(s.InterlockOpen != 0), flag(s.CloudDetected != 0),
        flag(s.InhibitNorth != 0), flag(s.InhibitSouth != 0), flag(s.InhibitEast != 0), flag(s.InhibitWest != 0),
        whole(s.StateCode), whole(double(heldForClient)), whole(s.StopGeneration),
        whole(s.StatusFlags1), whole(s.StatusFlags2), whole(s.StatusFlags3),
        flag(s.SlewInProgress != 0),
        whole(clientPaddleByte),
        {system.clock.timeScale(), 3},
    });
}

std::optional<std::string> TCPExtensions::Execute(int code, const TCPPacketFields& fields, TCPClientId client,
                                                  size_t heldForClient) {
    auto& s = system_.state;
    RemotePaddle& paddle = *system_.remotePaddle;
    const int64_t now = system_.clock.nowMs();
    const auto safety = RemotePaddleSafety(system_);

    switch (code) {
    case tcpx::ExtendedStatusCode:
        return TCPExtendedStatus(system_, heldForClient, paddle.byteOf(client, now, safety));

    case tcpx::PaddlePressCode: {
        const auto directions = Whole(fields.param[1]);
        const auto speed = Whole(fields.param[2]);
        // Anything but the four direction bits and the three speeds is refused
        // (the press in force stays): a garbled packet must not move the telescope.
        const bool valid = directions && (*directions & ~int64_t{ports::PaddleDirectionMask}) == 0 &&
                           speed && *speed >= tcpx::PaddleGuide && *speed <= tcpx::PaddleSlew;
        if (!valid) return CodeAndByte(code, paddle.byteOf(client, now, safety));
        const PaddleSpeed chosen = *speed == tcpx::PaddleSet    ? PaddleSpeed::Set
                                   : *speed == tcpx::PaddleSlew ? PaddleSpeed::Slew
                                                                : PaddleSpeed::Guide;
        return CodeAndByte(code, paddle.press(client, uint8_t(*directions), chosen, now, safety));
    }
    case tcpx::PaddleRenewCode:
        return CodeAndByte(code, paddle.renew(client, now, safety));

    case tcpx::PulseGuideCode: {
        const auto direction = Whole(fields.param[1]);
        const auto ms = Whole(fields.param[2]);
        if (direction && ms && *direction > 0 && *direction <= 0xFF && *ms > 0)
            return CodeAndByte(code, paddle.pulse(client, uint8_t(*direction), *ms, now, safety));
        return CodeAndByte(code, paddle.byteOf(client, now, safety));
    }
    case tcpx::DomeStopCode:
        // Automatic dome control off: a dome move ends within 50 ms once the
        // input monitor has cleared the dome-on indicator; the mount is left alone.
        s.DomeOn = 0;
        return Packet({{double(code), 0}});

    case tcpx::FocusStopCode:
        s.FocusStopRequest = 1;
        return Packet({{double(code), 0}});

    default:
        return std::nullopt;
    }
}

void TCPExtensions::ClientGone(TCPClientId client) { system_.remotePaddle->release(client); }

}  // namespace orv
