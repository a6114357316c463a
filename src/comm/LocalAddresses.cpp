#include "comm/LocalAddresses.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>

namespace orv {

std::vector<std::string> LocalIPv4Addresses() {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return {};
    std::vector<std::string> outside, loopback;
    for (const ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET || !(a->ifa_flags & IFF_UP)) continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
        if (!::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text)) continue;
        auto& into = (a->ifa_flags & IFF_LOOPBACK) ? loopback : outside;
        if (std::find(into.begin(), into.end(), text) == into.end()) into.emplace_back(text);
    }
    ::freeifaddrs(list);
    outside.insert(outside.end(), loopback.begin(), loopback.end());
    if (outside.size() > MaxLocalAddresses) outside.resize(MaxLocalAddresses);
    return outside;
}

}  // namespace orv
