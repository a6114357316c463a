#include "controllers/OrvInitDlg.h"

#include <chrono>
#include <cmath>

#include "astro/AstroLib.h"
#include "control/System.h"
#include "control/SystemAstro.h"
#include "controllers/SpinPresets.h"

namespace orv {

DateTimeFields UtcDateTime(int64_t utcMs) {
    using namespace std::chrono;
    const sys_time<milliseconds> t{milliseconds{utcMs}};
    const sys_days day = floor<days>(t);
    const year_month_day date{day};
    const int64_t msOfDay = (t - day).count();
    const int64_t h = msOfDay / 3600000, m = msOfDay / 60000 % 60, s = msOfDay / 1000 % 60, ms = msOfDay % 1000;
    return {static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
            static_cast<int>(static_cast<unsigned>(date.day())),
            static_cast<double>(h) + static_cast<double>(m) / 60.0 + static_cast<double>(s) / 3600.0 +
                static_cast<double>(ms) / 3600000.0};
}

DegreeSpinSettings OrvInitDlg::UTSpin() { return HoursOfDaySpin("Hour"); }
DegreeSpinSettings OrvInitDlg::RASpin() { return HoursOfDaySpin("Hours"); }
DegreeSpinSettings OrvInitDlg::DecSpin() { return DeclinationSpin("Degs"); }
RealSpinSettings OrvInitDlg::EpochSpin() { return FreeRealSpin("", 0.5); }

RealSpinSettings OrvInitDlg::DomeSpin() {
    RealSpinSettings s = LimitedRealSpin("", 0, 360, 1);
    s.numFormat = NumFormat::nfFixed;
    s.Digits = 2;
    return s;
}

RealSpinSettings OrvInitDlg::RotatorSpin() { return LimitedRealSpin("", -180, 180, 1); }
RealSpinSettings OrvInitDlg::FocusSpin() { return LimitedRealSpin("", 0, 4096, 1); }

PositionFields OrvInitDlg::FormCreate() const {
    return {system_.state.LST, system_.params.Latitude, system_.state.Epoch};
}

DateTimeFields OrvInitDlg::InitMnuClick() const {
    const auto& s = system_.state;
    return {static_cast<int>(std::trunc(s.Year.load())), s.Month, s.Day, s.UT};
}

void OrvInitDlg::ApplyDateTimeBtnClick(const DateTimeFields& f) {
    system_.commander.issue(init_code::SetDateTime,
                            {static_cast<double>(f.Year), static_cast<double>(f.Month), static_cast<double>(f.Day), f.UT});
}

DateTimeFields OrvInitDlg::WinDateBtnClick() {
    const DateTimeFields now = UtcDateTime(system_.clock.utcMs());
    ApplyDateTimeBtnClick(now);
    return now;
}

PositionFields OrvInitDlg::UseNOBtnClick() const {
    const auto& s = system_.state;
    return {s.NextRA, s.NextDec, s.NextEpoch};
}

void OrvInitDlg::ApplyTelePosBtnClick(const PositionFields& f) {
    system_.commander.issue(init_code::SetTelescope, {f.RA, f.Dec, f.Epoch});
}

double OrvInitDlg::TeleAzmBtnClick() const {
    // The telescope's own position, also during a slew (the dome task then aims at the target).
    const auto& s = system_.state;
    return astro::DomeAzimuthFor(s.HA, s.Dec, AstroContextOf(system_));
}

void OrvInitDlg::ApplyDomeBtnClick(double degrees) { system_.commander.issue(init_code::SetDome, {degrees}); }
void OrvInitDlg::ApplyRotatorBtnClick(double position) { system_.commander.issue(init_code::SetRotator, {position}); }
void OrvInitDlg::ApplyFocusBtnClick(double position) { system_.commander.issue(init_code::SetFocus, {position}); }

}  // namespace orv
