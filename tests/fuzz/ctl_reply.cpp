// What orvctl reads from a server, which may be any server: reply packets,
// packet codes and the angles an operator types on its command line.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "comm/CtlClient.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    orv::ctl::PacketCodes(text);
    if (const auto values = orv::ctl::ParseReplyPacket(text)) {
        if (const auto p = orv::ctl::PositionFromValues(*values)) orv::ctl::FormatPosition(*p);
        if (const auto s = orv::ctl::StatusFromValues(*values)) orv::ctl::FormatStatus(*s);
        if (const auto f = orv::ctl::FullFromValues(*values)) {
            orv::ctl::SlewProgressLine(orv::ctl::DistanceToTarget(*f));
        }
    }
    if (const auto angle = orv::ctl::ParseAngle(std::string(text))) orv::ctl::TargetPacket(*angle, *angle, std::nullopt);
    return 0;
}
