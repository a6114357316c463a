#include "control/TimeTask.h"

#include <cmath>

#include "astro/AstroConstants.h"
#include "astro/AstroLib.h"
#include "control/System.h"
#include "control/SystemAstro.h"
#include "core/PortLayer.h"
#include "core/Ports.h"

namespace orv {

namespace {
}

int32_t CounterValueFromBytes(uint8_t low, uint8_t middle, uint8_t high) {
    uint32_t raw = static_cast<uint32_t>(low) | (static_cast<uint32_t>(middle) << 8) |
                   (static_cast<uint32_t>(high) << 16);
    if (high >= 0x80) raw |= 0xFF000000u;
    return static_cast<int32_t>(raw);
}

void AdvanceDate(int& day, int& month, int& year) {
    ++day;
    switch (month) {
        case 1: case 3: case 5: case 7: case 8: case 10: case 12:
            if (day > 31) {
                day = 1;
                ++month;
                if (month > 12) {
                    ++year;
                    month = 1;
                }
            }
            break;
        case 4: case 6: case 9: case 11:
            if (day > 30) {
                day = 1;
                ++month;
            }
            break;
        default: {  // February, and any month number outside 1..12
            int last = (year % 4 == 0) ? 29 : 28;
            if (day > last) {
                day = 1;
                ++month;
            }
            break;
        }
    }
}

double WrapDomeAzimuth(double degrees) {
    if (!std::isfinite(degrees)) return degrees;
    degrees = std::fmod(degrees, 720.0);  // bounds the loop below for any counter value
    while (degrees < 0 || degrees > 360) {
        if (degrees > 360) degrees -= 360;
        if (degrees < 0) degrees += 360;
    }
    return degrees;
}

void TimeTask::InitTimeTask() {
    auto& s = system_.state;
    s.LST = 0;
    s.UT = 0;
    s.AirMass = 0;
    s.HARateCorrection = 0;
    s.DecRateCorrection = 0;
    s.HACorrection = 0;
    s.DecCorrection = 0;
    s.ReportedFocus = 0;
    s.ReportedFocus2 = 0;
    s.HA = 0.1;
    s.Dec = 40.0;
    s.RA = 0;
    s.Year = 1900.0;
    s.Month = 1;
    s.Day = 1;
    s.DomeAzimuthRad = 300.0;
}

void TimeTask::ReadPositionCounters() {
    auto& s = system_.state;
    auto& bus = system_.bus;
    std::array<int32_t, 4> counts{};
    {
        std::lock_guard lock(system_.locks.CounterLock);
        for (int ch = 0; ch < 4; ++ch) bus.write(ports::CounterControl(ch), ports::CounterStartTransfer);
        for (int ch = 0; ch < 4; ++ch) bus.write(ports::CounterControl(ch), ports::CounterLatch);
        for (int ch = 0; ch < 4; ++ch) {
            uint16_t data = ports::CounterData(ch);
            uint8_t low = bus.read(data);
            uint8_t middle = bus.read(data);
            uint8_t high = bus.read(data);
            counts[ch] = CounterValueFromBytes(low, middle, high);
        }
        raCount_ = counts[ports::RACounter];
        const double decBuffer = counts[ports::DecCounter];
        // On the east side of the pier the Dec counter runs the other way.
        decCount_ = s.EastSideOperation ? s.DecCountOffset - decBuffer : decBuffer + s.DecCountOffset;
        domeCount_ = counts[ports::DomeCounter];
        s.FourthCount = counts[ports::FourthCounter];
    }
    std::lock_guard lock(system_.locks.ClockLock);
    const auto& p = system_.params;
    // Elapsed ticks as an unsigned 32-bit count, as the clock counters are kept.
    auto lstTicks = static_cast<uint32_t>(system_.LSTClock.read());
    auto utTicks = static_cast<uint32_t>(system_.UTClock.read());
    double lst = p.SidTicksPerHour != 0 ? lstTicks / p.SidTicksPerHour : 0.0;
    double ut = p.UTTicksPerHour != 0 ? utTicks / p.UTTicksPerHour : 0.0;
    // At each midnight a clock starts its next day with what it has run past
    // 24 h (up to a pass, 100 ms or more, which is 1.5 arcsec of hour angle).
    if (lst >= 24) {
        system_.LSTClock.subtract(24 * p.SidTicksPerHour);
        lst -= 24;
    }
    s.LST = lst;
    if (ut >= 24) {
        system_.UTClock.subtract(24 * p.UTTicksPerHour);
        ut -= 24;
        int day = s.Day, month = s.Month, year = static_cast<int>(std::trunc(s.Year.load()));
        AdvanceDate(day, month, year);
        s.Day = day;
        s.Month = month;
        s.Year = astro::FractionalYear(year, month, day);
    }
    s.UT = ut;
}

void TimeTask::UpdateCoordinates() {
    auto& s = system_.state;
    auto& p = system_.params;
    std::lock_guard parameterLock(system_.locks.ParameterLock);
    ReadPositionCounters();
    const auto context = AstroContextOf(system_);
    std::lock_guard correctionLock(system_.locks.CorrectionLock);
    const auto chain = astro::ReverseChain(raCount_ * p.HAScale, decCount_ * p.DecScale, s.LST, s.Epoch,
                                           context);
    const auto& c = chain.corrections;
    s.ZenithDistance = c.ZenithDistance;
    s.Azimuth = c.Azimuth;
    s.AirMass = c.AirMass;
    s.HACorrection = c.HACorrection;
    s.DecCorrection = c.DecCorrection;
    s.HARateCorrection = c.HARateCorrection;
    s.DecRateCorrection = c.DecRateCorrection;
    s.ThroughPole = chain.ThroughPole ? 1 : 0;
    s.Dec = chain.Dec;
    s.RA = chain.RA;
    s.HA = chain.HA;
    s.ApparentRA = chain.ApparentRA;
    s.ApparentDec = chain.ObservedDec;   // the observed Dec less the corrections: apparent
}

void TimeTask::TimeTaskPass() {
    auto& s = system_.state;
    UpdateCoordinates();
    double ha = s.HA;
    if (ha < -12) ha += 24;
    else if (ha > 12) ha -= 24;
    s.HA = ha;
    double ra = s.RA;
    if (ra < 0) ra += 24;
    else if (ra >= 24) ra -= 24;
    s.RA = ra;
    const double domeRad = domeCount_ * system_.params.DomeCountScale;
    s.DomeAzimuthRad = domeRad;
    s.DomeAzimuth = WrapDomeAzimuth(domeRad * astro::RadToDeg);
    s.FocusReading = ReadADChannel(system_.bus, system_.clock, system_.locks.ADCLock,
                                   ports::FocusADChannel, &system_.terminating);
    // The focus a remote host asks for ('#29;', MNCP "get x_zevfocus") is where the focus is.
    s.ReportedFocus = s.FocusReading.load();
    if (!system_.sleep(50)) return;
    system_.sleep(50);
}

}  // namespace orv
