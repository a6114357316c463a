#pragma once
// The Communications dialog: a page each for ExCom, MNCP and TCP/IP with the
// mode radio, the settings button and Apply, and "General Options" with the
// communication log switch. OrvComDlg decides; the window shows its view and
// the messages an Apply returns. Modal, without a nested event loop.

#include <functional>

#include "controllers/OrvComDlg.h"
#include "controllers/OrvComSet.h"
#include "controllers/OrvSetTCP.h"
#include "ui/TOrvDialog.h"

class QButtonGroup;
class QCheckBox;
class QTabWidget;

namespace orv::ui {

class TSettingsDlg;
class TTCPSettingsDlg;

class TCommDlg : public TOrvDialog {
    Q_OBJECT
public:
    enum Page { ExComPage, MNCPPage, TCPIPPage, GeneralPage };

    // `devices` and `addresses` replace the computer's serial lines and IPv4
    // addresses (tests); empty for the real ones.
    TCommDlg(DefaultsChannels& channels, StatusLog& log, QWidget* parent = nullptr,
             OrvComSet::DeviceLister devices = {}, OrvSetTCP::AddressLister addresses = {});

    // The menu item: the radios from the channels' modes, then the dialog.
    void ShowCommDialog();

    // How an Apply's message reaches the operator (an information or error box).
    void setMessageHook(std::function<void(const CommMessage&)> hook) { message_ = std::move(hook); }

    OrvComDlg& controller() { return controller_; }
    QTabWidget* pages() const { return pages_; }
    TSettingsDlg* serialSettings() const { return serial_; }
    TTCPSettingsDlg* tcpSettings() const { return tcp_; }

private:
    // Shows the controller's view: radios, enabled buttons, the log box.
    void showView();
    void report(const std::optional<CommMessage>& message);
    QButtonGroup* addModePage(const QString& page, const QString& radioName, const char* radioObject,
                              const QString& connected, QPushButton* settings, QPushButton* apply,
                              const QString& advice);

    OrvComDlg controller_;
    QTabWidget* pages_;
    QButtonGroup* excomRadio_;
    QButtonGroup* mncpRadio_;
    QButtonGroup* tcpRadio_;
    QPushButton* excomSerial_;
    QPushButton* mncpSerial_;
    QPushButton* tcpSettings_;
    QCheckBox* logComm_;
    TSettingsDlg* serial_;
    TTCPSettingsDlg* tcp_;
    std::function<void(const CommMessage&)> message_;
};

}  // namespace orv::ui
