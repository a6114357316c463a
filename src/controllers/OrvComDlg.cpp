#include "controllers/OrvComDlg.h"

#include "comm/serial/CommPort.h"
#include "controllers/DefaultsChannels.h"
#include "core/StatusLog.h"

namespace orv {

namespace {

constexpr int TCPActiveMode = 2;

bool IsModeItem(int mode) { return mode == NoConnectionItem || mode == ConnectedItem; }

}  // namespace

bool CanOpenSerial(const SerialSettings& settings) {
    TCommPort probe;
    probe.Port = settings.Port;
    probe.DevicePath = settings.Device;
    return probe.CanOpen();
}

OrvComDlg::OrvComDlg(DefaultsChannels& channels, StatusLog& log, PortCheck canOpen)
    : channels_(channels), log_(log), canOpen_(std::move(canOpen)) {}

const CommDlgView& OrvComDlg::ShowCommDialog() {
    if (const int m = channels_.ExComMode(); IsModeItem(m)) view_.ExComModeRadio = m;
    view_.ExComSerialBtn = view_.ExComModeRadio == NoConnectionItem;
    if (const int m = channels_.MNCPMode(); IsModeItem(m)) view_.MNCPModeRadio = m;
    view_.MNCPSerialBtn = view_.MNCPModeRadio == NoConnectionItem;
    // Any non-zero mode read from the initialisation file makes the server
    // listen, and a failed listen leaves it off whatever the mode says: the
    // radio shows what runs.
    view_.TCPIPModeRadio = channels_.TCPServerActive() ? ConnectedItem : NoConnectionItem;
    view_.TCPIPBtn = view_.TCPIPModeRadio == NoConnectionItem;
    view_.LogCommChk = log_.commLogging();
    return view_;
}

template <class SetMode>
std::optional<CommMessage> OrvComDlg::applySerial(int item, const SerialSettings& settings, SetMode&& setMode) {
    if (item == ConnectedItem) {
        const bool none = settings.Port == SerialSettings::NoPort && settings.Device.empty();
        if (none || !canOpen_(settings)) return CommMessage{InvalidSerialPort, false};
    }
    if (auto failure = setMode(item == ConnectedItem ? 1 : 0)) return CommMessage{*failure, true};
    return std::nullopt;
}

std::optional<CommMessage> OrvComDlg::ApplyExComBtnClick() {
    auto message = applySerial(view_.ExComModeRadio, channels_.serialSettings(SerialChannel::ExCom),
                               [this](int mode) { return channels_.SetExComMode(mode); });
    view_.ExComSerialBtn = channels_.ExComMode() != 1;
    return message;
}

std::optional<CommMessage> OrvComDlg::ApplyMNCPBtnClick() {
    auto message = applySerial(view_.MNCPModeRadio, channels_.serialSettings(SerialChannel::MNCP),
                               [this](int mode) { return channels_.SetMNCPMode(mode); });
    view_.MNCPSerialBtn = channels_.MNCPMode() == 0;
    return message;
}

std::optional<CommMessage> OrvComDlg::ApplyTCPBtnClick() {
    auto failure = channels_.SetTCPMode(view_.TCPIPModeRadio == ConnectedItem ? TCPActiveMode : 0);
    view_.TCPIPBtn = !channels_.TCPServerActive();
    if (failure) return CommMessage{*failure, false};
    return std::nullopt;
}

void OrvComDlg::LogCommChkClick(bool checked) {
    log_.setCommLogging(checked);
    view_.LogCommChk = checked;
}

}  // namespace orv
