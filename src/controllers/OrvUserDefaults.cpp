#include "controllers/OrvUserDefaults.h"

#include "control/SetupHandlers.h"
#include "control/System.h"
#include "controllers/DefaultsChannels.h"

namespace orv {

OrvUserDefaults::OrvUserDefaults(System& system, DefaultsChannels& channels, DefaultsWindows& windows,
                                 std::string path, Report report)
    : system_(system), channels_(channels), windows_(&windows), path_(std::move(path)), report_(std::move(report)) {}

void OrvUserDefaults::report(const std::optional<std::string>& message) const {
    if (message && report_) report_(*message);
}

UserDefaults OrvUserDefaults::Current() const {
    UserDefaults v;
    v.NightColors = windows_->NightColors();
    v.Form = windows_->Form();
    v.TCPPort = channels_.TCPPort();
    v.TCPMode = channels_.TCPMode();
    v.ExCom = channels_.serialSettings(SerialChannel::ExCom);
    v.ExCom.Mode = channels_.ExComMode();
    v.MNCP = channels_.serialSettings(SerialChannel::MNCP);
    v.MNCP.Mode = channels_.MNCPMode();
    v.KAV = channels_.serialSettings(SerialChannel::KAV);
    v.KAV.Mode = channels_.KAVMode();
    v.Labels = labels_;
    v.EastSideOperation = system_.state.EastSideOperation != 0;
    v.GuideSpeed = system_.state.GuideRate;
    v.SetSpeed = system_.state.SetRate;
    return v;
}

std::optional<UserDefaults> OrvUserDefaults::ReadFile() const {
    std::string why;
    std::optional<ProfileFile> file = LoadInitFile(path_, why);
    if (!file) {
        report(why);
        return std::nullopt;
    }
    return ReadUserDefaults(*file, Current());
}

void OrvUserDefaults::setTCPPort(uint16_t port) {
    if (channels_.TCPServerActive() && port != channels_.TCPPort()) report(channels_.SetTCPMode(0));
    channels_.setTCPPort(port);
}

void OrvUserDefaults::Apply(const UserDefaults& v) {
    windows_->SetNightColors(v.NightColors);
    windows_->SetForm(v.Form);
    setTCPPort(v.TCPPort);
    channels_.setSerialSettings(SerialChannel::ExCom, v.ExCom);
    report(channels_.SetExComMode(v.ExCom.Mode));
    channels_.setSerialSettings(SerialChannel::MNCP, v.MNCP);
    report(channels_.SetMNCPMode(v.MNCP.Mode));
    report(channels_.SetTCPMode(v.TCPMode));
    labels_ = v.Labels;
    system_.state.EastSideOperation = v.EastSideOperation ? 1 : 0;
    StorePaddleRate(system_.state.GuideRate, v.GuideSpeed);
    StorePaddleRate(system_.state.SetRate, v.SetSpeed);
    channels_.setSerialSettings(SerialChannel::KAV, v.KAV);
    report(channels_.SetKAVMode(v.KAV.Mode));
}

void OrvUserDefaults::ApplyAtStart() {
    UserDefaults values = ReadFile().value_or(Current());
    if (overrides_) overrides_(values);
    Apply(values);
}

void OrvUserDefaults::GetUserDefaults() {
    std::optional<UserDefaults> values = ReadFile();
    if (!values) return;
    if (overrides_) overrides_(*values);
    Apply(*values);
}

void OrvUserDefaults::FormActivated() {
    std::optional<UserDefaults> values = ReadFile();
    if (!values) return;
    windows_->SetNightColors(values->NightColors);
    windows_->SetForm(values->Form);
}

void OrvUserDefaults::save(const std::function<void(ProfileFile&)>& edit) const {
    report(UpdateInitFile(path_, edit));
}

void OrvUserDefaults::SaveUserDefaults() {
    const UserDefaults values = Current();
    save([&](ProfileFile& f) { WriteUserDefaults(f, values); });
}

void OrvUserDefaults::SaveSizePosition() {
    const FormGeometry form = windows_->Form();
    save([&](ProfileFile& f) { WriteFormGeometry(f, form); });
}

void OrvUserDefaults::EraseSizePosition() {
    save([](ProfileFile& f) { f.eraseSection(FormSection); });
}

void OrvUserDefaults::RestoreFactoryDefaults() {
    windows_->SetNightColors(false);
    // No port: a device path would win over the port ordinal, so it goes too.
    const SerialSettings factory;
    channels_.setSerialSettings(SerialChannel::ExCom, factory);
    channels_.setSerialSettings(SerialChannel::MNCP, factory);
    setTCPPort(UserDefaults::DefaultTCPPort);
    report(channels_.SetExComMode(0));
    report(channels_.SetMNCPMode(0));
    report(channels_.SetTCPMode(0));
}

}  // namespace orv
