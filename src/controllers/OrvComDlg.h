#pragma once
// The Communications dialog's model (`TCommDlg`): a page each for ExCom, MNCP
// and TCP/IP with the requested mode and its Apply, and the switch of the
// communication log. The settings buttons are usable only while their channel
// is off: new line settings and a new server port take effect when the channel
// is next switched on.

#include <functional>
#include <optional>
#include <string>

#include "config/InitFile.h"

namespace orv {

class DefaultsChannels;
class StatusLog;

inline constexpr const char* CommCaption = "Communications";
inline constexpr int CommHelpTopic = 5;
inline constexpr const char* InvalidSerialPort =
    "Invalid Serial Port. The Port may not be set,\n\rmay already in use or not exist on this computer.";
inline constexpr const char* LogCommCaption = "Log Communiction Events";

// The items of the three mode radios: "No Connection", then "Serial Port"
// (ExCom, MNCP) or "Active" (TCP/IP).
inline constexpr int NoConnectionItem = 0;
inline constexpr int ConnectedItem = 1;

// A message for the operator after an Apply: information (a port refused by
// the check, a server that cannot listen) or the port layer's error when a
// checked port still fails to open.
struct CommMessage {
    std::string text;
    bool error = false;
};

// What the dialog shows.
struct CommDlgView {
    int ExComModeRadio = NoConnectionItem;
    bool ExComSerialBtn = true;   // enabled
    int MNCPModeRadio = NoConnectionItem;
    bool MNCPSerialBtn = true;
    int TCPIPModeRadio = NoConnectionItem;
    bool TCPIPBtn = true;
    bool LogCommChk = false;
};

// Whether a line with these settings has a device that can be opened
// exclusively now (false while Orv or another program holds it).
bool CanOpenSerial(const SerialSettings& settings);

class OrvComDlg {
public:
    using PortCheck = std::function<bool(const SerialSettings&)>;

    OrvComDlg(DefaultsChannels& channels, StatusLog& log, PortCheck canOpen = CanOpenSerial);

    // Loads the radios from the channels' modes before the dialog is shown. A
    // serial mode other than 0 or 1 leaves its radio as it was; the TCP/IP
    // radio shows whether the server listens.
    const CommDlgView& ShowCommDialog();
    const CommDlgView& view() const { return view_; }

    void ExComModeRadioClick(int item) { view_.ExComModeRadio = item; }
    void MNCPModeRadioClick(int item) { view_.MNCPModeRadio = item; }
    void TCPIPModeRadioClick(int item) { view_.TCPIPModeRadio = item; }

    // "Serial Port" first checks the line (InvalidSerialPort, nothing changed,
    // when it is "None" or cannot be opened), then switches the channel.
    std::optional<CommMessage> ApplyExComBtnClick();
    std::optional<CommMessage> ApplyMNCPBtnClick();
    // Switches the server on (mode 2) or off; the listen failure's message.
    std::optional<CommMessage> ApplyTCPBtnClick();

    void LogCommChkClick(bool checked);

private:
    template <class SetMode>
    std::optional<CommMessage> applySerial(int item, const SerialSettings& settings, SetMode&& setMode);

    DefaultsChannels& channels_;
    StatusLog& log_;
    PortCheck canOpen_;
    CommDlgView view_;
};

}  // namespace orv
