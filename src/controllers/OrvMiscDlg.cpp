#include "controllers/OrvMiscDlg.h"

#include "astro/AstroConstants.h"
#include "control/System.h"
#include "controllers/SpinPresets.h"

namespace orv {

namespace {
constexpr double FocusMin = 1050, FocusMax = 3500;   // focus counts the drive can reach
double OneIf(bool on) { return on ? 1.0 : 0.0; }
}  // namespace

RealSpinSettings OrvMiscDlg::DomeAZSpin() { return LimitedRealSpin("", 0, 360, 1); }
RealSpinSettings OrvMiscDlg::DisEpochSpin() { return FreeRealSpin("", 0.5); }

RealSpinSettings OrvMiscDlg::FocusSpin() {
    RealSpinSettings s = LimitedRealSpin("", FocusMin, FocusMax, 0.1);
    s.numFormat = NumFormat::nfFixed;
    s.Digits = 1;
    return s;
}

MiscFields OrvMiscDlg::MiscMnuClick() const {
    const auto& s = system_.state;
    MiscFields f;
    f.switches.CosineDeclination = testBits(s.StatusFlags2, status2::CosineDeclination);
    f.switches.RateCorrection = testBits(s.StatusFlags2, status2::RateCorrection);
    f.switches.DomeOn = s.DomeOn;
    f.switches.DomeTrack = true;   // whatever the dome does now: Apply without a look requests tracking
    f.Epoch = s.Epoch;
    f.Focus = s.FocusReading;
    f.EastSide = s.EastSideOperation;
    return f;
}

void OrvMiscDlg::ApplySwitchBtnClick(const SwitchFields& f) {
    Commander& door = system_.commander;
    door.issue(misc_code::CosineDeclination, {OneIf(f.CosineDeclination)});
    door.issue(misc_code::RateCorrection, {OneIf(f.RateCorrection)});
    door.issue(misc_code::DomeOn, {OneIf(f.DomeOn)});
    door.issue(misc_code::DomeHomeTrack, {OneIf(!f.DomeTrack)});
}

void OrvMiscDlg::ApplyDomeAzBtnClick(double degrees) {
    system_.commander.issue(misc_code::DomeToAzimuth, {degrees * astro::DegToRad});
}

void OrvMiscDlg::CloudSensorChkClick(bool disabled) { system_.DisableCloudSensorInput = disabled; }
bool OrvMiscDlg::cloudSensorDisabled() const { return system_.DisableCloudSensorInput; }

void OrvMiscDlg::ApplyEpochBtnClick(double epoch) { system_.commander.issue(misc_code::DisplayEpoch, {epoch}); }
void OrvMiscDlg::EastWestButtonClick(bool east) { system_.state.EastSideOperation = east; }
void OrvMiscDlg::ApplyFocusBtnClick(double target) { system_.commander.issue(misc_code::MoveFocus, {target}); }

void OrvMiscDlg::ShutterOpenBtnClick() {
    system_.state.CloudDetected = 0;
    system_.state.CloudHandled = 0;
    system_.commander.issue(misc_code::Shutter, {1});
}

void OrvMiscDlg::ShutterCloseBtnClick() { system_.commander.issue(misc_code::Shutter, {0}); }

}  // namespace orv
