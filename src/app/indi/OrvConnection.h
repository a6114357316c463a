#pragma once
// How one INDI device of the driver reaches Orv: an INDI connection plugin with
// the standard DEVICE_ADDRESS property (Orv's host and TCP/IP port) around one
// OrvLink. When Orv goes away (restarted, network down) the plugin says so once,
// keeps trying every two seconds and says so again when Orv answers.

#include <chrono>
#include <optional>
#include <string>

#include "connectionplugins/connectioninterface.h"
#include "indiapi.h"

#include "app/indi/OrvLink.h"
#include "app/indi/OrvStatus.h"
#include "core/ChannelDefaults.h"

namespace orv::indi {

class OrvConnection final : public Connection::Interface {
public:
    static constexpr const char* DefaultHost = "127.0.0.1";
    static constexpr uint16_t DefaultPort = orv::DefaultTCPPort;
    static constexpr int ReplyTimeoutMs = 1000;
    static constexpr int ConnectTimeoutMs = 2000;
    static constexpr int RetryMs = 2000;

    explicit OrvConnection(INDI::DefaultDevice* device);

    bool Connect() override;
    bool Disconnect() override;
    void Activated() override;
    void Deactivated() override;
    std::string name() override { return "CONNECTION_ORV"; }
    std::string label() override { return "Orv TCP/IP"; }
    bool ISNewText(const char* dev, const char* name, char* texts[], char* names[], int n) override;
    bool saveConfigItems(FILE* fp) override;

    // Reads Orv's extended status, reconnecting first if the link is down.
    std::optional<OrvStatus> poll();
    // Sends commands (no reply expected).
    bool send(const std::string& packets);
    // Sends `packets` and returns the reply of `code`.
    std::optional<std::string> ask(const std::string& packets, int code);

    // False from a failure until Orv answers again.
    bool reachable() const { return reachable_; }
    std::string address() const;

private:
    bool ensureLink();
    void failed(const std::string& why);

    ITextVectorProperty AddressTP{};
    IText AddressT[2]{};
    OrvLink link_;
    bool reachable_ = true;
    bool linkWanted_ = false;   // between Connect and Disconnect
    std::chrono::steady_clock::time_point lastAttempt_{};
};

}  // namespace orv::indi
