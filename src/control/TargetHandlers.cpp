#include "control/TargetHandlers.h"

#include <cmath>
#include <mutex>
#include <optional>

#include "astro/AstroConstants.h"
#include "astro/AstroLib.h"
#include "astro/ObjectLibrary.h"
#include "config/MarkTable.h"
#include "control/SlewHelpers.h"
#include "control/System.h"
#include "control/SystemAstro.h"
#include "control/VirtualPaddle.h"
#include "core/Ports.h"

namespace orv {

namespace {

constexpr int64_t SlewLoopMs = 5;   // one pass of the slew loop
constexpr int64_t TrailLoopMs = 25;  // one pass of a trail leg
constexpr double SiderealRate = 15.041;   // arcsec/s of hour-angle axis: the sky's drift

// The command parameter rounded to the nearest whole number (halves to even),
// or nothing when it is not a number of int range.
std::optional<int> RoundedIndex(double value) {
    if (!std::isfinite(value) || std::fabs(value) > 1.0e9) return std::nullopt;
    return static_cast<int>(std::nearbyint(value));
}

// Computes and checks the target from P1 (RA hours), P2 (Dec degrees) and P3
// (equinox; 0: the display equinox Epoch; -1: coordinates of date, with the
// pointing corrections taken out). `lst` is the sidereal time the caller read
// once for the whole load; `hourAngleTarget` marks a target that is to stay at
// the hour angle given in P4 (zenith, hour-angle slews): an hour angle has no
// equinox, so the precession moves its Dec only.
void PlaceTarget(System& system, double lst, bool hourAngleTarget) {
    auto& s = system.state;
    const double epoch = s.Epoch;
    double ra = s.CommandParam[1];
    double dec = s.CommandParam[2];
    const double equinox = s.CommandParam[3] == 0 ? epoch : s.CommandParam[3].load();
    s.NextRA = ra;
    s.NextDec = dec;
    s.NextEpoch = equinox;
    if (!std::isfinite(ra) || !std::isfinite(dec) || !std::isfinite(equinox) || ra < 0 ||
        ra >= 24.0 || std::fabs(dec) >= 90.0)
        return;

    double targetRA, targetDec;
    if (equinox == epoch) {
        targetRA = ra;
        targetDec = dec;
    } else if (equinox == -1) {
        // Place of date: back to the mean place of the display equinox, then
        // out of the observed frame the counters work in.
        const double year = s.Year;
        s.NextEpoch = year;
        const astro::AstroContext ctx = AstroContextOf(system);
        const astro::Pair p = astro::Precession(ra, dec, year, epoch);
        ra += p.ra;
        dec += p.dec;
        const astro::Pair n = astro::Nutation(ra, dec, ctx);
        ra -= n.ra;
        dec -= n.dec;
        const astro::Pair a = astro::Aberration(ra, dec, ctx);
        ra -= a.ra;
        dec -= a.dec;
        s.NextRA = ra;
        s.NextDec = dec;
        const double ha = lst - ra;
        s.NextHA = ha;
        astro::Corrections c;
        {
            std::lock_guard lock(system.locks.CorrectionLock);
            c = astro::PointingCorrections(ha, dec, ctx);
        }
        targetRA = ra - c.HACorrection;
        targetDec = dec - c.DecCorrection;
    } else {
        const astro::Pair p = astro::Precession(ra, dec, equinox, epoch);
        targetRA = ra + p.ra;
        targetDec = dec + p.dec;
    }
    double targetHA;
    if (hourAngleTarget) {
        targetHA = WrapHours12(s.CommandParam[4]);
        targetRA = WrapHours24(lst - targetHA);
    } else {
        targetRA = WrapHours24(targetRA);
        targetHA = HourAngleOf(targetRA, lst);
    }
    // A place the conversions could not give (an absurd equinox) is not loaded.
    if (!std::isfinite(targetRA) || !std::isfinite(targetDec)) return;
    s.TargetRA = targetRA;
    s.TargetDec = targetDec;
    s.NextHA = targetHA;
    // The loaded target decides how the next slew treats its RA: an hour-angle
    // target is re-placed from NextHA on every slew pass, any other stays put.
    s.HATargetMode = hourAngleTarget ? 1 : 0;

    if (CheckTargetRange(system, targetDec, targetHA)) {
        s.StopRequest = 1;
        s.DecRate = 0;
        s.HARate = 0;
        setBits(s.StatusFlags3, status3::TargetLoaded);
        clearBits(s.StatusFlags1, status1::SlewEnabled);
    } else {
        setBits(s.StatusFlags1, status1::SlewEnabled);
        setBits(s.StatusFlags3, status3::TargetLoaded);
    }
}

// The load-target sequence around PlaceTarget: busy while it runs, nothing
// loaded before the position is initialised.
void LoadTargetFromParams(System& system, double lst, bool hourAngleTarget) {
    auto& s = system.state;
    setBits(s.StatusFlags1, status1::CommandBusy);
    if (testBits(s.StatusFlags1, status1::Initialized)) PlaceTarget(system, lst, hourAngleTarget);
    clearBits(s.StatusFlags1, status1::CommandBusy);
    s.StateCode = 0;
}

// An hour-angle target wants the front-panel tracking switch off (the mount is
// to stay at that hour angle), any other target wants it on. A wrong switch is
// reported with three beeps a second apart and a message; the slew goes on.
void AdviseTrackingSwitch(System& system) {
    auto& s = system.state;
    const bool hourAngleTarget = s.HATargetMode != 0;
    const bool trackingOn = testBits(s.StatusFlags1, status1::TrackingSwitch);
    if (hourAngleTarget != trackingOn) return;
    system.beep();
    system.sleep(1000);
    system.beep();
    system.sleep(1000);
    system.beep();
    s.TelescopeMessage.set(hourAngleTarget ? "Turn front panel track switch OFF"
                                           : "Turn front panel track switch ON");
}

// How fast the target drifts west (arcsec/s) against the hour-angle axis while
// the tracking switch is not where the target wants it: an hour-angle target
// stands still while the axis tracks away from it; any other target moves with
// the sky while the axis stands. The final approach speeds (12 and 3 arcsec/s)
// are slower than that drift, so without it the slew would hover some
// arcseconds from such a target and never end. 0 with the switch as advised.
double TargetDriftWest(const TelescopeState& s, bool hourAngleTarget) {
    const bool trackingOn = testBits(s.StatusFlags1, status1::TrackingSwitch);
    if (hourAngleTarget && trackingOn) return -s.ActiveTrackRateRA;
    if (!hourAngleTarget && !trackingOn) return SiderealRate;
    return 0;
}

// Drives both axes to TargetRA / TargetDec with the approach speeds, until both
// are within SlewArrivalTolerance, a stop is requested or the limit warning comes.
void RunSlew(System& system) {
    auto& s = system.state;
    SlewSignalPulse(system);
    if (testBits(s.StatusFlags1, status1::SlewEnabled)) {
        s.SlewInProgress = 1;
        setBits(s.StatusFlags1, status1::Slewing);
        AdviseTrackingSwitch(system);

        const bool hourAngleTarget = s.HATargetMode != 0;
        const double targetHA = s.NextHA;   // kept by the load of an hour-angle target
        double dRA = 0, dDec = 0;
        do {
            const double lst = s.LST;
            if (hourAngleTarget) s.TargetRA = WrapHours24(lst - targetHA);

            // An hour-angle target is measured on the hour angle itself, which the
            // coordinate task forms from one reading of RA and sidereal time.
            const double toGo = hourAngleTarget ? WrapHours12(targetHA) - WrapHours12(s.HA)
                                                : HourAngleToGo(s.RA, s.HA, s.TargetRA, lst);
            dRA = std::fabs(toGo) * 15.0;
            // Read on every pass: the operator may follow the advice mid-slew.
            const double drift = TargetDriftWest(s, hourAngleTarget);
            double west = drift;   // signed offset rate, arcsec/s, west positive
            if (dRA > SlewArrivalTolerance) west += (toGo >= 0 ? 1 : -1) * ApproachRate(dRA);
            if (west == 0) {
                s.HARate = 0;
            } else {
                s.HAMoveWest = west > 0 ? 1 : 0;
                s.HARate = std::fabs(west);
            }

            const double dec = s.Dec;
            const double targetDec = s.TargetDec;
            dDec = std::fabs(dec - targetDec);
            if (dDec <= SlewArrivalTolerance) {
                s.DecRate = 0;
            } else {
                s.DecMoveNorth = dec < targetDec ? 1 : 0;
                s.DecRate = ApproachRate(dDec);
            }

            if (!system.sleep(SlewLoopMs)) break;
        } while ((dRA >= SlewArrivalTolerance || dDec >= SlewArrivalTolerance) && s.StopRequest == 0 &&
                 s.LimitWarning == 0);

        s.SlewInProgress = 0;
        clearBits(s.StatusFlags1, status1::Slewing);
        s.StopRequest = 0;
        s.DecRate = 0;
        s.HARate = 0;
        clearBits(s.StatusFlags1, status1::SlewEnabled);
        clearBits(s.StatusFlags3, status3::TargetLoaded);
        s.HATargetMode = 0;
        system.beep();
    }
    SlewSignalPulse(system);
}

// One leg of a trail: moves each axis at its speed towards `target` until it
// has passed it, guiding with the paddle on top of the tracking rates.
void RunTrailLeg(System& system, SkyPoint target, AxisRates speed) {
    auto& s = system.state;
    s.TargetRA = target.ra;
    s.TargetDec = target.dec;
    const bool west = HourAngleToGo(s.RA, s.HA, target.ra, s.LST) >= 0;
    const bool north = s.Dec < target.dec;
    const TrackRatePair kept{s.TrackRateRA, s.TrackRateDec};

    int previousBits = -1;   // no paddle reading has this value
    for (;;) {
        const int bits = ReadPaddleByte(system) & ports::PaddleDirectionMask;
        if (bits != previousBits) {
            const TrackRatePair guided = GuidedTrackRates(static_cast<uint8_t>(bits), kept, s.GuideRate);
            s.TrackRateRA = guided.ra;
            s.TrackRateDec = guided.dec;
        }
        const bool stillWest = HourAngleToGo(s.RA, s.HA, target.ra, s.LST) >= 0;
        const bool stillNorth = s.Dec < target.dec;
        const double haRate = (stillWest == west) ? speed.ha : 0.0;
        const double decRate = (stillNorth == north) ? speed.dec : 0.0;
        // The directions are set with the rates on every pass: the paddle
        // handling of the input monitor writes both when a button changes.
        s.HAMoveWest = west ? 1 : 0;
        s.DecMoveNorth = north ? 1 : 0;
        s.HARate = haRate;
        s.DecRate = decRate;

        if (!system.sleep(TrailLoopMs)) break;
        if ((haRate < 0.0001 && decRate < 0.0001) || s.StopRequest != 0) break;
        previousBits = bits;
    }
    s.TrackRateRA = kept.ra;
    s.TrackRateDec = kept.dec;
}

}  // namespace

void LoadTarget(System& system) { LoadTargetFromParams(system, system.state.LST, false); }

void LoadOffsetTarget(System& system) {
    auto& s = system.state;
    setBits(s.StatusFlags1, status1::CommandBusy);
    if (testBits(s.StatusFlags1, status1::Initialized)) {
        // Offsets in arcseconds on the sky from the displayed position.
        s.CommandParam[1] = s.CommandParam[1] / 54000.0;   // hours of RA
        s.CommandParam[2] = s.CommandParam[2] / 3600.0;    // degrees
        const double dra = s.CommandParam[1], ddec = s.CommandParam[2];
        const double ra = s.RA, dec = s.Dec;
        const double nextRA = WrapHours24(ra + dra / std::cos((dec + ddec / 2.0) * astro::DegToRad));
        const double nextDec = dec + ddec;
        s.NextRA = nextRA;
        s.NextDec = nextDec;
        s.NextEpoch = s.Epoch.load();
        if (std::isfinite(nextRA) && nextRA >= 0 && nextRA < 24.0 && std::fabs(nextDec) < 90.0) {
            s.TargetRA = nextRA;
            s.TargetDec = nextDec;
            s.HATargetMode = 0;
            const double targetHA = HourAngleOf(nextRA, s.LST);
            s.NextHA = targetHA;
            if (CheckTargetRange(system, nextDec, targetHA)) {
                // Motion goes on, but no earlier target may stay enabled now
                // that the slew target has been replaced by this one.
                clearBits(s.StatusFlags1, status1::SlewEnabled);
            } else {
                setBits(s.StatusFlags1, status1::SlewEnabled);
                setBits(s.StatusFlags3, status3::TargetLoaded);
            }
        }
    }
    clearBits(s.StatusFlags1, status1::CommandBusy);
    s.StateCode = 0;
}

void LoadLibraryObject(System& system) {
    auto& s = system.state;
    const std::optional<int> number = RoundedIndex(s.CommandParam[1]);
    const TStarLib* record = number ? LibraryRecordByNumber(*number) : nullptr;
    if (!record) {
        s.StateCode = 0;
        return;
    }
    s.CommandParam[1] = record->RA;
    s.CommandParam[2] = record->Dec;
    s.CommandParam[3] = 2000.0;   // the library holds places of equinox 2000.0
    LoadTargetFromParams(system, s.LST, false);
}

void LoadMark(System& system) {
    auto& s = system.state;
    const std::optional<int> index = RoundedIndex(s.CommandParam[1]);
    const std::optional<TMarkEntry> mark =
        index && system.marks ? system.marks->SelectMarkTarget(*index) : std::nullopt;
    if (!mark) {
        s.StateCode = 0;
        return;
    }
    s.CommandParam[1] = mark->RA;
    s.CommandParam[2] = mark->Dec;
    s.CommandParam[3] = mark->Epoch;
    LoadTargetFromParams(system, s.LST, false);
}

void LoadZenith(System& system) {
    auto& s = system.state;
    const double lst = s.LST;
    s.CommandParam[1] = lst;
    s.CommandParam[2] = system.params.Latitude.load();
    s.CommandParam[3] = 0;
    s.CommandParam[4] = 0;   // the hour angle of the target
    LoadTargetFromParams(system, lst, true);
}

void SlewToHourAngle(System& system) {
    auto& s = system.state;
    const double lst = s.LST;
    const double ha = s.CommandParam[1];
    s.CommandParam[4] = ha;
    s.CommandParam[1] = WrapHours24(lst - ha);
    LoadTargetFromParams(system, lst, true);
}

void StartSlew(System& system) {
    auto& s = system.state;
    // No motion starts while the drive interlock is open: the stop it holds stays.
    if (!s.InterlockOpen) {
        s.StopRequest = 0;
        RunSlew(system);
    }
    s.StateCode = 0;
}

void StartTrail(System& system) {
    auto& s = system.state;
    if (s.InterlockOpen) {
        s.StateCode = 0;
        return;
    }
    // A stop left over from an earlier command must not end this trail at once.
    s.StopRequest = 0;
    const SkyPoint start{s.RA, s.Dec};
    const double angle = s.TrailAngle;
    setBits(s.StatusFlags2, status2::Trailing);
    SkyPoint end = TrailEndPoint(start, angle, s.TrailLength);
    end.ra = WrapHours24(end.ra);
    const AxisRates speed = TrailAxisRates(angle, s.TrailRate);

    while (s.StopRequest == 0 && !system.isTerminating()) {
        RunTrailLeg(system, end, speed);
        if (s.StopRequest != 0) break;
        RunTrailLeg(system, start, speed);
        if (!system.sleep(5)) break;
    }
    s.StateCode = 0;
    s.StopRequest = 0;
    s.DecRate = 0;
    s.HARate = 0;
    clearBits(s.StatusFlags2, status2::Trailing);
}

}  // namespace orv
