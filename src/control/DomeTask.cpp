#include "control/DomeTask.h"

#include <algorithm>
#include <cmath>

#include "astro/AstroConstants.h"
#include "astro/AstroLib.h"
#include "control/System.h"
#include "control/SystemAstro.h"
#include "core/Ports.h"

namespace orv {

namespace {

// Below this zenith distance (degrees) the dome never needs to move.
constexpr double ZenithZD = 0.007;
constexpr uint8_t DomeRelays = ports::DomeLargerBit | ports::DomeSmallerBit;

}  // namespace

double DomeToleranceFor(double zenithDistanceDeg, double slitHalfWidth, double radius) {
    if (zenithDistanceDeg < ZenithZD) return astro::TwoPi;
    return slitHalfWidth / (std::sin(zenithDistanceDeg * astro::DegToRad) * radius);
}

double WrapDomeError(double a) {
    // The dome counter is not wrapped: after whole turns of the dome its azimuth
    // may lie several turns away, so the error is reduced by whole turns at once.
    return std::remainder(a, astro::TwoPi);
}

void DomeTask::InitDomeTask() {
    port_ = ports::DomeFocus;
    target_ = 0;
    now_ = 0;
    error_ = 0;
    system_.bus.write(port_, 0xFF);
    system_.state.DomeOn = 1;
    system_.state.DomeTrack = 0;
}

void DomeTask::DomeTaskPass() {
    if (!system_.sleep(1000)) return;
    ComputeDomeTarget();
    measure();
    auto& s = system_.state;
    if (std::abs(error_.load()) < tolerance_.load()) {
        setBits(s.StatusFlags2, status2::DomeInPosition);
    } else {
        clearBits(s.StatusFlags2, status2::DomeInPosition);
        if (testBits(s.StatusFlags1, status1::DomeOnIndicator)) MoveDome();
    }
    system_.sleep(1000);
}

void DomeTask::ComputeDomeTarget() {
    const auto& s = system_.state;
    const auto& p = system_.params;
    const auto [ha, dec] = DomeSightLineOf(system_);

    const double d = dec * astro::DegToRad;
    const double h = ha * astro::DegPerHour * astro::DegToRad;
    const double c = p.SinLatitude * std::sin(d) + p.CosLatitude * std::cos(d) * std::cos(h);
    const double z = std::acos(std::clamp(c, -1.0, 1.0)) * astro::RadToDeg;

    target_ = astro::DomeAzimuthFor(ha, dec, AstroContextOf(system_)) * astro::DegToRad;
    tolerance_ = DomeToleranceFor(z, p.DomeSlitHalfWidth, p.DomeRadius);

    if (!testBits(s.StatusFlags3, status3::DomeTrack)) {
        // Home mode: the home azimuth, or the azimuth a dome command asked for.
        // A move ends anywhere inside the stop threshold, so a band narrower
        // than that would leave a dome that has arrived "not in position" for good.
        target_ = p.DomeHomeAzimuth + s.DomeAzimuthOffset;
        tolerance_ = std::max(HomeTolerance, p.DomeStopThreshold.load());
    }
}

void DomeTask::measure() {
    now_ = system_.state.DomeAzimuthRad.load();
    error_ = WrapDomeError(now_ - target_);
}

void DomeTask::MoveDome() {
    const auto& p = system_.params;
    auto& s = system_.state;
    if (std::abs(error_.load()) > p.DomeStartThreshold) {
        do {
            if (system_.isTerminating()) break;
            measure();
            // Only the two dome relays change; the focus relays on this port stay as they are.
            if (error_ < 0)
                system_.bus.modify(port_, ports::DomeLargerBit, ports::DomeSmallerBit);   // larger azimuth
            else
                system_.bus.modify(port_, ports::DomeSmallerBit, ports::DomeLargerBit);   // smaller azimuth
            system_.sleep(50);
        } while (!(std::abs(error_.load()) < p.DomeStopThreshold) &&
                 testBits(s.StatusFlags1, status1::DomeOnIndicator));
    }
    ReleaseRelays();
}

void DomeTask::ReleaseRelays() { system_.bus.modify(port_, 0, DomeRelays); }

}  // namespace orv
