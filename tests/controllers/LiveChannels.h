#pragma once
// The channel models' view of real channels for the tests: the ExCom and MNCP
// channels and the TCP/IP server as the program has them, switched and set up
// the way the program's runtime does it.

#include "comm/ExCom.h"
#include "comm/MNCP.h"
#include "comm/TCPServer.h"
#include "comm/serial/PortSettings.h"
#include "controllers/DefaultsChannels.h"

namespace orv::testing {

class LiveChannels final : public DefaultsChannels {
public:
    LiveChannels(TCPServer& tcp, ExComChannel& excom, MNCPChannel& mncp) : tcp_(tcp), excom_(excom), mncp_(mncp) {}

    int ExComMode() const override { return excom_.ExComMode(); }
    int MNCPMode() const override { return mncp_.MNCPMode(); }
    std::optional<std::string> SetExComMode(int mode) override {
        return SwitchSerialChannel("ExCom", [&] { excom_.SetExComMode(mode); });
    }
    std::optional<std::string> SetMNCPMode(int mode) override {
        return SwitchSerialChannel("MNCP", [&] { mncp_.SetMNCPMode(mode); });
    }
    int KAVMode() const override { return 0; }
    std::optional<std::string> SetKAVMode(int) override { return std::nullopt; }
    SerialSettings serialSettings(SerialChannel c) const override {
        return SettingsOfPort(c == SerialChannel::MNCP ? mncp_.MNCPComPort : excom_.ExComPort);
    }
    void setSerialSettings(SerialChannel c, const SerialSettings& s) override {
        StoreSettingsInPort(s, c == SerialChannel::MNCP ? mncp_.MNCPComPort : excom_.ExComPort);
    }
    bool TCPServerActive() const override { return tcp_.active(); }
    uint16_t TCPPort() const override { return tcp_.port(); }
    void setTCPPort(uint16_t port) override { tcp_.setPort(port); }
    int TCPMode() const override { return tcp_.TCPMode(); }
    std::optional<std::string> SetTCPMode(int mode) override { return tcp_.SetTCPMode(mode); }

private:
    TCPServer& tcp_;
    ExComChannel& excom_;
    MNCPChannel& mncp_;
};

}  // namespace orv::testing
