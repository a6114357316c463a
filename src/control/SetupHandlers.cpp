#include "control/SetupHandlers.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <optional>

#include "astro/AstroConstants.h"
#include "astro/AstroLib.h"
#include "config/MarkTable.h"
#include "control/System.h"
#include "control/SystemAstro.h"
#include "core/PortLayer.h"
#include "core/Ports.h"

namespace orv {

namespace {


double P(System& system, int i) { return system.state.CommandParam[static_cast<size_t>(i)]; }
void Done(System& system) { system.state.StateCode = 0; }

// Universal time in hours from a count of whole milliseconds, recombined from its
// hours, minutes, seconds and milliseconds.
double HoursFromMilliseconds(int64_t ms) {
    int64_t h = ms / 3600000, m = (ms / 60000) % 60, s = (ms / 1000) % 60, msec = ms % 1000;
    return static_cast<double>(h) + static_cast<double>(m) / 60 + static_cast<double>(s) / 3600 +
           static_cast<double>(msec) / 3600000;
}

// The years the day count is exact for (it has no century correction).
constexpr double FirstYear = 1901, LastYear = 2099;
constexpr int64_t MsPerDay = 86400000;

struct GivenDate {
    int year, month, day;
    int64_t ms;   // UT, whole milliseconds of the day
};

// The date and UT of a set-date command, or nothing when a field is not a
// number, the year is outside 1901 to 2099, the month outside 1 to 12, the day
// outside 1 to 31 or the UT outside 0 <= UT < 24 hours. Each field is checked
// before it is converted to an integer.
std::optional<GivenDate> CheckedDate(double year, double month, double day, double ut) {
    const double y = std::trunc(year), m = std::trunc(month), d = std::trunc(day);
    if (!(y >= FirstYear && y <= LastYear && m >= 1 && m <= 12 && d >= 1 && d <= 31 && ut >= 0 && ut < 24))
        return std::nullopt;
    // A UT a hair below 24 h rounds to the last millisecond of the day, not the next day.
    const int64_t ms = std::min<int64_t>(std::llround(ut * 3600000.0), MsPerDay - 1);
    return GivenDate{static_cast<int>(y), static_cast<int>(m), static_cast<int>(d), ms};
}

struct Place {
    double ra, dec, epoch;
};

// The place of a command's RA, Dec and equinox parameters: an equinox of 0 means
// the display equinox; RA and Dec both 0 mean `fallback`.
Place GivenPlaceOr(System& system, double ra, double dec, double epoch, const Place& fallback) {
    if (ra == 0 && dec == 0) return fallback;
    return {ra, dec, epoch != 0 ? epoch : system.state.Epoch.load()};
}

double SiderealNow(System& system) {
    std::lock_guard lock(system.locks.ClockLock);
    double ticksPerHour = system.params.SidTicksPerHour;
    return ticksPerHour != 0 ? static_cast<double>(system.LSTClock.read()) / ticksPerHour : 0.0;
}

}  // namespace

void PresetTelescopePosition(System& system, double ra, double dec, double epoch) {
    auto& s = system.state;
    auto& p = system.params;
    astro::PlaceRecord place;
    place.RA = ra;
    place.Dec = dec;
    place.Epoch = epoch;
    std::lock_guard lock(system.locks.CounterLock);
    const auto context = AstroContextOf(system);
    s.LST = astro::ObservedPlace(place, context, [&] { return SiderealNow(system); });
    LoadCounterChannel(system.bus, ports::RACounter, place.HA / p.HAScale);
    LoadCounterChannel(system.bus, ports::DecCounter, 0);
    s.DecCountOffset = p.DecScale != 0 ? place.Dec / p.DecScale : 0.0;
}

void SetDateAndTime(System& system) {
    auto& s = system.state;
    auto& p = system.params;
    int year, month, day;
    int64_t ms;
    if (P(system, 1) != 0) {
        const std::optional<GivenDate> given = CheckedDate(P(system, 1), P(system, 2), P(system, 3), P(system, 4));
        if (!given) {
            // A date or time the clocks cannot hold changes nothing.
            Done(system);
            return;
        }
        year = given->year;
        month = given->month;
        day = given->day;
        ms = given->ms;
    } else {
        // The PC clock, in UTC.
        int64_t utc = system.clock.utcMs();
        std::time_t seconds = static_cast<std::time_t>(utc / 1000);
        std::tm tm{};
        gmtime_r(&seconds, &tm);
        year = tm.tm_year + 1900;
        month = tm.tm_mon + 1;
        day = tm.tm_mday;
        ms = (static_cast<int64_t>(tm.tm_hour) * 3600 + tm.tm_min * 60 + tm.tm_sec) * 1000 + utc % 1000;
    }
    const double ut = HoursFromMilliseconds(ms);
    {
        std::lock_guard lock(system.locks.ClockLock);
        s.UT = ut;
        s.Month = month;
        s.Day = day;
        s.Year = year;
        s.Epoch = year + 0.5;
        const double lst = astro::LocalSiderealTime(AstroContextOf(system));
        s.LST = lst;
        system.LSTClock.setTicks(lst * p.SidTicksPerHour);
        system.UTClock.setTicks(ut * p.UTTicksPerHour);
    }
    // Trunc(Year + 0.01): a value a hair below a whole year is not the year before.
    s.Year = astro::FractionalYear(std::trunc(s.Year + 0.01), month, day);

    if (!testBits(s.StatusFlags1, status1::Initialized)) {
        // First setting after start: the telescope is taken to point at the zenith.
        PresetTelescopePosition(system, s.LST, p.Latitude, s.Epoch);
        setBits(s.StatusFlags1, status1::Initialized);
    }
    system.sleep(50);
    Done(system);
}

void SetDomePosition(System& system) {
    double azimuth = P(system, 1);
    if (azimuth == 0) {
        const auto sight = DomeSightLineOf(system);
        azimuth = astro::DomeAzimuthFor(sight.ha, sight.dec, AstroContextOf(system));
    }
    {
        // The time task latches this counter too; keep the preset whole.
        std::lock_guard lock(system.locks.CounterLock);
        LoadCounterChannel(system.bus, ports::DomeCounter, azimuth * astro::DegToRad / system.params.DomeCountScale);
    }
    Done(system);
}

void SetTelescopePosition(System& system) {
    const auto& s = system.state;
    const Place place = GivenPlaceOr(system, P(system, 1), P(system, 2), P(system, 3),
                                     {s.NextRA, s.NextDec, s.NextEpoch});
    // A place that is not a number would preset the counters to nonsense.
    if (std::isfinite(place.ra) && std::isfinite(place.dec) && std::isfinite(place.epoch))
        PresetTelescopePosition(system, place.ra, place.dec, place.epoch);
    Done(system);
}

void SetRotatorCounter(System& system) {
    {
        std::lock_guard lock(system.locks.CounterLock);
        LoadCounterChannel(system.bus, ports::FourthCounter, P(system, 1) * system.params.RotatorCountScale);
    }
    Done(system);
}

void SetFocusCounter(System& system) {
    {
        std::lock_guard lock(system.locks.CounterLock);
        LoadCounterChannel(system.bus, ports::FourthCounter, P(system, 1) / system.params.FocusCountScale);
    }
    Done(system);
}

void StopTelescope(System& system) {
    auto& s = system.state;
    // The stop generation moved when the stop was given (Commander::stop, or the
    // door's pickup of a code 13 written around it); moving it again here would
    // discard the commands sent after the stop.
    s.StopRequest = 1;
    s.DecRate = 0;
    s.HARate = 0;
    clearBits(s.StatusFlags3, status3::TargetLoaded);
    clearBits(s.StatusFlags1, status1::SlewEnabled);
    Done(system);
}

void SetTrackingRates(System& system) {
    auto& s = system.state;
    const double p1 = P(system, 1), p2 = P(system, 2), p3 = P(system, 3), p4 = P(system, 4);
    const bool allSane = std::fabs(p1) < 4500 && std::fabs(p2) < 4500 && std::fabs(p3) < 4500 &&
                         std::fabs(p4) < 4500;
    if (allSane) {
        s.TrackRateRA = p1;
        s.TrackRateDec = p2;
        s.AuxTrackRateRA = p3;
        s.AuxTrackRateDec = p4;
    }
    Done(system);
}

// The paddle rates are magnitudes, the paddle gives the direction: a negative
// value would turn the paddle's directions round and slip past the limit
// inhibits, so it is ignored; above 1000 the rate is clamped.
void StorePaddleRate(SharedDouble& rate, double value) {
    if (!(value >= 0)) return;
    rate = std::min(value, 1000.0);
}

void SetGuideRate(System& system) {
    StorePaddleRate(system.state.GuideRate, P(system, 1));
    Done(system);
}

void SetSetRate(System& system) {
    StorePaddleRate(system.state.SetRate, P(system, 1));
    Done(system);
}

void SetTrailParameters(System& system) {
    auto& s = system.state;
    s.TrailRate = P(system, 1);
    s.TrailLength = P(system, 2);
    s.TrailAngle = P(system, 3);
    Done(system);
}

void SetCosineDeclination(System& system) {
    assignBits(system.state.StatusFlags2, status2::CosineDeclination, P(system, 1) != 0);
    Done(system);
}

void SetRateCorrection(System& system) {
    assignBits(system.state.StatusFlags2, status2::RateCorrection, P(system, 1) != 0);
    Done(system);
}

void SetDomeOn(System& system) {
    const bool on = P(system, 1) != 0;
    // Switching the dome drive on starts it moving: not while the interlock is open.
    if (!(on && system.state.InterlockOpen)) {
        system.state.DomeOn = on ? 1 : 0;
        system.state.DomeAzimuthOffset = 0;
    }
    Done(system);
}

void SetDomeHomeTrack(System& system) {
    // A new dome mode sends the dome somewhere else: not while the interlock is open.
    if (!system.state.InterlockOpen) {
        system.state.DomeTrack = P(system, 1) == 0 ? 1 : 0;
        system.state.DomeAzimuthOffset = 0;
    }
    Done(system);
}

void SetDisplayEquinox(System& system) {
    // An equinox outside the years the precession is good for (or not a number
    // at all) would make every place that follows meaningless: it is refused.
    const double epoch = P(system, 1);
    if (epoch >= MinDisplayEquinox && epoch <= MaxDisplayEquinox) system.state.Epoch = epoch;
    Done(system);
}

void StoreMark(System& system) {
    const auto& s = system.state;
    const Place place = GivenPlaceOr(system, P(system, 2), P(system, 3), P(system, 4), {s.RA, s.Dec, s.Epoch});
    const double index = std::nearbyint(P(system, 1));
    // An index outside the table changes nothing.
    if (index >= 0 && index < MarkTable::Capacity)
        system.marks->SetMarkRemote(static_cast<int>(index), place.ra, place.dec, place.epoch);
    Done(system);
}

void SetMountParameters(System& system) {
    auto& p = system.params;
    {
        std::lock_guard lock(system.locks.ParameterLock);
        p.PointingTerm1 = P(system, 1);
        p.PointingTerm2 = P(system, 2);
        p.PointingTerm3 = P(system, 3);
        p.PointingTerm4 = P(system, 4);
        p.RefractionScale = P(system, 5);
        // The sixth value is the tube-flexure term, which the state data file gives
        // in the seventh pointing-term line; the periodic terms 5 to 8 stay.
        p.PointingTerm9 = P(system, 6);
        p.HAScale = P(system, 7) / 15 / 3600;
        p.DecScale = P(system, 8) / 3600;
    }
    Done(system);
}

void GoToFiducial(System& system) {
    auto& s = system.state;
    s.CommandParam[1] = FiducialHA;
    s.CommandParam[2] = FiducialDec;
    s.CommandParam[3] = 0;
    s.StateCode = 33;
}

}  // namespace orv
