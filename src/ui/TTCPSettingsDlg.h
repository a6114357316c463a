#pragma once
// The TCP/IP Settings dialog: the server's port and this computer's IPv4
// addresses. OrvSetTCP decides; modal to the Communications dialog, without a
// nested event loop.

#include "controllers/OrvSetTCP.h"
#include "ui/TOrvDialog.h"

class QListWidget;

namespace orv::ui {

class TIntegerSpin;

class TTCPSettingsDlg : public TOrvDialog {
    Q_OBJECT
public:
    explicit TTCPSettingsDlg(DefaultsChannels& channels, QWidget* parent = nullptr,
                             OrvSetTCP::AddressLister addresses = {});

    // PortSpin from the server's port, then the dialog; OK stores the port.
    void ShowTCPSettings();

    TIntegerSpin* portSpin() const { return port_; }
    QListWidget* addresses() const { return addresses_; }

private:
    OrvSetTCP controller_;
    TIntegerSpin* port_;
    QListWidget* addresses_;
};

}  // namespace orv::ui
