#include "controllers/OrvSetTCP.h"

#include <algorithm>

#include "comm/LocalAddresses.h"
#include "controllers/DefaultsChannels.h"

namespace orv {

namespace {
constexpr int64_t MaxTCPPort = 65535;
}

OrvSetTCP::OrvSetTCP(DefaultsChannels& channels, AddressLister addresses)
    : channels_(channels), addresses_(addresses ? std::move(addresses) : [] { return LocalIPv4Addresses(); }) {}

IntegerSpinSettings OrvSetTCP::PortSpin() { return IntegerSpinSettings{0, MaxTCPPort, 1}; }

int OrvSetTCP::ShowTCPSettings() const { return channels_.TCPPort(); }

void OrvSetTCP::OKBtnClick(int64_t port) {
    channels_.setTCPPort(static_cast<uint16_t>(std::clamp<int64_t>(port, 0, MaxTCPPort)));
}

std::vector<std::string> OrvSetTCP::ShowIPBtnClick() const {
    std::vector<std::string> list = addresses_();
    if (list.size() > MaxLocalAddresses) list.resize(MaxLocalAddresses);
    return list;
}

}  // namespace orv
