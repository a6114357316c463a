#include "controllers/DisplayModel.h"

#include <cmath>
#include <mutex>

#include "astro/AstroLib.h"
#include "astro/TextFormats.h"
#include "control/System.h"
#include "control/SystemAstro.h"
#include "controllers/ChannelModes.h"

namespace orv {

namespace {

// Julian Date of 1900 January 0.5, the origin of DaysSince1900.
constexpr double JulianDate1900 = 2415020.0;
// The slow part runs on every 25th tick: 1.25 s at the 50 ms timer interval.
constexpr uint32_t SlowRefreshTicks = 25;

constexpr const char* SevenBlanks = "       ";
constexpr const char* EightBlanks = "        ";

std::string Sexagesimal(double x) { return FormatSexagesimal(false, x); }
std::string SexagesimalTenths(double x) { return FormatSexagesimal(true, x); }

// The channel-mode text: "Off" for mode 0, "Active" for mode 1; any other mode
// leaves the text as it was.
void ShowMode(std::string& text, int mode) {
    if (mode == 0) text = "Off";
    else if (mode == 1) text = "Active";
}

// The date, time and site the astronomy routines read, taken under ClockLock so
// that the day and the time of day always belong to the same date, even at the
// UT roll-over.
astro::AstroContext ConsistentContext(System& system) {
    std::lock_guard lock(system.locks.ClockLock);
    return AstroContextOf(system);
}

}  // namespace

const char* OnOffText(bool on) { return on ? "On" : "Off"; }

std::string FormatUTDate(int month, int day, double year) {
    return TwoDigit(month) + " " + TwoDigit(day) + " " + FormatFixed(std::trunc(year), 0);
}

DisplayModel::DisplayModel(System& system, const ChannelModes* channels, LogSink logSink)
    : system_(system), channels_(channels), logSink_(std::move(logSink)) {
    // The status controls start as the start bytes describe them, so a word that
    // still equals its start byte at the first refresh is shown truthfully.
    ShowStatusWord1(shown1_);
    ShowStatusWord2(shown2_);
    ShowStatusWord3(shown3_);
}

void DisplayModel::RefreshDisplay() {
    FastRefresh();
    if (tick_ % SlowRefreshTicks == 0) SlowRefresh();
    ++tick_;
}

void DisplayModel::FastRefresh() {
    const TelescopeState& s = system_.state;
    DisplayControls& c = controls_;

    c.DomeAzmDis = FormatFixed(s.DomeAzimuth, 1);

    // The status log takes over the lines queued since the last tick.
    std::vector<std::string> flushed = system_.log.FlushLog();
    if (!flushed.empty() && logSink_) logSink_(flushed);

    c.MyStringDis = s.TelescopeMessage.get();
    c.DomeStringDis = s.ShutterMessage.get();
    c.CommandNoStringDis = s.StateText.get();
    c.TeleDecDis = Sexagesimal(s.Dec);
    c.TeleHADis = SexagesimalTenths(s.HA);
    c.TeleRADis = SexagesimalTenths(s.RA);
    c.UTimeDis = Sexagesimal(s.UT);
    c.STimeDis = Sexagesimal(s.LST);
    c.TeleMassDis = FormatFixed(s.AirMass, 3);
    c.CorRADis = FormatFixed(s.HARateCorrection, 3);
    c.CorDecDis = FormatFixed(s.DecRateCorrection, 3);
    c.FocusDis = FormatFixed(s.FocusReading, 0);
    c.EFocusDis = FormatFixed(s.ReportedFocus + s.ReportedFocus2, 0);
    c.TeleZenithDis = FormatFixed(s.ZenithDistance, 1);
    c.TeleAzmDis = FormatFixed(s.Azimuth, 1);
    if (s.ThroughPole) c.ModeDis = " Through-the-pole LIMIT  ";
    else if (s.EastSideOperation) c.ModeDis = " East side operation  ";
    else c.ModeDis = " West side operation  ";
}

void DisplayModel::SlowRefresh() {
    TelescopeState& s = system_.state;
    DisplayControls& c = controls_;

    // The input monitor sets this again on its next pass while the input is held.
    clearBits(s.StatusFlags3, status3::RateSelectInput);
    if (s.SlewInProgress) return;

    ShowStatusWords();

    const astro::AstroContext ctx = ConsistentContext(system_);
    c.CloudsDis = s.CloudDetected ? "CLOUDS" : EightBlanks;
    c.TrackRADis = FormatFixed(s.ActiveTrackRateRA, 3);
    c.TrackDecDis = FormatFixed(s.ActiveTrackRateDec, 3);
    c.UTDateDis = orv::FormatUTDate(ctx.Month, ctx.Day, ctx.Year);
    c.JulianDis = FormatFixed(astro::DaysSince1900(ctx) + JulianDate1900, 6);
    c.TeleEpochDis = FormatFixed(s.Epoch, 1);
    c.GuideRADis = FormatFixed(s.GuideRate, 3);
    c.SetRADis = FormatFixed(s.SetRate, 3);
    c.TrailRateDis = FormatFixed(s.TrailRate, 1);
    c.TrailLenDis = FormatFixed(s.TrailLength, 1);
    c.TrailPADis = FormatFixed(s.TrailAngle, 1);

    if (testBits(s.StatusFlags3, status3::TargetLoaded)) {
        const double nextHA = s.NextHA, nextDec = s.NextDec;
        c.NextHADis = SexagesimalTenths(nextHA);
        c.NextRADis = SexagesimalTenths(s.NextRA);
        c.NextDecDis = Sexagesimal(nextDec);
        c.NextEpochDis = FormatFixed(s.NextEpoch, 1);
        c.NextMassDis = FormatFixed(astro::AirMassAt(nextHA, nextDec, ctx), 3);
        c.NextZenithDis = FormatFixed(astro::ZenithDistanceAt(nextHA, nextDec, ctx), 1);
    }
}

void DisplayModel::ShowStatusWords() {
    const TelescopeState& s = system_.state;

    const auto word1 = static_cast<uint8_t>(s.StatusFlags1.load() & 0xFF);
    if (word1 != shown1_) {
        ShowStatusWord1(word1);
        shown1_ = word1;
    }
    ShowChannelModes();
    const auto word2 = static_cast<uint8_t>(s.StatusFlags2.load() & 0xFF);
    if (word2 != shown2_) {
        ShowStatusWord2(word2);
        shown2_ = word2;
    }
    const auto word3 = static_cast<uint8_t>(s.StatusFlags3.load() & 0xFF);
    if (word3 != shown3_) {
        ShowStatusWord3(word3);
        shown3_ = word3;
    }
}

std::string DisplayModel::FormatUTDate() const {
    std::lock_guard lock(system_.locks.ClockLock);
    const TelescopeState& s = system_.state;
    return orv::FormatUTDate(s.Month, s.Day, s.Year);
}

void DisplayModel::ShowStatusWord1(uint8_t bits) {
    DisplayControls& c = controls_;
    c.StatusDis = (bits & status1::Initialized) ? "INITIALIZED" : "";
    c.TrackOnOff = (bits & status1::TrackingSwitch) != 0;
    c.SlewDis = (bits & status1::SlewEnabled) ? "SLEW ENABLED" : "";
    c.DomeOnOff = (bits & status1::DomeOnIndicator) != 0;
    c.Limit1Dis = (bits & status1::ApproachingLimits) ? "APPROACHING LIMITS" : "";
    c.Limit2Dis = (bits & status1::LimitReached) ? "LIMIT REACHED" : "";
    c.SlewingDis = (bits & status1::Slewing) ? "SLEWING" : "";
}

void DisplayModel::ShowChannelModes() {
    DisplayControls& c = controls_;
    ShowMode(c.ExComModeDis, channels_ ? channels_->ExComMode() : 0);
    ShowMode(c.MNCPModeDis, channels_ ? channels_->MNCPMode() : 0);
    c.TCPModeDis = (channels_ && channels_->TCPServerActive()) ? "Active" : "Off";
}

void DisplayModel::ShowStatusWord2(uint8_t bits) {
    DisplayControls& c = controls_;
    c.SettingDis = (bits & status2::Setting) ? "SETTING" : SevenBlanks;
    c.TrailingDis = (bits & status2::Trailing) ? "TRAILING" : EightBlanks;
    c.TargetDis = (bits & status2::TargetOutOfRange) ? "TARGET OUT OF RANGE" : "";
    c.CosDecOnOff = (bits & status2::CosineDeclination) != 0;
    c.RateCorOnOff = (bits & status2::RateCorrection) != 0;
    c.DrivesOnOff = (bits & status2::DrivesOn) != 0;
}

void DisplayModel::ShowStatusWord3(uint8_t bits) {
    DisplayControls& c = controls_;
    c.DomeDis = (bits & status3::DomeTrack) ? "TRACK" : "HOME ";
    c.NSEWDis = std::string{(bits & status3::PaddleNorth) ? 'N' : ' ',
                            (bits & status3::PaddleSouth) ? 'S' : ' ',
                            (bits & status3::PaddleEast) ? 'E' : ' ',
                            (bits & status3::PaddleWest) ? 'W' : ' '};
    if (!(bits & status3::TargetLoaded)) {
        c.NextHADis.clear();
        c.NextMassDis.clear();
    }
}

}  // namespace orv
