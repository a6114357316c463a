#include "controllers/OrvTimeSetup.h"

#include <algorithm>
#include <cmath>

#include "astro/AstroConstants.h"
#include "astro/TextFormats.h"
#include "core/Clock.h"
#include "core/Commander.h"

namespace orv {

namespace {
constexpr int SetDateAndTimeCode = 1;
}  // namespace

std::string ElapsedTimeText(int64_t ms) {
    const int64_t seconds = std::max<int64_t>(ms, 0) / 1000;
    return std::to_string(seconds / 3600) + ":" + TwoDigit(static_cast<int>(seconds / 60 % 60)) + ":" +
           TwoDigit(static_cast<int>(seconds % 60));
}

OrvTimeSetup::OrvTimeSetup(Clock& clock, Commander& commander, std::string iniPath)
    : clock_(clock), commander_(commander), iniPath_(std::move(iniPath)) {
    std::string why;
    TimeUpdateSettings stored = settings_;
    if (auto file = LoadInitFile(iniPath_, why)) stored = ReadTimeUpdate(*file, settings_);
    SetIntervalHours(stored.IntervalHours);
    SetSynchronize(stored.Enabled);
    lastSyncUtcMs_ = clock_.utcMs();
}

void OrvTimeSetup::restart() { dueMs_ = clock_.nowMs() + intervalMs_; }

void OrvTimeSetup::SetIntervalHours(double hours) {
    settings_.IntervalHours = hours;
    const double ms = std::round(hours * astro::MsPerHour);
    // Beyond what a timer can count the interval is as good as never.
    const int64_t interval = std::isfinite(ms) && std::fabs(ms) < 1e15 ? static_cast<int64_t>(ms) : 0;
    if (interval == intervalMs_) return;
    intervalMs_ = interval;
    restart();
}

void OrvTimeSetup::SetSynchronize(bool on) {
    SetIntervalHours(settings_.IntervalHours);
    if (on == settings_.Enabled) return;
    settings_.Enabled = on;
    if (on) restart();
}

void OrvTimeSetup::Poll() {
    if (!settings_.Enabled || intervalMs_ <= 0) return;
    const int64_t now = clock_.nowMs();
    if (now < dueMs_) return;
    commander_.issue(SetDateAndTimeCode, {0, 0, 0, 0});
    lastSyncUtcMs_ = clock_.utcMs();
    // Keep the rhythm; after a long stall start over from now rather than catch up.
    dueMs_ += intervalMs_;
    if (dueMs_ <= now) dueMs_ = now + intervalMs_;
}

std::string OrvTimeSetup::LastUpdateText() const { return ElapsedTimeText(clock_.utcMs() - lastSyncUtcMs_); }

std::optional<std::string> OrvTimeSetup::SaveSettings() const {
    const TimeUpdateSettings settings = settings_;
    return UpdateInitFile(iniPath_, [&](ProfileFile& f) { WriteTimeUpdate(f, settings); });
}

}  // namespace orv
