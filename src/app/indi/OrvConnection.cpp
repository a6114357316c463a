#include "app/indi/OrvConnection.h"

#include <cstdlib>
#include <cstring>

#include "comm/TCPExtendedProtocol.h"
#include "defaultdevice.h"
#include "indidriver.h"
#include "indilogger.h"

namespace orv::indi {

OrvConnection::OrvConnection(INDI::DefaultDevice* device) : Connection::Interface(device, CONNECTION_CUSTOM) {
    IUFillText(&AddressT[0], "ADDRESS", "Address", DefaultHost);
    IUFillText(&AddressT[1], "PORT", "Port", std::to_string(DefaultPort).c_str());
}

std::string OrvConnection::address() const {
    return std::string(AddressT[0].text ? AddressT[0].text : "") + ":" + (AddressT[1].text ? AddressT[1].text : "");
}

void OrvConnection::Activated() {
    IUFillTextVector(&AddressTP, AddressT, 2, getDeviceName(), "DEVICE_ADDRESS", "Orv server", CONNECTION_TAB,
                     IP_RW, 60, IPS_IDLE);
    // The address saved last time, if any.
    char text[256] = {0};
    if (IUGetConfigText(getDeviceName(), "DEVICE_ADDRESS", "ADDRESS", text, sizeof text) == 0 && text[0])
        IUSaveText(&AddressT[0], text);
    if (IUGetConfigText(getDeviceName(), "DEVICE_ADDRESS", "PORT", text, sizeof text) == 0 && text[0])
        IUSaveText(&AddressT[1], text);
    m_Device->defineProperty(&AddressTP);
}

void OrvConnection::Deactivated() { m_Device->deleteProperty(AddressTP.name); }

bool OrvConnection::ISNewText(const char* dev, const char* name, char* texts[], char* names[], int n) {
    if (!dev || std::strcmp(dev, getDeviceName()) != 0 || std::strcmp(name, AddressTP.name) != 0) return false;
    IUUpdateText(&AddressTP, texts, names, n);
    AddressTP.s = IPS_OK;
    IDSetText(&AddressTP, nullptr);
    return true;
}

bool OrvConnection::saveConfigItems(FILE* fp) {
    IUSaveConfigText(fp, &AddressTP);
    return true;
}

bool OrvConnection::Connect() {
    linkWanted_ = true;
    reachable_ = true;
    lastAttempt_ = std::chrono::steady_clock::now();
    const char* port = AddressT[1].text ? AddressT[1].text : "";
    char* end = nullptr;
    const long p = std::strtol(port, &end, 10);
    if (end == port || *end || p <= 0 || p > 65535) {
        LOGF_ERROR("Orv's port '%s' is not a port number.", port);
        linkWanted_ = false;
        return false;
    }
    std::string error;
    if (!link_.connect(AddressT[0].text ? AddressT[0].text : "", uint16_t(p), ConnectTimeoutMs, error)) {
        LOGF_ERROR("Orv is not reachable: %s. Is orv running with --tcp-port=%ld?", error.c_str(), p);
        linkWanted_ = false;
        return false;
    }
    if (Handshake && !Handshake()) {
        LOGF_ERROR("Orv at %s does not answer its extended status: is it an Orv with the INDI codes?",
                   address().c_str());
        link_.close();
        linkWanted_ = false;
        return false;
    }
    LOGF_INFO("Connected to Orv at %s.", address().c_str());
    return true;
}

bool OrvConnection::Disconnect() {
    linkWanted_ = false;
    link_.close();
    return true;
}

void OrvConnection::failed(const std::string& why) {
    if (reachable_)
        LOGF_ERROR("Orv is unreachable at %s: %s. Trying again every %d s.", address().c_str(), why.c_str(),
                   RetryMs / 1000);
    reachable_ = false;
}

bool OrvConnection::ensureLink() {
    if (link_.connected()) return true;
    if (!linkWanted_) return false;
    const auto now = std::chrono::steady_clock::now();
    if (!reachable_ && now - lastAttempt_ < std::chrono::milliseconds(RetryMs)) return false;
    lastAttempt_ = now;
    std::string error;
    const long p = std::strtol(AddressT[1].text ? AddressT[1].text : "", nullptr, 10);
    if (!link_.connect(AddressT[0].text ? AddressT[0].text : "", uint16_t(p), ConnectTimeoutMs, error)) {
        failed(error);
        return false;
    }
    return true;
}

std::optional<OrvStatus> OrvConnection::poll() {
    const auto reply = ask("#60;", tcpx::ExtendedStatusCode);
    if (!reply) return std::nullopt;
    auto status = ParseOrvStatus(*reply);
    if (!status) {
        failed("its extended status cannot be read: " + reply->substr(0, 80));
        link_.close();
        return std::nullopt;
    }
    if (!reachable_) LOGF_INFO("Orv answers again at %s.", address().c_str());
    reachable_ = true;
    return status;
}

bool OrvConnection::send(const std::string& packets) {
    if (!ensureLink()) return false;
    std::string error;
    if (link_.send(packets, error)) return true;
    failed(error);
    return false;
}

std::optional<std::string> OrvConnection::ask(const std::string& packets, int code) {
    if (!ensureLink()) return std::nullopt;
    std::string error;
    auto reply = link_.ask(packets, code, ReplyTimeoutMs, error);
    if (!reply) failed(error);
    return reply;
}

}  // namespace orv::indi
