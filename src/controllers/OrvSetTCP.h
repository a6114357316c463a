#pragma once
// The TCP/IP Settings dialog's model (`TTCPSettingsDlg`): the port the command
// server listens on at its next activation, and this computer's IPv4
// addresses for the operator to give to the hosts.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "controllers/IntegerSpinModel.h"

namespace orv {

class DefaultsChannels;

inline constexpr const char* TCPSettingsCaption = "TCP/IP Settings";
inline constexpr int TCPSettingsHelpTopic = 9;

class OrvSetTCP {
public:
    using AddressLister = std::function<std::vector<std::string>()>;

    explicit OrvSetTCP(DefaultsChannels& channels, AddressLister addresses = {});

    // PortSpin: 0 ... 65535.
    static IntegerSpinSettings PortSpin();

    // PortSpin's value when the dialog opens: the server's port.
    int ShowTCPSettings() const;
    // OK: the server listens on `port` from its next activation.
    void OKBtnClick(int64_t port);
    // "Show/Refresh": the addresses, dotted, at most 10.
    std::vector<std::string> ShowIPBtnClick() const;

private:
    DefaultsChannels& channels_;
    AddressLister addresses_;
};

}  // namespace orv
